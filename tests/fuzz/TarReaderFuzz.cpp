// Opens arbitrary bytes as TAR archives (plain, gzip or bzip2 compressed), lists, looks up and
// reads every member.
#include <cstddef>
#include <cstdint>

#include "ArchiveFuzzDriver.h"
#include "readers/archives/TarArchiveHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CTarArchive handler;
    return zbfuzz::FuzzArchiveHandler(handler, ".tar", data, size);
}
