#pragma once
// The program's side of the thumbnail library: it is loaded by file name at
// run time, from the program's own folder, and its one export turns an image
// file into a bitmap fitted into a box. The program works without it (no
// image thumbnails).

#include <string>

#include "platform/BitmapImage.h"

namespace zb {

extern "C" {
// The export: 1 with a new bitmap in *out that the caller owns (free it with
// DeleteObject), or 0 with nothing left behind.
typedef int (*PFN_GENERATETHUMBNAIL)(const char* path, int maxWidth, int maxHeight, HBITMAP* out);
}

constexpr const char* kThumbnailLibraryName = "libzbthumb.so";
constexpr const char* kGenerateThumbnailExport = "fn_b_GenerateThumbnail";

class CThumbnailLibrary {
public:
    // Looks for the library in `folder`; empty: the folder of the running program.
    explicit CThumbnailLibrary(std::string folder = std::string());
    ~CThumbnailLibrary();
    CThumbnailLibrary(const CThumbnailLibrary&) = delete;
    CThumbnailLibrary& operator=(const CThumbnailLibrary&) = delete;

    // Loads the library on first use (a failed load is tried again at the next
    // call), binds the export once, and calls it. 1 with a bitmap the caller
    // owns in *out; 0 when the library or its export is missing or the image
    // gives no thumbnail.
    int GenerateThumbnail(const std::string& path, int maxWidth, int maxHeight, HBITMAP* out);

    bool IsLoaded() const { return m_module != nullptr; }

private:
    std::string m_folder;
    void* m_module = nullptr;
    PFN_GENERATETHUMBNAIL m_generate = nullptr;
};

}  // namespace zb
