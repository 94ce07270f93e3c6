#include "readers/details/PsdImage.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include "platform/FileTime.h"

namespace {

constexpr std::uint32_t kPsdSignature = 0x38425053;  // "8BPS"
constexpr std::uint64_t kIndexedColourTableSize = 768;

// Where the parts after the header lie.
struct PsdLayout {
    std::uint64_t colourDataOffset = 0;
    std::uint32_t colourDataLength = 0;
    std::uint16_t compression = 0;
    std::uint64_t dataOffset = 0;  // the composite image, up to the end of the file
};

bool ReadHeader(zb::ByteSource& file, PsdHeader* header) {
    std::uint8_t bytes[kPsdHeaderSize];
    return file.ReadAt(0, bytes, sizeof(bytes)) && ParsePsdHeader(bytes, header);
}

// Walks the colour-mode data, the image resources and the layer section (a
// 4-byte length each) to the compression word.
bool ReadLayout(zb::ByteSource& file, PsdLayout* layout) {
    std::uint64_t position = kPsdHeaderSize;
    for (int section = 0; section < 3; ++section) {
        std::uint8_t length[4];
        if (!file.ReadAt(position, length, sizeof(length)))
            return false;
        const std::uint32_t size = zb::LoadBe32(length);
        if (section == 0) {
            layout->colourDataOffset = position + 4;
            layout->colourDataLength = size;
        }
        position += 4 + static_cast<std::uint64_t>(size);
    }
    std::uint8_t word[2];
    if (!file.ReadAt(position, word, sizeof(word)))
        return false;
    layout->compression = zb::LoadBe16(word);
    layout->dataOffset = position + 2;
    return true;
}

void TakeFileTime(const std::string& path, SYSTEMTIME* time) {
    struct stat status {};
    FILETIME utc{};
    FILETIME local{};
    if (stat(path.c_str(), &status) == 0 && TimespecToFileTime(status.st_mtim, &utc) &&
        FileTimeToLocalFileTime(&utc, &local))
        FileTimeToSystemTime(&local, time);
}

// Opens the request's file for a stage; FALSE with the status set when it
// cannot be read.
bool OpenRequestFile(CImageRequest* request, zb::FileSource* file) {
    if (file->Open(request->m_sName))
        return true;
    struct stat status {};
    request->m_nStatus = stat(request->m_sName.c_str(), &status) != 0 && errno == ENOENT
                             ? IMAGE_STATUS_MISSING
                             : IMAGE_STATUS_READ_FAILED;
    return false;
}

std::uint32_t CeilDiv(std::uint32_t value, std::uint32_t step) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(value) + step - 1) / step);
}

// The bytes of one row of one channel.
std::uint64_t RowBytes(const PsdHeader& header) {
    const std::uint64_t width = header.width;
    if (header.depth == 1)
        return (width + 7) / 8;
    return header.depth == 16 ? width * 2 : width;
}

// The channels the colour mode's picture is made of.
std::uint32_t PlanesUsed(const PsdHeader& header) {
    switch (header.mode) {
        case PSD_MODE_RGB:
        case PSD_MODE_CMYK:
        case PSD_MODE_LAB:
            return 3;
        case PSD_MODE_MULTICHANNEL:
            return std::min<std::uint32_t>(header.channels, 3);
        default:
            return 1;
    }
}

// Hands out rows of the composite's channels, each read at a checked position.
class PlaneRows {
public:
    virtual ~PlaneRows() = default;
    // Reads row `row` of channel `plane` into `out` (RowBytes bytes); rows of
    // one channel are asked in rising order. FALSE when the data is short.
    virtual bool Read(std::uint32_t plane, std::uint32_t row, std::uint8_t* out) = 0;
};

// Raw data: each channel a plane of `height` rows of RowBytes bytes.
class RawPlaneRows : public PlaneRows {
public:
    RawPlaneRows(zb::ByteSource& file, const PsdHeader& header, std::uint64_t dataOffset)
        : m_file(file),
          m_offset(dataOffset),
          m_height(header.height),
          m_rowBytes(RowBytes(header)) {}

