#include "ThumbGenerator/GIFDecoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "ThumbGenerator/TextException.h"

namespace {

int ReadGif(GifFileType* gif, GifByteType* out, int count) {
    auto* source = static_cast<CImageSource*>(gif->UserData);
    if (count <= 0)
        return 0;
    const std::size_t available = std::min(static_cast<std::size_t>(count), source->GetBytesLeft());
    std::memcpy(out, source->TakeBytes(available), available);
    return static_cast<int>(available);
}

class CGifFile {
public:
    explicit CGifFile(CImageSource& source) {
        int error = 0;
        m_gif = DGifOpen(&source, ReadGif, &error);
    }
    ~CGifFile() {
        int error = 0;
        if (m_gif != nullptr)
            DGifCloseFile(m_gif, &error);
    }
    CGifFile(const CGifFile&) = delete;
    CGifFile& operator=(const CGifFile&) = delete;

    GifFileType* Get() const { return m_gif; }

private:
    GifFileType* m_gif = nullptr;
};

void CopyColourMap(const ColorMapObject* map, RGBQUAD* palette) {
    const int count = std::min(map->ColorCount, 256);
    for (int i = 0; i < count; ++i) {
        const GifColorType& c = map->Colors[i];
        palette[i] = RGBQUAD{c.Blue, c.Green, c.Red, 255};
    }
}

// Decodes the lines of the image just described and copies the part inside
// the canvas. False when giflib fails.
bool ReadImageLines(GifFileType* gif, CImageBitmap& canvas, std::vector<GifPixelType>& line,
                    const CImageSource& source) {
    const GifImageDesc& image = gif->Image;
    static const int kPassStart[] = {0, 4, 2, 1};
    static const int kPassStep[] = {8, 8, 4, 2};
    const int passes = image.Interlace ? 4 : 1;
    line.resize(static_cast<std::size_t>(image.Width));
    const int left = image.Left;
    const int copyEnd = std::min(left + image.Width, canvas.GetWidth());
    for (int pass = 0; pass < passes; ++pass) {
        const int start = image.Interlace ? kPassStart[pass] : 0;
        const int step = image.Interlace ? kPassStep[pass] : 1;
        for (int row = start; row < image.Height; row += step) {
            source.CheckTimeBudget();
            if (DGifGetLine(gif, line.data(), image.Width) == GIF_ERROR)
                return false;
            const int y = image.Top + row;
            if (y < canvas.GetHeight() && copyEnd > left)
                std::memcpy(canvas.GetLineArray()[y] + left, line.data(),
                            static_cast<std::size_t>(copyEnd - left));
        }
    }
    return true;
}

}  // namespace

void CGIFDecoder::DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                           CImageSource& source) {
    CGifFile file(source);
    GifFileType* gif = file.Get();
    if (gif == nullptr)
        throw CTextException(kErrFileNotFound, "Failed in opening");
    ChooseTargetBpp(8, bpp);
    if (bpp != 8)
        RaiseDecoderError(kErrUnsupported, "GIF decoder: Only 8 bits per pixel can be made.");
    // The image data behind the screen descriptor must be able to fill the screen.
    source.RequireCompressedBytes(
        static_cast<std::uint64_t>(gif->SWidth) * static_cast<std::uint64_t>(gif->SHeight),
        kMaxLzwExpansion);
    bitmap.Create(gif->SWidth, gif->SHeight, 8, false);
    CBitmapWriteLock lock(bitmap);
    for (int y = 0; y < bitmap.GetHeight(); ++y)
        std::memset(bitmap.GetLineArray()[y], gif->SBackGroundColor,
                    static_cast<std::size_t>(bitmap.GetWidth()));

    // The palette: the global colour map, else the local map of the image
    // read last (else the bitmap keeps its grey ramp).
    work.assign(256, RGBQUAD{});
    bool localMap = false;
    std::vector<GifPixelType> line;
    std::int64_t decodedPixels = 0;
    int images = 0;
    // A giflib error ends the reading; what was drawn so far stays.
    for (bool reading = true; reading;) {
        source.CheckTimeBudget();
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            break;
        switch (type) {
            case IMAGE_DESC_RECORD_TYPE: {
                if (++images > kMaxImages || DGifGetImageDesc(gif) == GIF_ERROR) {
                    reading = false;
                    break;
                }
                const GifImageDesc& image = gif->Image;
                if (image.ColorMap != nullptr) {
                    CopyColourMap(image.ColorMap, work.data());
                    localMap = true;
                }
                if (image.Left + image.Width > gif->SWidth ||
                    image.Top + image.Height > gif->SHeight)
                    DecoderTrace(2, "Image " + std::to_string(images) +
                                        " is not confined to screen dimension, aborted.\n");
                decodedPixels += std::int64_t{image.Width} * image.Height;
                if (decodedPixels > kMaxDecodedPixels || !ReadImageLines(gif, bitmap, line, source))
                    reading = false;
                break;
            }
            case EXTENSION_RECORD_TYPE: {
                int code = 0;
                GifByteType* extension = nullptr;
                if (DGifGetExtension(gif, &code, &extension) == GIF_ERROR) {
                    reading = false;
                    break;
                }
                while (extension != nullptr) {
                    if (DGifGetExtensionNext(gif, &extension) == GIF_ERROR) {
                        reading = false;
                        break;
                    }
                }
                break;
            }
            default:
                reading = false;
                break;
        }
    }
    if (gif->SColorMap != nullptr)
        CopyColourMap(gif->SColorMap, work.data());
    if (gif->SColorMap != nullptr || localMap)
        bitmap.SetPalette(work.data());
}
