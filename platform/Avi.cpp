#include "platform/Avi.h"

#include "platform/TextCodec.h"

namespace zb {

namespace {

MainAVIHeader ParseMainHeader(ByteSpan bytes) {
    ByteReader reader(bytes);
    MainAVIHeader header;
    for (std::uint32_t* field :
         {&header.dwMicroSecPerFrame, &header.dwMaxBytesPerSec, &header.dwPaddingGranularity,
          &header.dwFlags, &header.dwTotalFrames, &header.dwInitialFrames, &header.dwStreams,
          &header.dwSuggestedBufferSize, &header.dwWidth, &header.dwHeight}) {
        *field = reader.U32Le();
    }
    return header;
}

AVIStreamHeader ParseStreamHeader(ByteSpan bytes) {
    ByteReader reader(bytes);
    AVIStreamHeader header;
    header.fccType = reader.U32Le();
    header.fccHandler = reader.U32Le();
    header.dwFlags = reader.U32Le();
    header.wPriority = reader.U16Le();
    header.wLanguage = reader.U16Le();
    for (std::uint32_t* field : {&header.dwInitialFrames, &header.dwScale, &header.dwRate,
                                 &header.dwStart, &header.dwLength, &header.dwSuggestedBufferSize,
                                 &header.dwQuality, &header.dwSampleSize}) {
        *field = reader.U32Le();
    }
    for (std::int16_t& side : header.rcFrame) {
        side = static_cast<std::int16_t>(reader.U16Le());
    }
    return header;
}

// Whether `id` names a video frame chunk of stream `index`: "NNdb" or "NNdc".
bool IsFrameChunk(std::uint32_t id, std::uint32_t index) {
    if (index > 99) {
        return false;
    }
    const std::uint32_t number = static_cast<std::uint32_t>('0' + index / 10) |
                                 (static_cast<std::uint32_t>('0' + index % 10) << 8);
    return (id & 0xFFFF) == number &&
           ((id >> 16) == ('d' | ('b' << 8)) || (id >> 16) == ('d' | ('c' << 8)));
}

}  // namespace

BITMAPINFOHEADER ParseBitmapInfoHeader(ByteSpan format) {
    ByteReader reader(format);
    BITMAPINFOHEADER header;
    header.biSize = reader.U32Le();
    header.biWidth = static_cast<LONG>(reader.U32Le());
    header.biHeight = static_cast<LONG>(reader.U32Le());
    header.biPlanes = reader.U16Le();
    header.biBitCount = reader.U16Le();
    header.biCompression = reader.U32Le();
    header.biSizeImage = reader.U32Le();
    header.biXPelsPerMeter = static_cast<LONG>(reader.U32Le());
    header.biYPelsPerMeter = static_cast<LONG>(reader.U32Le());
    header.biClrUsed = reader.U32Le();
    header.biClrImportant = reader.U32Le();
    return header;
}

bool AviReader::Open(const std::string& path) {
    return Open(OpenFileSource(path));
}

bool AviReader::Open(std::unique_ptr<ByteSource> source) {
    Close();
    if (!source) {
        return false;
    }
    m_source = std::move(source);
    if (!ReadHeaders()) {
        Close();
        return false;
    }
    return true;
}

void AviReader::Close() {
    m_source.reset();
    m_mainHeader = MainAVIHeader();
    m_streams.clear();
    m_movi = RiffChunk();
    m_hasMovi = false;
}

bool AviReader::ReadHeaders() {
    RiffReader riff(*m_source);
    RiffChunk form;
    RiffChunk headers;
    if (!riff.ReadForm(form) || form.listType != FourCc("AVI ") ||
        !riff.FindChunk(form, FourCc("LIST"), FourCc("hdrl"), headers) ||
        headers.DeclaredEnd() > headers.parentEnd) {
        return false;
    }
    m_hasMovi = riff.FindChunk(form, FourCc("LIST"), FourCc("movi"), m_movi);
    bool ok = true;
    std::vector<std::uint8_t> bytes;
    const bool complete = riff.ForEachChunk(headers, [&](const RiffChunk& chunk) {
        if (chunk.id == FourCc("avih")) {
            ok = riff.ReadData(chunk, kMaxFormatSize, bytes);
            m_mainHeader = ParseMainHeader(bytes);
        } else if (chunk.id == FourCc("LIST") && chunk.listType == FourCc("strl")) {
            ok = ReadStream(riff, chunk);
        }
        return ok;
    });
    return complete && ok;
}

bool AviReader::ReadStream(RiffReader& riff, const RiffChunk& list) {
    AviStream stream;
    stream.index = static_cast<std::uint32_t>(m_streams.size());
    bool hasHeader = false;
    bool ok = true;
    std::vector<std::uint8_t> bytes;
    const bool complete = riff.ForEachChunk(list, [&](const RiffChunk& chunk) {
        if (chunk.id == FourCc("strh")) {
            ok = riff.ReadData(chunk, kMaxFormatSize, bytes);
            stream.header = ParseStreamHeader(bytes);
            hasHeader = ok;
        } else if (chunk.id == FourCc("strf")) {
            ok = riff.ReadData(chunk, kMaxFormatSize, stream.format);
        } else if (chunk.id == FourCc("strn")) {
            ok = riff.ReadData(chunk, kMaxNameSize, bytes);
            stream.name = Cp1252ToUtf8(UntilNul(AsChars(bytes)));
        }
        return ok;
    });
    if (!complete || !ok || !hasHeader) {
        return false;
    }
    m_streams.push_back(std::move(stream));
    return true;
}

const AviStream* AviReader::FirstStream(std::uint32_t fccType) const {
    for (const AviStream& stream : m_streams) {
        if (stream.header.fccType == fccType) {
            return &stream;
        }
    }
    return nullptr;
}

bool AviReader::FindFirstFrame(std::uint32_t index, RiffChunk& frame) {
    if (!m_hasMovi) {
        return false;
    }
    RiffReader riff(*m_source);
    bool found = false;
    // Frames sit in "movi" itself or one level down in "rec " lists.
    riff.ForEachChunk(m_movi, [&](const RiffChunk& chunk) {
        if (chunk.id == FourCc("LIST") && chunk.listType == FourCc("rec ")) {
            riff.ForEachChunk(chunk, [&](const RiffChunk& inner) {
                found = IsFrameChunk(inner.id, index) && inner.size > 0;
                if (found) {
                    frame = inner;
                }
                return !found;
            });
        } else if (IsFrameChunk(chunk.id, index) && chunk.size > 0) {
            frame = chunk;
            found = true;
        }
        return !found;
    });
    return found;
}

bool AviReader::ReadChunk(const RiffChunk& chunk, std::uint64_t maxSize,
                          std::vector<std::uint8_t>& out) {
    if (!IsOpen()) {
        return false;
    }
    RiffReader riff(*m_source);
    return riff.ReadData(chunk, maxSize, out);
}

}  // namespace zb