    bool Read(std::uint32_t plane, std::uint32_t row, std::uint8_t* out) override {
        const std::uint64_t index = static_cast<std::uint64_t>(plane) * m_height + row;
        return m_file.ReadAt(m_offset + index * m_rowBytes, out,
                             static_cast<std::size_t>(m_rowBytes));
    }

private:
    zb::ByteSource& m_file;
    std::uint64_t m_offset;
    std::uint64_t m_height;
    std::uint64_t m_rowBytes;
};

// Run-length data (8-bit only): a table of 2-byte packed sizes, one per row
// of every channel, then the packed rows one after another.
class PackedPlaneRows : public PlaneRows {
public:
    PackedPlaneRows(zb::ByteSource& file, const PsdHeader& header, std::uint64_t dataOffset)
        : m_file(file), m_header(header), m_dataOffset(dataOffset) {}

    // Reads the size table and finds where each used channel starts.
    bool Open(std::uint32_t planes) {
        const std::uint64_t rows = static_cast<std::uint64_t>(m_header.channels) * m_header.height;
        std::vector<std::uint8_t> table;
        if (!m_file.ReadAt(m_dataOffset, rows * 2, table))
            return false;
        m_sizes.resize(static_cast<std::size_t>(rows));
        for (std::size_t i = 0; i < m_sizes.size(); ++i)
            m_sizes[i] = zb::LoadBe16(&table[i * 2]);
        std::uint64_t start = m_dataOffset + rows * 2;
        for (std::uint32_t plane = 0; plane < planes; ++plane) {
            m_cursors.push_back(Cursor{start, 0});
            for (std::uint32_t row = 0; row < m_header.height; ++row)
                start += m_sizes[Index(plane, row)];
        }
        return true;
    }

    bool Read(std::uint32_t plane, std::uint32_t row, std::uint8_t* out) override {
        Cursor& cursor = m_cursors.at(plane);
        if (row < cursor.row)
            return false;
        while (cursor.row < row)
            cursor.offset += m_sizes[Index(plane, cursor.row++)];
        const std::uint16_t size = m_sizes[Index(plane, row)];
        if (!m_file.ReadAt(cursor.offset, size, m_packed))
            return false;
        cursor.offset += size;
        ++cursor.row;
        Unpack(out);
        return true;
    }

private:
    struct Cursor {
        std::uint64_t offset;
        std::uint32_t row;  // the row `offset` is the start of
    };

    std::size_t Index(std::uint32_t plane, std::uint32_t row) const {
        return static_cast<std::size_t>(plane) * m_header.height + row;
    }

    // A byte n below 128 copies the next n + 1 bytes, one above 128 repeats
    // the next byte 257 - n times, and 128 ends the row. Output past the
    // row's width and input past the row's packed size are not used.
    void Unpack(std::uint8_t* out) const {
        const std::size_t width = m_header.width;
        std::fill(out, out + width, 0);
        std::size_t in = 0;
        std::size_t written = 0;
        while (in < m_packed.size() && written < width) {
            const std::uint8_t code = m_packed[in++];
            if (code == 128)
                break;
            if (code < 128) {
                const std::size_t count = std::min(
                    {static_cast<std::size_t>(code) + 1, m_packed.size() - in, width - written});
                std::copy_n(m_packed.begin() + static_cast<std::ptrdiff_t>(in), count,
                            out + written);
                in += static_cast<std::size_t>(code) + 1;
                written += count;
            } else {
                if (in >= m_packed.size())
                    break;
                const std::size_t count =
                    std::min(static_cast<std::size_t>(257 - code), width - written);
                std::fill_n(out + written, count, m_packed[in++]);
                written += count;
            }
        }
    }

    zb::ByteSource& m_file;
    PsdHeader m_header;
    std::uint64_t m_dataOffset;
    std::vector<std::uint16_t> m_sizes;
    std::vector<Cursor> m_cursors;
    std::vector<std::uint8_t> m_packed;
};

