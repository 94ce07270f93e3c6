#include "platform/DesktopIntegration.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <utility>

#include "platform/Log.h"
#include "platform/PosixFile.h"
#include "platform/TextReplace.h"
#include "platform/UserFiles.h"

namespace zb {

namespace {

constexpr const char* kFindName = "Find with Zembrolt";
constexpr const char* kUtilityName = "Zembrolt Utility...";
// The marks that tell our files from the user's.
constexpr const char* kDesktopMark = "X-Zembrolt-Integration=1\n";
constexpr const char* kScriptMark = "# zembrolt-integration\n";
constexpr const char* kThunarFolderId = "zembrolt-find-folders";
constexpr const char* kThunarArchiveId = "zembrolt-find-archives";
// The desktop entry earlier versions wrote begins so.
constexpr const char* kEarlierEntryStart =
    "[Desktop Entry]\nType=Application\nName=Find with Zembrolt\n";
constexpr const char* kEarlierEntryActions = "\nActions=FindWithZembrolt;\n";
// No file of ours, nor Thunar's action list, comes near this size.
constexpr std::size_t kMaxFileBytes = 4u << 20;
constexpr unsigned kFolderMode = 0755;
constexpr unsigned kFileMode = 0644;
constexpr unsigned kExecutableMode = 0755;

// The MIME types of one archive extension, the shared-mime-info name first.
std::vector<std::string> MimeTypesOf(const std::string& extension) {
    static const std::vector<std::pair<std::string, std::vector<std::string>>> table = {
        {"zip", {"application/zip", "application/x-zip-compressed"}},
        {"pak", {"application/x-pak"}},
        {"rar", {"application/vnd.rar", "application/x-rar"}},
        {"tgz", {"application/x-compressed-tar"}},
        {"tar", {"application/x-tar"}},
        {"tar.gz", {"application/x-compressed-tar"}},
        {"gz", {"application/gzip", "application/x-gzip"}},
        {"cab", {"application/vnd.ms-cab-compressed"}},
        {"ace", {"application/x-ace"}},
        {"arj", {"application/x-arj"}},
        {"bz", {"application/x-bzip", "application/x-bzip2"}},
        {"bz2", {"application/x-bzip", "application/x-bzip2"}},
        {"tbz", {"application/x-bzip-compressed-tar", "application/x-bzip2-compressed-tar"}},
        {"tbz2", {"application/x-bzip-compressed-tar", "application/x-bzip2-compressed-tar"}},
    };
    for (const auto& [ext, types] : table) {
        if (ext == extension)
            return types;
    }
    return {};
}

// One argument of a desktop entry's Exec line: in double quotes, with the
// characters that are special inside them escaped and '%' doubled; then the
// escapes of a desktop-entry string value.
std::string ExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    quoted += ReplaceChars(
        argument, {{'"', "\\\""}, {'`', "\\`"}, {'$', "\\$"}, {'\\', "\\\\"}, {'%', "%%"}});
    quoted += '"';
    return ReplaceChars(quoted, {{'\\', "\\\\"}, {'\n', "\\n"}, {'\r', "\\r"}, {'\t', "\\t"}});
}

// A word in single quotes for the POSIX shell.
std::string ShellQuoted(const std::string& word) {
    std::string quoted = "'";
    quoted += ReplaceChars(word, {{'\'', "'\\''"}});
    quoted += '\'';
    return quoted;
}

std::string XmlEscaped(const std::string& text) {
    return ReplaceChars(text, {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}});
}

std::string InFolder(const std::string& folder, const char* relative) {
    return folder.empty() ? std::string() : folder + "/" + relative;
}

bool HasMark(const std::string& text, const char* mark) {
    return text.find(mark) != std::string::npos;
}

// What lies at `path`: nothing, a regular file (read into `text`), or
// something else, or a file that could not be read.
enum class FileAt { kNothing, kFile, kOther };

