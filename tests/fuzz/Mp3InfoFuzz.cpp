// Reads arbitrary bytes as an MP3 file: the frame search behind an ID3
// version 2 tag, the Xing header, the ID3 version 1 tag and the values
// derived from them.
#include <cstddef>
#include <cstdint>

#include "platform/ByteSource.h"
#include "readers/details/Mp3Info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zb::MemorySource source(zb::ByteSpan(data, size));
    CMp3Info info;
    if (info.Read(source) == CMp3Info::READ_OK) {
        int kbits = 0;
        std::int64_t seconds = 0;
        info.GetBitRate(kbits);
        info.GetLength(seconds);
        info.GetFrameCount();
        info.GetModeText();
        info.GetGenreText();
    }
    return 0;
}