// Turns the channel rows of one image row into blue-green-red pixels.
class PixelComposer {
public:
    PixelComposer(const PsdHeader& header, const std::uint8_t* colourTable)
        : m_header(header), m_colourTable(colourTable) {}

    void Compose(const std::vector<std::vector<std::uint8_t>>& planes, std::uint32_t step,
                 std::uint32_t columns, std::uint8_t* out) const {
        for (std::uint32_t column = 0; column < columns; ++column) {
            const std::uint32_t x = column * step;
            std::uint8_t red = 0;
            std::uint8_t green = 0;
            std::uint8_t blue = 0;
            const std::uint8_t first = Sample(planes[0], x);
            switch (m_header.mode) {
                case PSD_MODE_BITMAP:
                    // A set bit is black.
                    red = green = blue = (planes[0][x / 8] & (0x80 >> (x % 8))) != 0 ? 0 : 255;
                    break;
                case PSD_MODE_INDEXED:
                    red = m_colourTable[first];
                    green = m_colourTable[first + 256];
                    blue = m_colourTable[first + 512];
                    break;
                case PSD_MODE_RGB:
                case PSD_MODE_CMYK:
                case PSD_MODE_LAB:
                case PSD_MODE_MULTICHANNEL:
                    red = first;
                    green = planes.size() > 1 ? Sample(planes[1], x) : 0;
                    blue = planes.size() > 2 ? Sample(planes[2], x) : 0;
                    break;
                default:  // greyscale, duotone
                    red = green = blue = first;
                    break;
            }
            out[column * 3] = blue;
            out[column * 3 + 1] = green;
            out[column * 3 + 2] = red;
        }
    }

private:
    // An 8-bit sample, or the high byte of a 16-bit one.
    std::uint8_t Sample(const std::vector<std::uint8_t>& row, std::uint32_t x) const {
        if (m_header.depth == 16)
            return row[static_cast<std::size_t>(x) * 2];
        return m_header.depth == 8 ? row[x] : 0;
    }

    PsdHeader m_header;
    const std::uint8_t* m_colourTable;
};

int Fail(CImageRequest* request, int status) {
    request->m_nStatus = status;
    return status;
}

}  // namespace

BOOL ParsePsdHeader(zb::ByteSpan bytes, PsdHeader* header) {
    if (bytes.size() < kPsdHeaderSize)
        return FALSE;
    const std::uint8_t* p = bytes.data();
    header->signature = zb::LoadBe32(p);
    header->version = zb::LoadBe16(p + 4);
    header->channels = zb::LoadBe16(p + 12);
    header->height = zb::LoadBe32(p + 14);
    header->width = zb::LoadBe32(p + 18);
    header->depth = zb::LoadBe16(p + 22);
    header->mode = zb::LoadBe16(p + 24);
    return TRUE;
}

BOOL IsPsdSignature(const PsdHeader& header) {
    return header.signature == kPsdSignature && header.version == 1 ? TRUE : FALSE;
}

int PsdCheckModeDepth(std::uint16_t mode, std::uint16_t depth) {
    switch (mode) {
        case PSD_MODE_BITMAP:
            return depth == 1 ? 0 : 2;
        case PSD_MODE_GRAYSCALE:
        case PSD_MODE_RGB:
        case PSD_MODE_CMYK:
            return depth == 8 || depth == 16 ? 0 : 2;
        case PSD_MODE_INDEXED:
        case PSD_MODE_MULTICHANNEL:
        case PSD_MODE_DUOTONE:
        case PSD_MODE_LAB:
            return depth == 8 ? 0 : 2;
        default:
            return 1;
    }
}

BOOL IsSupportedPsdHeader(const PsdHeader& header) {
    return IsPsdSignature(header) && header.channels >= 1 && header.channels <= kPsdMaxChannels &&
                   header.height >= 1 && header.height <= kPsdMaxSide && header.width >= 1 &&
                   header.width <= kPsdMaxSide && PsdCheckModeDepth(header.mode, header.depth) == 0
               ? TRUE
               : FALSE;
}

