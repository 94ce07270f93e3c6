#include "readers/details/JpegInfoProvider.h"

#include <array>
#include <numeric>

#include "platform/ByteReader.h"
#include "readers/archives/SourceStream.h"
#include "readers/details/StreamReader.h"

namespace {

constexpr std::array<int, 5> kJpegColumns = {kImageWidthColumn, kImageHeightColumn,
                                             kImageDepthColumn, kImageWidthCmColumn,
                                             kImageHeightCmColumn};
constexpr std::int32_t kJpegDepth = 24;

constexpr std::uint8_t kMarkerPrefix = 0xFF;
constexpr std::uint8_t M_DHT = 0xC4;
constexpr std::uint8_t M_JPG = 0xC8;
constexpr std::uint8_t M_DAC = 0xCC;
constexpr std::uint8_t M_SOS = 0xDA;
constexpr std::uint8_t M_DQT = 0xDB;
constexpr std::uint8_t M_DNL = 0xDC;
constexpr std::uint8_t M_DRI = 0xDD;
constexpr std::uint8_t M_EXP = 0xDF;
constexpr std::uint8_t M_APP0 = 0xE0;
constexpr std::uint8_t M_APP1 = 0xE1;
constexpr std::uint8_t M_APP15 = 0xEF;
constexpr std::uint8_t M_COM = 0xFE;

bool IsStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != M_DHT && marker != M_JPG &&
           marker != M_DAC;
}

// Reads a segment's length and the bytes it covers after the length.
bool ReadSegment(CStreamReader& reader, std::vector<std::uint8_t>& segment) {
    std::array<std::uint8_t, 2> length{};
    if (!reader.Read(length.data(), length.size()))
        return false;
    const std::uint16_t size = zb::LoadBe16(length.data());
    return size >= 2 && reader.ReadBytes(size - 2u, segment);
}

bool ReadFrameHeader(zb::ByteReader segment, std::uint8_t marker, CJpegInfo& info) {
    CJpegFrameHeader frame;
    frame.type = marker - 0xC0;
    frame.length = static_cast<std::uint16_t>(segment.Size() + 2);
    frame.precision = segment.U8();
    frame.lines = segment.U16Be();
    frame.samplesPerLine = segment.U16Be();
    const std::uint8_t count = segment.U8();
    if (!segment.Ok() || count == 0)
        return false;
    for (std::uint8_t i = 0; i < count; ++i) {
        CJpegFrameHeader::Component component;
        component.id = segment.U8();
        const std::uint8_t sampling = segment.U8();
        component.horizontalSampling = sampling >> 4;
        component.verticalSampling = sampling & 15;
        component.quantisationTable = segment.U8();
        frame.components.push_back(component);
    }
    if (!segment.Ok())
        return false;
    info.frames.push_back(std::move(frame));
    return true;
}

// Huffman tables: class and id, 16 code counts, then as many symbols.
bool CheckHuffmanTables(zb::ByteReader segment) {
    while (segment.Ok() && segment.Remaining() > 0) {
        segment.U8();
        const zb::ByteSpan counts = segment.Bytes(16);
        segment.Skip(std::accumulate(counts.begin(), counts.end(), std::uint64_t{0}));
    }
    return segment.Ok();
}

// Quantisation tables: precision and id, then 64 one- or two-byte values.
bool CheckQuantisationTables(zb::ByteReader segment) {
    while (segment.Ok() && segment.Remaining() > 0) {
        const std::uint8_t precision = segment.U8() >> 4;
        if (precision > 1)
            return false;
        segment.Skip(precision == 0 ? 64 : 128);
    }
    return segment.Ok();
}

bool CheckScanHeader(zb::ByteReader segment) {
    const std::uint8_t count = segment.U8();
    segment.Skip(2u * count + 3u);
    return segment.Ok();
}

