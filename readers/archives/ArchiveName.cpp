#include "readers/archives/ArchiveName.h"

#include <cctype>
#include <vector>

#include "platform/PathUtils.h"
#include "platform/PosixFile.h"
#include "platform/TextCodec.h"

namespace {

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool MatchesVolumeExtension(std::string_view name, char letter, std::string_view rest) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.size() - dot != 4) {
        return false;
    }
    const std::string_view ext = name.substr(dot + 1);
    if (std::tolower(static_cast<unsigned char>(ext[0])) != letter) {
        return false;
    }
    const std::string_view tail = ext.substr(1);
    return EqualIgnoringAsciiCase(tail, rest) ||
           (std::isdigit(static_cast<unsigned char>(tail[0])) &&
            std::isdigit(static_cast<unsigned char>(tail[1])));
}

std::string DecodeArchiveName(std::string_view raw, bool utf8) {
    return utf8 ? std::string(raw) : zb::Cp437ToUtf8(raw);
}

std::string FindVolumeFile(const std::string& archivePath, std::string_view name) {
    const std::size_t cut = name.find_last_of("/\\");
    if (cut != std::string_view::npos) {
        name.remove_prefix(cut + 1);
    }
    if (name.empty() || name == "." || name == "..") {
        return {};
    }
    const std::size_t slash = archivePath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : archivePath.substr(0, slash);
    const std::string exact = folder + '/' + std::string(name);
    if (IsRegularFile(exact)) {
        return exact;
    }
    std::vector<std::string> entries;
    zb::ListFolderNames(folder, &entries);
    for (const std::string& entry : entries) {
        if (EqualIgnoringAsciiCase(entry, name)) {
            const std::string path = folder + '/' + entry;
            if (IsRegularFile(path)) {
                return path;
            }
        }
    }
    return {};
}