FileAt Inspect(const std::string& path, std::string& text, unsigned* mode = nullptr) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT ? FileAt::kNothing : FileAt::kOther;
    if (!S_ISREG(info.st_mode) || !ReadWholeFile(path, kMaxFileBytes, text))
        return FileAt::kOther;
    if (mode != nullptr)
        *mode = info.st_mode & 07777;
    return FileAt::kFile;
}

// Puts `text` into the file at `path` with `mode`, unless a file that lacks
// `mark` is there. A file that already holds `text` is not written again.
bool WriteOwnFile(const std::string& path, const std::string& text, unsigned mode,
                  const char* mark) {
    if (path.empty())
        return false;
    std::string current;
    unsigned currentMode = 0;
    switch (Inspect(path, current, &currentMode)) {
        case FileAt::kNothing:
            break;
        case FileAt::kOther:
            DebugTrace("%s is not ours; left as it is", path.c_str());
            return false;
        case FileAt::kFile:
            if (!HasMark(current, mark)) {
                DebugTrace("%s is not ours; left as it is", path.c_str());
                return false;
            }
            if (current == text)
                return currentMode == mode || ::chmod(path.c_str(), mode) == 0;
            break;
    }
    if (!CreateFolders(FolderOf(path), kFolderMode) ||
        !WriteFileAtomically(path, text.data(), text.size(), mode)) {
        DebugTrace("Cannot write %s", path.c_str());
        return false;
    }
    return true;
}

// Removes the file at `path` when `isOurs` says its text is ours.
bool RemoveOwnFile(const std::string& path, const std::function<bool(const std::string&)>& isOurs) {
    std::string text;
    if (path.empty() || Inspect(path, text) != FileAt::kFile || !isOurs(text))
        return true;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        DebugTrace("Cannot remove %s", path.c_str());
        return false;
    }
    return true;
}

bool RemoveMarkedFile(const std::string& path, const char* mark) {
    return RemoveOwnFile(path, [mark](const std::string& text) { return HasMark(text, mark); });
}

bool RemoveEarlierFindEntry() {
    return RemoveOwnFile(EarlierFindEntryPath(), [](const std::string& text) {
        return text.rfind(kEarlierEntryStart, 0) == 0 && HasMark(text, kEarlierEntryActions);
    });
}

std::string BuildServiceMenu(const std::string& programPath,
                             const std::vector<std::string>& mimeTypes) {
    const std::string exec = ExecArgument(programPath) + " %f";
    std::string types = "inode/directory;";
    for (const std::string& type : mimeTypes)
        types += type + ";";
    std::string text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += std::string("Name=") + kFindName + "\n";
    text += "Comment=Search for files in this folder or archive\n";
    text += "Icon=system-search\n";
    text += "Exec=" + exec + "\n";
    text += "Terminal=false\n";
    text += "MimeType=" + types + "\n";
    text += "Actions=FindWithZembrolt;\n";
    text += "X-KDE-Priority=TopLevel\n";
    text += kDesktopMark;
    text += "\n";
    text += "[Desktop Action FindWithZembrolt]\n";
    text += std::string("Name=") + kFindName + "\n";
    text += "Icon=system-search\n";
    text += "Exec=" + exec + "\n";
    return text;
}

std::string BuildFindScript(const std::string& programPath) {
    std::string text;
    text += "#!/bin/sh\n";
    text += std::string("# ") + kFindName +
            ": searches the chosen folder or archive, or the folder shown.\n";
    text += kScriptMark;
    text += "exec " + ShellQuoted(programPath) + " \"${1:-$PWD}\"\n";
    return text;
}

std::string BuildUtilityLauncher(const std::string& programPath) {
    std::string text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += std::string("Name=") + kUtilityName + "\n";
    text += "GenericName=File Finder\n";
    text += "Comment=Find files by name, date, size and contents\n";
    text += "Icon=system-search\n";
    text += "Exec=" + ExecArgument(programPath) + "\n";
    text += "Terminal=false\n";
    text += "Categories=Utility;FileTools;\n";
    text += kDesktopMark;
    return text;
}

