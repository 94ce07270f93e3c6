// Opens arbitrary bytes as cabinet files, lists, looks up and reads every member.
#include <cstddef>
#include <cstdint>

#include "ArchiveFuzzDriver.h"
#include "readers/archives/CabArchiveHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CCabArchive handler;
    return zbfuzz::FuzzArchiveHandler(handler, ".cab", data, size);
}
