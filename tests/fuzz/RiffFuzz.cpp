// Reads arbitrary bytes as a RIFF file: walks the chunks two lists deep, reads
// the AVI headers and every video stream's first frame.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Avi.h"
#include "platform/Riff.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zb::ByteSpan bytes(data, size);
    zb::MemorySource source(bytes);
    zb::RiffReader riff(source);
    zb::RiffChunk form;
    std::vector<std::uint8_t> chunkData;
    if (riff.ReadForm(form)) {
        riff.ForEachChunk(form, [&](const zb::RiffChunk& chunk) {
            if (chunk.IsList()) {
                riff.ForEachChunk(chunk, [&](const zb::RiffChunk& inner) {
                    riff.ReadData(inner, 1 << 16, chunkData);
                    return true;
                });
            }
            return true;
        });
    }
    zb::AviReader avi;
    if (avi.Open(std::make_unique<zb::MemorySource>(bytes))) {
        for (const zb::AviStream& stream : avi.Streams()) {
            zb::ParseBitmapInfoHeader(stream.format);
            zb::ParseWaveFormat(stream.format);
            zb::RiffChunk frame;
            if (avi.FindFirstFrame(stream.index, frame)) {
                avi.ReadChunk(frame, 1 << 20, chunkData);
            }
        }
    }
    return 0;
}