std::size_t CImageRequest::RowStride() const {
    return (static_cast<std::size_t>(m_Header.biWidth) * 3 + 3) & ~static_cast<std::size_t>(3);
}

BOOL CImageRequest::AllocatePixelBlock() {
    m_Pixels.clear();
    m_RowTable.clear();
    if (m_nWidth < 1 || m_nWidth > kPsdMaxSide || m_nHeight < 1 || m_nHeight > kPsdMaxSide) {
        m_nStatus = IMAGE_STATUS_UNSUPPORTED;
        return FALSE;
    }
    std::uint32_t step = 1;
    while (static_cast<std::int64_t>(CeilDiv(m_nWidth, step)) * CeilDiv(m_nHeight, step) >
           kPsdPixelBudget)
        ++step;
    m_nSampleStep = step;
    m_Header = BITMAPINFOHEADER{};
    m_Header.biSize = sizeof(BITMAPINFOHEADER);
    m_Header.biWidth = static_cast<LONG>(CeilDiv(m_nWidth, step));
    m_Header.biHeight = static_cast<LONG>(CeilDiv(m_nHeight, step));
    m_Header.biPlanes = 1;
    m_Header.biBitCount = 24;
    m_Header.biCompression = BI_RGB;
    m_Header.biXPelsPerMeter = 3721;
    m_Header.biYPelsPerMeter = 3721;
    const auto rows = static_cast<std::size_t>(m_Header.biHeight);
    try {
        m_Pixels.assign(RowStride() * rows, 0);
        m_RowTable.resize(rows);
    } catch (const std::bad_alloc&) {
        m_Pixels = {};
        m_RowTable = {};
        m_nStatus = IMAGE_STATUS_NO_MEMORY;
        return FALSE;
    }
    for (std::size_t row = 0; row < rows; ++row)
        m_RowTable[row] = m_Pixels.data() + (rows - row - 1) * RowStride();
    return TRUE;
}

void PsdIdentify(CImageRequest* request) {
    if (request->m_nStatus != IMAGE_STATUS_PENDING || request->m_sName.empty())
        return;
    zb::FileSource file;
    if (!OpenRequestFile(request, &file))
        return;
    PsdIdentify(file, request);
}

void PsdIdentify(zb::ByteSource& file, CImageRequest* request) {
    if (request->m_nStatus != IMAGE_STATUS_PENDING || request->m_nStage != IMAGE_STAGE_IDENTIFY ||
        request->m_bIdentified)
        return;
    request->m_nStatus = IMAGE_STATUS_DONE;
    if (file.Size() < kPsdHeaderSize)
        return;
    PsdHeader header;
    if (!ReadHeader(file, &header)) {
        request->m_nStatus = IMAGE_STATUS_READ_FAILED;
        return;
    }
    if (IsSupportedPsdHeader(header)) {
        request->m_bIdentified = TRUE;
        request->m_nStage = IMAGE_STAGE_IDENTIFIED;
    }
}

void PsdReadInfo(CImageRequest* request) {
    if (request->m_nStatus != IMAGE_STATUS_PENDING || request->m_sName.empty())
        return;
    zb::FileSource file;
    if (!OpenRequestFile(request, &file))
        return;
    PsdReadInfo(file, request);
    if (request->m_nStage == IMAGE_STAGE_INFO_READ)
        TakeFileTime(request->m_sName, &request->m_FileTime);
}

