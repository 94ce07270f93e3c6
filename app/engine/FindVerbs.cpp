#include "app/engine/FindVerbs.h"

#include <algorithm>
#include <utility>

#include "app/engine/ProgramKey.h"
#include "app/engine/UserFiles.h"
#include "platform/Log.h"
#include "platform/PosixFile.h"
#include "platform/Registry.h"

namespace {

// Creates <parent>\<subKey>\shell\Find with Zembrolt\command below
// HKEY_CLASSES_ROOT and sets its default value to the command text.
LONG WriteVerbCommand(const std::string& classKey, const std::string& command) {
    CRegKey key;
    LONG status =
        key.Create(HKEY_CLASSES_ROOT, classKey + "\\shell\\" + kFindVerbName + "\\command");
    if (status != ERROR_SUCCESS)
        return status;
    return key.SetString("", command);
}

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

// One argument of an Exec line: in double quotes, with the characters that
// are special inside them escaped, and '%' doubled.
std::string QuoteExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

// A desktop-entry string value: backslashes and control characters escaped.
std::string EscapeDesktopValue(const std::string& value) {
    std::string escaped;
    for (const char c : value) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                escaped += c;
                break;
        }
    }
    return escaped;
}

}  // namespace

std::string GetFindVerbCommand(const std::string& programPath) {
    return "\"" + programPath + "\" /idList:%I,%L";
}

BOOL RegisterFolderFindVerb(const std::string& programPath) {
    return WriteVerbCommand("Folder", GetFindVerbCommand(programPath)) == ERROR_SUCCESS ? TRUE
                                                                                        : FALSE;
}

int RegisterArchiveFindVerbs(const std::string& programPath,
                             const std::vector<std::string>& extensions) {
    const std::string command = GetFindVerbCommand(programPath);
    int written = 0;
    for (const std::string& extension : extensions) {
        CRegKey extensionKey;
        if (extensionKey.Create(HKEY_CLASSES_ROOT, "." + extension) != ERROR_SUCCESS)
            continue;
        std::string fileType;
        if (QueryLimitedString(extensionKey, "", kMaxRegTextRead, fileType) != ERROR_SUCCESS ||
            fileType.empty())
            continue;
        if (WriteVerbCommand(fileType, command) == ERROR_SUCCESS)
            ++written;
    }
    return written;
}

std::vector<std::string> GetArchiveMimeTypes(const std::vector<std::string>& extensions) {
    std::vector<std::string> mimeTypes;
    for (const std::string& extension : extensions) {
        for (const std::string& type : MimeTypesOf(extension)) {
            if (std::find(mimeTypes.begin(), mimeTypes.end(), type) == mimeTypes.end())
                mimeTypes.push_back(type);
        }
    }
    return mimeTypes;
}

std::string GetFindDesktopEntryPath() {
    const std::string dataHome = zb::UserDataHome();
    if (dataHome.empty())
        return {};
    return dataHome + "/applications/" + kFindDesktopEntryName;
}

std::string BuildFindDesktopEntry(const std::string& programPath,
                                  const std::vector<std::string>& mimeTypes) {
    const std::string exec = EscapeDesktopValue(QuoteExecArgument(programPath) + " %f");
    std::string mimeList = "inode/directory;";
    for (const std::string& type : mimeTypes)
        mimeList += type + ";";
    std::string text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += std::string("Name=") + kFindVerbName + "\n";
    text += "Comment=Search for files in this folder or archive\n";
    text += "Icon=system-search\n";
    text += "Exec=" + exec + "\n";
    text += "Terminal=false\n";
    // Offered for folders and archives only, never listed in the menus.
    text += "NoDisplay=true\n";
    text += "MimeType=" + mimeList + "\n";
    text += "Actions=FindWithZembrolt;\n";
    text += "\n";
    text += "[Desktop Action FindWithZembrolt]\n";
    text += std::string("Name=") + kFindVerbName + "\n";
    text += "Exec=" + exec + "\n";
    return text;
}

BOOL WriteFindDesktopEntry(const std::string& programPath,
                           const std::vector<std::string>& extensions) {
    const std::string path = GetFindDesktopEntryPath();
    if (path.empty())
        return FALSE;
    const std::string folder = path.substr(0, path.find_last_of('/'));
    const std::string text = BuildFindDesktopEntry(programPath, GetArchiveMimeTypes(extensions));
    if (!zb::CreateFolders(folder, 0755) || !zb::WriteFileAtomically(path, text, 0644)) {
        DebugTrace("Cannot write %s", path.c_str());
        return FALSE;
    }
    return TRUE;
}
