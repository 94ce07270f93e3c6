// Runs arbitrary bytes through the thumbnail library's export as a file of
// every routed kind: the first byte picks the extension (and with it the
// route: the picture loader, a decoder, the JPEG route or none), the second
// the box, the rest is the file. A JPEG file also goes through the direct
// libjpeg decoding, which the export reaches only where the loader refuses.
#include <QGuiApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ThumbGenerator/ThumbGenerator.h"
#include "platform/PosixFile.h"

namespace {

constexpr const char* kExtensions[] = {"jpg", "jpeg", "gif",  "bmp", "dib", "rle",  "ico",
                                       "png", "tif",  "tiff", "pic", "pct", "pict", "pcx",
                                       "tga", "pgm",  "wmf",  "emf", "txt"};

// The input file in a private folder under $TMPDIR, removed at exit.
class CInputFile {
public:
    CInputFile() {
        const char* temp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") + "/zbthumb-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr)
            m_folder = pattern;
    }
    ~CInputFile() {
        if (!m_path.empty())
            unlink(m_path.c_str());
        if (!m_folder.empty())
            rmdir(m_folder.c_str());
    }
    CInputFile(const CInputFile&) = delete;
    CInputFile& operator=(const CInputFile&) = delete;

    // The path of the bytes written under `extension`; empty on failure.
    std::string Write(const char* extension, const std::uint8_t* data, std::size_t size) {
        if (m_folder.empty())
            return std::string();
        if (!m_path.empty())
            unlink(m_path.c_str());
        m_path = m_folder + "/input." + extension;
        const zb::UniqueFd file(
            open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        return file.Get() >= 0 && zb::WriteAll(file.Get(), data, size) ? m_path : std::string();
    }

private:
    std::string m_folder;
    std::string m_path;
};

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
    static CInputFile input;
    const char* extension = kExtensions[data[0] % std::size(kExtensions)];
    const std::string path = input.Write(extension, data + 2, size - 2);
    if (path.empty())
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
