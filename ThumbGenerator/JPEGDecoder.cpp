#include "ThumbGenerator/JPEGDecoder.h"

#include <algorithm>
#include <vector>

#include "ThumbGenerator/JpegLibrary.h"
#include "ThumbGenerator/TextException.h"

void CJPEGDecoder::DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>&, int& bpp,
                            CImageSource& source) {
    CJpegDecompressor jpeg(source.Deadline(), source.GetNotifier());
    jpeg_decompress_struct& info = jpeg.Info();
    // libjpeg reads the rest of the data in place; past its end it finds an
    // end-of-image marker.
    if (!jpeg.SetMemorySource(source.GetCurrentPtr(), source.GetBytesLeft()) || !jpeg.ReadHeader())
        RaiseDecoderError(kErrCannotHandle, jpeg.Message());
    if (m_fast)
        info.do_fancy_upsampling = FALSE;
    info.dct_method = JDCT_FLOAT;
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGRX;

    ChooseTargetBpp(grey ? 8 : 24, bpp);
    if (bpp != (grey ? 8 : 32))
        RaiseDecoderError(kErrUnsupported, "JPEG decoder: Unsupported bits per pixel requested.");
    // The size is checked before libjpeg allocates anything for it.
    bitmap.Create(static_cast<int>(std::min<JDIMENSION>(info.image_width, 1u << 30)),
                  static_cast<int>(std::min<JDIMENSION>(info.image_height, 1u << 30)), bpp, false);
    if (!jpeg.Start())
        RaiseDecoderError(kErrCannotHandle, jpeg.Message());
    if (info.output_width != static_cast<JDIMENSION>(bitmap.GetWidth()) ||
        info.output_height != static_cast<JDIMENSION>(bitmap.GetHeight()))
        RaiseDecoderError(kErrCannotHandle, "JPEG decoder: Unexpected output size.");

    CBitmapWriteLock lock(bitmap);
    BYTE** rows = bitmap.GetLineArray();
    if (cmyk) {
        std::vector<BYTE> line(static_cast<std::size_t>(info.output_width) * 4);
        JSAMPROW lineRow = line.data();
        for (int y = 0; y < bitmap.GetHeight(); ++y) {
            if (!jpeg.ReadRows(&lineRow, 1))
                RaiseDecoderError(kErrCannotHandle, jpeg.Message());
            jpeg.CmykToBgrx(line.data(), rows[y], info.output_width);
        }
    } else if (!jpeg.ReadRows(rows, info.output_height)) {
        RaiseDecoderError(kErrCannotHandle, jpeg.Message());
    }
    if (!jpeg.Finish())
        RaiseDecoderError(kErrCannotHandle, jpeg.Message());
}