// One Thunar custom action, in the form Thunar writes its own.
std::string ThunarAction(const char* id, const std::string& command, const char* description,
                         const std::string& patterns, const char* fileKind) {
    std::string text;
    text += "<action>\n";
    text += "\t<icon>system-search</icon>\n";
    text += std::string("\t<name>") + kFindName + "</name>\n";
    text += "\t<submenu></submenu>\n";
    text += std::string("\t<unique-id>") + id + "</unique-id>\n";
    text += "\t<command>" + XmlEscaped(command) + "</command>\n";
    text += std::string("\t<description>") + description + "</description>\n";
    text += "\t<range></range>\n";
    text += "\t<patterns>" + XmlEscaped(patterns) + "</patterns>\n";
    text += std::string("\t<") + fileKind + "/>\n";
    text += "</action>\n";
    return text;
}

std::string BuildThunarActions(const std::string& programPath,
                               const std::vector<std::string>& archiveExtensions) {
    // Thunar puts the quoted path in place of %f and reads "%%" as '%'.
    const std::string command = ReplaceChars(ShellQuoted(programPath), {{'%', "%%"}}) + " %f";
    std::string patterns;
    for (const std::string& extension : archiveExtensions)
        patterns += (patterns.empty() ? "*." : ";*.") + extension;
    std::string text = ThunarAction(kThunarFolderId, command, "Search for files in this folder",
                                    "*", "directories");
    if (!patterns.empty())
        text += ThunarAction(kThunarArchiveId, command, "Search for files in this archive",
                             patterns, "other-files");
    return text;
}

// Thunar's action list without our actions (each with the line break after it).
std::string WithoutOurThunarActions(const std::string& xml) {
    static constexpr std::string_view kOpen = "<action>";
    static constexpr std::string_view kClose = "</action>";
    std::string kept;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t start = xml.find(kOpen, pos);
        if (start == std::string::npos)
            break;
        std::size_t end = xml.find(kClose, start);
        if (end == std::string::npos)
            break;
        end += kClose.size();
        const std::string_view block(xml.data() + start, end - start);
        const bool ours =
            block.find(std::string("<unique-id>") + kThunarFolderId + "</unique-id>") !=
                std::string_view::npos ||
            block.find(std::string("<unique-id>") + kThunarArchiveId + "</unique-id>") !=
                std::string_view::npos;
        if (ours) {
            kept.append(xml, pos, start - pos);
            if (end < xml.size() && xml[end] == '\n')
                ++end;
        } else {
            kept.append(xml, pos, end - pos);
        }
        pos = end;
    }
    kept.append(xml, pos, std::string::npos);
    return kept;
}

// The first Thunar action list in $XDG_CONFIG_DIRS (default /etc/xdg), or empty.
std::string SystemThunarActionsPath() {
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    const std::string list = dirs != nullptr && dirs[0] != '\0' ? dirs : "/etc/xdg";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string folder = list.substr(start, end - start);
        if (!folder.empty() && folder[0] == '/') {
            const std::string path = folder + "/Thunar/uca.xml";
            struct stat info {};
            if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
                return path;
        }
        start = end + 1;
    }
    return {};
}

bool RegisterThunarActions(const std::string& programPath,
                           const std::vector<std::string>& archiveExtensions) {
    const std::string path = ThunarActionsPath();
    if (path.empty())
        return false;
    std::string current;
    unsigned mode = kFileMode;
    std::string base;
    switch (Inspect(path, current, &mode)) {
        case FileAt::kFile:
            base = current;
            break;
        case FileAt::kOther:
            return false;
        case FileAt::kNothing: {
            // Without an action list of its own, Thunar shows the system's
            // defaults; ours go into a copy of them so they stay offered.
            const std::string systemPath = SystemThunarActionsPath();
            if (systemPath.empty())
                return true;  // no Thunar here
            if (!ReadWholeFile(systemPath, kMaxFileBytes, base))
                return false;
            break;
        }
    }
    std::string updated = WithoutOurThunarActions(base);
    const std::size_t close = updated.rfind("</actions>");
    if (close == std::string::npos) {
        DebugTrace("%s holds no action list; left as it is", path.c_str());
        return false;
    }
    updated.insert(close, BuildThunarActions(programPath, archiveExtensions));
    if (updated == current)
        return true;
    if (!CreateFolders(FolderOf(path), kFolderMode) ||
        !WriteFileAtomically(path, updated.data(), updated.size(), mode)) {
        DebugTrace("Cannot write %s", path.c_str());
        return false;
    }
    return true;
}

