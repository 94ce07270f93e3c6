// Runs arbitrary bytes through the thumbnail library's export as a file of
// every routed kind: the first byte picks the extension (and with it the
// route: the picture loader, a decoder, the JPEG route or none), the second
// the box, the rest is the file. A JPEG file also goes through the direct
// libjpeg decoding, which the export reaches only where the loader refuses.
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzTempFile.h"
#include "ThumbGenerator/ThumbGenerator.h"

namespace {

constexpr const char* kExtensions[] = {"jpg", "jpeg", "gif",  "bmp", "dib", "rle",  "ico",
                                       "png", "tif",  "tiff", "pic", "pct", "pict", "pcx",
                                       "tga", "pgm",  "wmf",  "emf", "txt"};

// The program calls the library inside its application: metafile text needs
// the font database.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "ThumbnailExportFuzz";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication application(argc, argv);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    EnsureApplication();
    const char* extension = kExtensions[data[0] % std::size(kExtensions)];
    const std::string& path = zbfuzz::FuzzFilePath(std::string(".") + extension);
    if (!zbfuzz::WriteFuzzFile(path, data + 2, size - 2))
        return 0;
    // Boxes from 1 x 1 to 241 x 241, of every shape.
    const int width = 1 + (data[1] & 0x0F) * 16;
    const int height = 1 + (data[1] >> 4) * 16;
    HBITMAP bitmap = nullptr;
    if (GenerateThumbnail(path.c_str(), width, height, &bitmap) != 0)
        DeleteObject(bitmap);
    if (extension[0] == 'j')
        JpegFileToRGB(path.c_str(), QSize(width, height));
    return 0;
}
