// Opens arbitrary bytes as RAR archives (block format of RAR 1.5 to 4.x), lists, looks up and reads
// every member.
#include <cstddef>
#include <cstdint>

#include "ArchiveFuzzDriver.h"
#include "readers/archives/RarArchiveHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CRarArchive handler;
    return zbfuzz::FuzzArchiveHandler(handler, ".rar", data, size);
}