bool UnregisterThunarActions() {
    const std::string path = ThunarActionsPath();
    std::string current;
    unsigned mode = kFileMode;
    if (path.empty() || Inspect(path, current, &mode) != FileAt::kFile)
        return true;
    const std::string kept = WithoutOurThunarActions(current);
    if (kept == current)
        return true;
    // What is left of the copy registration made of the system's defaults is
    // those defaults again: without it Thunar shows the same actions.
    std::string system;
    const std::string systemPath = SystemThunarActionsPath();
    if (!systemPath.empty() && ReadWholeFile(systemPath, kMaxFileBytes, system) && system == kept) {
        if (::unlink(path.c_str()) == 0 || errno == ENOENT)
            return true;
        DebugTrace("Cannot remove %s", path.c_str());
        return false;
    }
    if (!WriteFileAtomically(path, kept.data(), kept.size(), mode)) {
        DebugTrace("Cannot write %s", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string FindServiceMenuPath() {
    return InFolder(UserDataHome(), "kio/servicemenus/zembrolt-find.desktop");
}

std::string FindScriptPath() {
    return InFolder(UserDataHome(), "nautilus/scripts/Find with Zembrolt");
}

std::string ThunarActionsPath() {
    return InFolder(UserConfigHome(), "Thunar/uca.xml");
}

std::string UtilityLauncherPath() {
    return InFolder(UserDataHome(), "applications/zembrolt-utility.desktop");
}

std::string EarlierFindEntryPath() {
    return InFolder(UserDataHome(), "applications/zembrolt-find.desktop");
}

std::vector<std::string> ArchiveMimeTypes(const std::vector<std::string>& extensions) {
    std::vector<std::string> mimeTypes;
    for (const std::string& extension : extensions) {
        for (const std::string& type : MimeTypesOf(extension)) {
            if (std::find(mimeTypes.begin(), mimeTypes.end(), type) == mimeTypes.end())
                mimeTypes.push_back(type);
        }
    }
    return mimeTypes;
}

bool RegisterFindActions(const std::string& programPath,
                         const std::vector<std::string>& archiveExtensions) {
    // Every piece is tried, whatever became of the others.
    bool ok = RemoveEarlierFindEntry();
    ok = WriteOwnFile(FindServiceMenuPath(),
                      BuildServiceMenu(programPath, ArchiveMimeTypes(archiveExtensions)),
                      kExecutableMode, kDesktopMark) &&
         ok;
    ok = WriteOwnFile(FindScriptPath(), BuildFindScript(programPath), kExecutableMode,
                      kScriptMark) &&
         ok;
    ok = RegisterThunarActions(programPath, archiveExtensions) && ok;
    return ok;
}

bool UnregisterFindActions() {
    bool ok = RemoveEarlierFindEntry();
    ok = RemoveMarkedFile(FindServiceMenuPath(), kDesktopMark) && ok;
    ok = RemoveMarkedFile(FindScriptPath(), kScriptMark) && ok;
    ok = UnregisterThunarActions() && ok;
    return ok;
}

bool RegisterUtilityLauncher(const std::string& programPath) {
    return WriteOwnFile(UtilityLauncherPath(), BuildUtilityLauncher(programPath), kFileMode,
                        kDesktopMark);
}

bool UpdateUtilityLauncher(const std::string& programPath) {
    std::string text;
    if (Inspect(UtilityLauncherPath(), text) != FileAt::kFile || !HasMark(text, kDesktopMark))
        return true;
    return RegisterUtilityLauncher(programPath);
}

bool UnregisterUtilityLauncher() {
    return RemoveMarkedFile(UtilityLauncherPath(), kDesktopMark);
}

}  // namespace zb
