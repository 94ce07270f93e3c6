// Opens arbitrary bytes as gzip files, lists, looks up and reads every member.
#include <cstddef>
#include <cstdint>

#include "ArchiveFuzzDriver.h"
#include "readers/archives/GzArchiveHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CGzArchive handler;
    return zbfuzz::FuzzArchiveHandler(handler, ".gz", data, size);
}