// APP0: a JFIF segment gives the density; any other identifier is passed over.
bool ReadApp0(zb::ByteReader segment, CJpegInfo& info) {
    if (segment.Size() < 1)
        return false;
    const zb::ByteSpan identifier = segment.Bytes(4);
    if (!segment.Ok() || zb::AsChars(identifier) != "JFIF")
        return true;
    segment.Skip(3);  // the NUL and the version
    const std::uint8_t units = segment.U8();
    const std::uint16_t x = segment.U16Be();
    const std::uint16_t y = segment.U16Be();
    segment.Skip(2);  // thumbnail width and height; its pixels follow
    if (!segment.Ok())
        return false;
    info.units = units;
    info.xDensity = x;
    info.yDensity = y;
    return true;
}

// Handles the segment of `marker`; false when it is damaged. `scan` is set
// at the start of scan.
bool HandleMarker(CStreamReader& reader, std::uint8_t marker, CJpegInfo& info, bool& scan) {
    std::vector<std::uint8_t> segment;
    if (marker >= M_APP1 && marker <= M_APP15) {
        std::array<std::uint8_t, 2> length{};
        if (!reader.Read(length.data(), length.size()))
            return false;
        const std::uint16_t size = zb::LoadBe16(length.data());
        return size >= 2 && reader.Skip(size - 2u);
    }
    const bool hasSegment = IsStartOfFrame(marker) || marker == M_DHT || marker == M_DQT ||
                            marker == M_SOS || marker == M_DRI || marker == M_DNL ||
                            marker == M_EXP || marker == M_APP0 || marker == M_COM;
    if (!hasSegment)
        return true;
    if (!ReadSegment(reader, segment))
        return false;
    const zb::ByteReader bytes(segment);
    if (IsStartOfFrame(marker))
        return ReadFrameHeader(bytes, marker, info);
    switch (marker) {
        case M_DHT:
            return CheckHuffmanTables(bytes);
        case M_DQT:
            return CheckQuantisationTables(bytes);
        case M_SOS:
            scan = true;
            return CheckScanHeader(bytes);
        case M_DRI:
        case M_DNL:
            return segment.size() >= 2;
        case M_EXP:
            return segment.size() >= 1;
        case M_APP0:
            return ReadApp0(bytes, info);
        default:  // the comment
            return true;
    }
}

}  // namespace

double PixelsToCentimetres(double pixels, double density, int units) {
    if (!(density > 0))
        return 0.0;
    if (units == 1)
        return pixels / density * 2.54;
    if (units == 2)
        return pixels / density;
    return 0.0;
}

bool ReadJpegInfo(CStreamReader& reader, CJpegInfo& info) {
    info = CJpegInfo();
    const std::uint64_t start = reader.Position();
    for (;;) {
        std::uint8_t byte = 0;
        do {
            if (reader.Position() - start > kMaxJpegHeaderBytes || !reader.ReadByte(byte))
                return false;
        } while (byte != kMarkerPrefix);
        std::uint8_t marker = kMarkerPrefix;
        while (marker == kMarkerPrefix) {
            if (!reader.ReadByte(marker))
                return false;
        }
        bool scan = false;
        if (!HandleMarker(reader, marker, info, scan))
            return false;
        if (scan) {
            if (info.frames.empty())
                return false;
            info.width = info.frames.front().samplesPerLine;
            info.height = info.frames.front().lines;
            return true;
        }
    }
}

CJpegInfoProvider::CJpegInfoProvider() : CFixedColumnProvider(kJpegColumns) {}

BOOL CJpegInfoProvider::InitExtensions() {
    m_arrExtensions = {"jpg", "jpeg"};
    return TRUE;
}

BOOL CJpegInfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    m_info = CJpegInfo();
    CSourceStream stream;
    if (!item.OpenStream(&stream))
        return FALSE;
    CStreamReader reader(stream);
    if (!ReadJpegInfo(reader, m_info))
        return FALSE;
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CJpegInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED)
        return FALSE;
    CImageValues values;
    values.width = m_info.width;
    values.height = m_info.height;
    values.depth = kJpegDepth;
    values.hasPrintSize = true;
    values.widthCm =
        static_cast<float>(PixelsToCentimetres(m_info.width, m_info.xDensity, m_info.units));
    values.heightCm =
        static_cast<float>(PixelsToCentimetres(m_info.height, m_info.yDensity, m_info.units));
    return GetImageColumnValue(id, values, value);
}
