// Reads arbitrary bytes as an executable's version record: its fixed
// version, first translation, "FileVersion" string and language name.
#include <cstddef>
#include <cstdint>

#include "FuzzTempFile.h"
#include "readers/details/FileVersionRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = zbfuzz::FuzzFilePath(".dll");
    if (!zbfuzz::WriteFuzzFile(path, data, size))
        return 0;
    CFileVersionRecord record;
    record.Read(path);
    return 0;
}