void PsdReadInfo(zb::ByteSource& file, CImageRequest* request) {
    if (request->m_nStatus != IMAGE_STATUS_PENDING || request->m_nStage != IMAGE_STAGE_IDENTIFIED ||
        request->m_bInfoRead)
        return;
    PsdHeader header;
    if (!ReadHeader(file, &header)) {
        request->m_nStatus = IMAGE_STATUS_READ_FAILED;
        return;
    }
    request->m_bInfoRead = TRUE;
    request->m_nImageType = IMAGE_TYPE_PSD;
    request->m_nFileLength = file.Size();
    request->m_nWidth = header.width;
    // The height is stored as a signed number.
    const auto height = static_cast<std::int32_t>(header.height);
    request->m_nHeight = height < 0 ? 0u - static_cast<std::uint32_t>(height) : header.height;
    request->m_nDepth = header.depth;
    PsdLayout layout;
    if (!ReadLayout(file, &layout)) {
        request->m_nStatus = IMAGE_STATUS_READ_FAILED;
        return;
    }
    request->m_nCompression =
        layout.compression != 0 ? IMAGE_COMPRESSION_RUN_LENGTH : IMAGE_COMPRESSION_NONE;
    request->m_nStage = IMAGE_STAGE_INFO_READ;
    request->m_nStatus = IMAGE_STATUS_DONE;
}

int PsdDecodeImage(zb::ByteSource& file, CImageRequest* request) {
    PsdHeader header;
    PsdLayout layout;
    if (!ReadHeader(file, &header) || !ReadLayout(file, &layout))
        return Fail(request, IMAGE_STATUS_READ_FAILED);
    if (!IsSupportedPsdHeader(header))
        return Fail(request, IMAGE_STATUS_UNSUPPORTED);
    // The block must be the one made for this image (the file may have
    // changed since its information was read).
    const std::uint32_t step = request->m_nSampleStep;
    if (header.width != request->m_nWidth || header.height != request->m_nHeight || step < 1 ||
        static_cast<std::uint32_t>(request->m_Header.biWidth) != CeilDiv(header.width, step) ||
        request->m_RowTable.size() != CeilDiv(header.height, step))
        return Fail(request, IMAGE_STATUS_READ_FAILED);

    std::vector<std::uint8_t> colourTable;
    if (header.mode == PSD_MODE_INDEXED &&
        (layout.colourDataLength < kIndexedColourTableSize ||
         !file.ReadAt(layout.colourDataOffset, kIndexedColourTableSize, colourTable)))
        return Fail(request, IMAGE_STATUS_READ_FAILED);
    const std::uint32_t planes = PlanesUsed(header);
    if (header.channels < planes)
        return Fail(request, IMAGE_STATUS_READ_FAILED);

    std::unique_ptr<PlaneRows> rows;
    if (layout.compression == 0) {
        // Every used channel's plane must lie inside the file.
        const std::uint64_t planeBytes = RowBytes(header) * header.height;
        if (layout.dataOffset + planes * planeBytes > file.Size())
            return Fail(request, IMAGE_STATUS_READ_FAILED);
        rows = std::make_unique<RawPlaneRows>(file, header, layout.dataOffset);
    } else if (layout.compression == 1) {
        if (header.depth != 8)
            return Fail(request, IMAGE_STATUS_UNSUPPORTED);
        auto packed = std::make_unique<PackedPlaneRows>(file, header, layout.dataOffset);
        if (!packed->Open(planes))
            return Fail(request, IMAGE_STATUS_READ_FAILED);
        rows = std::move(packed);
    } else {
        return Fail(request, IMAGE_STATUS_READ_FAILED);
    }

    const PixelComposer composer(header, colourTable.data());
    // Packed rows are unpacked to the full width, raw ones read as stored.
    const std::size_t rowBytes =
        std::max<std::size_t>(static_cast<std::size_t>(RowBytes(header)), header.width);
    std::vector<std::vector<std::uint8_t>> planeRows(planes, std::vector<std::uint8_t>(rowBytes));
    const auto columns = static_cast<std::uint32_t>(request->m_Header.biWidth);
    for (std::size_t row = 0; row < request->m_RowTable.size(); ++row) {
        const auto imageRow = static_cast<std::uint32_t>(row * step);
        for (std::uint32_t plane = 0; plane < planes; ++plane) {
            if (!rows->Read(plane, imageRow, planeRows[plane].data()))
                return Fail(request, IMAGE_STATUS_READ_FAILED);
        }
        composer.Compose(planeRows, step, columns, request->m_RowTable[row]);
    }
    request->m_nStatus = IMAGE_STATUS_DONE;
    return IMAGE_STATUS_DONE;
}
