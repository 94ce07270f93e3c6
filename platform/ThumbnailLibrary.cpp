#include "platform/ThumbnailLibrary.h"

#include <dlfcn.h>

#include "platform/PathUtils.h"

namespace zb {

CThumbnailLibrary::CThumbnailLibrary(std::string folder) : m_folder(std::move(folder)) {}

CThumbnailLibrary::~CThumbnailLibrary() {
    if (m_module != nullptr)
        dlclose(m_module);
}

int CThumbnailLibrary::GenerateThumbnail(const std::string& path, int maxWidth, int maxHeight,
                                         HBITMAP* out) {
    if (out == nullptr)
        return 0;
    *out = nullptr;
    if (m_module == nullptr) {
        // An absolute path, so the library is never taken from the search path.
        const std::string folder = m_folder.empty() ? GetProgramFolder() : m_folder;
        if (folder.empty())
            return 0;
        m_module = dlopen((folder + "/" + kThumbnailLibraryName).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_module == nullptr)
            return 0;
    }
    if (m_generate == nullptr) {
        m_generate =
            reinterpret_cast<PFN_GENERATETHUMBNAIL>(dlsym(m_module, kGenerateThumbnailExport));
        if (m_generate == nullptr)
            return 0;
    }
    if (m_generate(path.c_str(), maxWidth, maxHeight, out) == 0) {
        *out = nullptr;
        return 0;
    }
    return *out != nullptr ? 1 : 0;
}

}  // namespace zb
