#include "readers/details/ProviderExtensions.h"

#include <algorithm>

#include "platform/TextCase.h"

bool IsSupportedExtension(const std::vector<std::string>& extensions, std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string extension(path.substr(dot + 1));
    for (char& c : extension)
        c = AsciiLower(c);
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}
