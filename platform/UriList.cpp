#include "platform/UriList.h"

#include <cctype>

#include "platform/HexDigit.h"
#include "platform/Trash.h"

std::string EncodeFileUri(std::string_view path) {
    return "file://" + zb::EncodeTrashPath(path);
}

std::string DecodeFileUri(std::string_view uri) {
    constexpr std::string_view kScheme = "file://";
    if (uri.size() < kScheme.size())
        return {};
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(uri[i])) != kScheme[i])
            return {};
    }
    uri.remove_prefix(kScheme.size());
    if (uri.substr(0, 9) == "localhost")
        uri.remove_prefix(9);
    if (uri.empty() || uri.front() != '/')
        return {};
    std::string path;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        char c = uri[i];
        if (c == '%') {
            const int high = i + 1 < uri.size() ? HexDigitValue(uri[i + 1]) : -1;
            const int low = i + 2 < uri.size() ? HexDigitValue(uri[i + 2]) : -1;
            if (high < 0 || low < 0)
                return {};
            c = static_cast<char>(high * 16 + low);
            i += 2;
        }
        if (c == '\0')
            return {};
        path += c;
    }
    return path;
}

std::string MakeUriList(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths)
        list += EncodeFileUri(path) + "\r\n";
    return list;
}

std::vector<std::string> ParseUriList(std::string_view bytes) {
    std::vector<std::string> paths;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        std::string path = DecodeFileUri(line);
        if (!path.empty())
            paths.push_back(std::move(path));
    }
    return paths;
}
