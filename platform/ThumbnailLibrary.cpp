#include "platform/ThumbnailLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace {

std::string ProgramFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0)
        return std::string();
    const std::string path(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

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
        const std::string folder = m_folder.empty() ? ProgramFolder() : m_folder;
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
