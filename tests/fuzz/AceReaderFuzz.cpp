// Opens arbitrary bytes as ACE archives, lists, looks up and reads every member.
#include <cstddef>
#include <cstdint>

#include "ArchiveFuzzDriver.h"
#include "readers/archives/AceArchiveHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CAceArchive handler;
    return zbfuzz::FuzzArchiveHandler(handler, ".ace", data, size);
}
