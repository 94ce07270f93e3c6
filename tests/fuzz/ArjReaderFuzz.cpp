// Opens arbitrary bytes as ARJ archives, lists, looks up and reads every member.
#include <cstddef>
#include <cstdint>

#include "ArchiveFuzzDriver.h"
#include "readers/archives/ArjArchiveHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CArjArchive handler;
    return zbfuzz::FuzzArchiveHandler(handler, ".arj", data, size);
}
