// Opens arbitrary bytes as bzip2 files, lists, looks up and reads every member.
#include <cstddef>
#include <cstdint>

#include "ArchiveFuzzDriver.h"
#include "readers/archives/Bz2ArchiveHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CBz2Archive handler;
    return zbfuzz::FuzzArchiveHandler(handler, ".bz2", data, size);
}
