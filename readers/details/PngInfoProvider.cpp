#include "readers/details/PngInfoProvider.h"

#include <png.h>

#include <array>
#include <cstring>

#include "platform/ByteReader.h"
#include "platform/Log.h"
#include "readers/archives/SourceStream.h"
#include "readers/details/ImageColumns.h"
#include "readers/details/StreamReader.h"

namespace {

constexpr std::array<int, 3> kPngColumns = {kImageWidthColumn, kImageHeightColumn,
                                            kImageDepthColumn};

// libpng reports an error by jumping back to ReadInfo; the handlers below and
// ReadInfo hold nothing that needs destroying, so the jump skips no clean-up.
// The error pointer is the flag the handler sets.
void OnPngError(png_structp png, png_const_charp message) {
    DebugTrace("png error: %s", message);
    *static_cast<bool*>(png_get_error_ptr(png)) = true;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// What the read callback reads from, and where the next chunk starts.
struct PngInput {
    CStreamReader* reader;
    std::uint64_t nextChunk = 8;  // behind the signature
};

// libpng reads a chunk's length and type in one read of 8 bytes. A chunk
// that declares more bytes than the stream has left is refused there, before
// libpng acts on its length; the image data's length ends the header reading
// and is never used.
void ReadPngData(png_structp png, png_bytep data, std::size_t length) {
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    CStreamReader& reader = *input->reader;
    const bool chunkHeader = length == 8 && reader.Position() == input->nextChunk;
    if (!reader.Read(data, length))
        png_error(png, "Read Error");
    if (!chunkHeader)
        return;
    const std::uint64_t size = zb::LoadBe32(data);
    input->nextChunk += 8 + size + 4;
    if (std::memcmp(data + 4, "IDAT", 4) == 0)
        return;
    const std::int64_t left = reader.Remaining();
    if (left >= 0 && size + 4 > static_cast<std::uint64_t>(left))
        png_error(png, "Chunk runs past the end of the file");
}

// Reads the signature and the chunks up to the image data; false after an error.
bool ReadInfo(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    return true;
}

}  // namespace

bool ReadPngHeader(CStreamReader& reader, CPngHeader& header) {
    header = CPngHeader();
    bool error = false;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    PngInput input{&reader};
    png_set_read_fn(png, &input, ReadPngData);
    // The header needs no ancillary chunk: libpng skips every one (reading
    // through them without keeping any), as it skips unknown chunks, so no
    // length from the file sizes an allocation.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    const bool read = ReadInfo(png, info) && !error;
    if (read) {
        header.width = png_get_image_width(png, info);
        header.height = png_get_image_height(png, info);
        header.pixelDepth = png_get_bit_depth(png, info) * png_get_channels(png, info);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return read;
}

CPngInfoProvider::CPngInfoProvider() : CFixedColumnProvider(kPngColumns) {}

BOOL CPngInfoProvider::InitExtensions() {
    m_arrExtensions = {"png"};
    return TRUE;
}

BOOL CPngInfoProvider::Reset() {
    m_header = CPngHeader();
    return TRUE;
}

BOOL CPngInfoProvider::HasColumn(int) const {
    return TRUE;
}

BOOL CPngInfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    Reset();
    CSourceStream stream;
    if (!item.OpenStream(&stream))
        return FALSE;
    CStreamReader reader(stream);
    if (!ReadPngHeader(reader, m_header))
        return FALSE;
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CPngInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED)
        return FALSE;
    CImageValues values;
    values.width = static_cast<std::int32_t>(m_header.width);
    values.height = static_cast<std::int32_t>(m_header.height);
    values.depth = m_header.pixelDepth;
    return GetImageColumnValue(id, values, value);
}
