#include "platform/DesktopEntry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "platform/PathUtils.h"
#include "platform/PosixFile.h"
#include "platform/UriList.h"
#include "platform/UserFiles.h"

namespace zb {
namespace {

constexpr std::size_t kMaxDesktopFileBytes = 1 << 20;
// Folders below applications/ are followed this deep.
constexpr int kMaxApplicationDepth = 8;

using Group = std::map<std::string, std::string>;
using IniFile = std::map<std::string, Group>;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool ReadIniFile(const std::string& path, IniFile* out) {
    std::string bytes;
    if (!ReadWholeFile(path, kMaxDesktopFileBytes, bytes))
        return false;
    std::string group;
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = Trim(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            group = std::string(line.substr(1, line.size() - 2));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || group.empty())
            continue;
        const std::string key(Trim(line.substr(0, equals)));
        // The first value of a key holds.
        (*out)[group].emplace(key, std::string(Trim(line.substr(equals + 1))));
    }
    return true;
}

// The entries of a ';'-separated list.
std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> items;
    while (!text.empty()) {
        const std::size_t end = text.find(';');
        const std::string_view item = Trim(text.substr(0, end));
        if (!item.empty())
            items.emplace_back(item);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return items;
}

// Undoes the escapes of a string value: \s \n \t \r \\.
std::string UnescapeValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\';
                out += value[i];
                break;
        }
    }
    return out;
}

std::vector<std::string> SplitPathList(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    std::string_view text = value && *value ? value : fallback;
    std::vector<std::string> folders;
    while (!text.empty()) {
        const std::size_t end = text.find(':');
        std::string folder(text.substr(0, end));
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (!folder.empty() && folder.front() == '/')
            folders.push_back(std::move(folder));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return folders;
}

// The applications folders, the user's first.
std::vector<std::string> ApplicationFolders() {
    std::vector<std::string> folders;
    const std::string home = UserDataHome();
    if (!home.empty())
        folders.push_back(home + "/applications");
    for (const std::string& folder : SplitPathList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        folders.push_back(folder + "/applications");
    return folders;
}

// The mimeapps.list files, the one that decides first.
std::vector<std::string> MimeAppsLists() {
    std::vector<std::string> files;
    const std::string config = UserConfigHome();
    if (!config.empty())
        files.push_back(config + "/mimeapps.list");
    for (const std::string& folder : SplitPathList("XDG_CONFIG_DIRS", "/etc/xdg"))
        files.push_back(folder + "/mimeapps.list");
    for (const std::string& folder : ApplicationFolders())
        files.push_back(folder + "/mimeapps.list");
    return files;
}

// Every desktop file below `folder`, by id; an id already known keeps its
// first file.
void CollectDesktopFiles(const std::string& folder, const std::string& prefix, int depth,
                         std::map<std::string, std::string>* files) {
    // A folder that cannot be read to its end gives the names read before.
    std::vector<std::string> names;
    ListFolderNames(folder, &names);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            if (depth < kMaxApplicationDepth)
                CollectDesktopFiles(path, prefix + name + "-", depth + 1, files);
        } else if (S_ISREG(st.st_mode) && name.size() > 8 &&
                   name.compare(name.size() - 8, 8, ".desktop") == 0) {
            files->emplace(prefix + name, path);
        }
    }
}

bool IsTrue(const Group& group, const char* key) {
    const auto it = group.find(key);
    return it != group.end() && it->second == "true";
}

std::string ValueOf(const Group& group, const char* key) {
    const auto it = group.find(key);
    return it == group.end() ? std::string() : it->second;
}

void AddUnique(std::vector<std::string>* ids, const std::string& id,
               const std::set<std::string>& removed) {
    if (!removed.count(id) && std::find(ids->begin(), ids->end(), id) == ids->end())
        ids->push_back(id);
}

// The ids of the applications for one MIME type, best first.
std::vector<std::string> ApplicationIdsForType(const std::string& type,
                                               const std::vector<IniFile>& lists,
                                               const std::vector<DesktopApplication>& installed) {
    std::vector<std::string> ids;
    std::set<std::string> removed;
    for (const char* section : {"Default Applications", "Added Associations"}) {
        std::set<std::string> removedSoFar;
        for (const IniFile& list : lists) {
            const auto group = list.find(section);
            if (group != list.end()) {
                for (const std::string& id : SplitList(ValueOf(group->second, type.c_str())))
                    AddUnique(&ids, id, removedSoFar);
            }
            const auto gone = list.find("Removed Associations");
            if (gone != list.end()) {
                for (const std::string& id : SplitList(ValueOf(gone->second, type.c_str())))
                    removedSoFar.insert(id);
            }
        }
        removed.insert(removedSoFar.begin(), removedSoFar.end());
    }
    for (const DesktopApplication& application : installed) {
        if (std::find(application.mimeTypes.begin(), application.mimeTypes.end(), type) !=
            application.mimeTypes.end())
            AddUnique(&ids, application.id, removed);
    }
    return ids;
}

struct ExecToken {
    std::string text;
    bool quoted = false;
};

bool SplitExec(std::string_view exec, std::vector<ExecToken>* tokens) {
    ExecToken current;
    bool inToken = false;
    bool inQuotes = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (inQuotes) {
            if (c == '"') {
                inQuotes = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                current.text += exec[++i];
            } else {
                current.text += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inToken)
                tokens->push_back(std::move(current));
            current = ExecToken();
            inToken = false;
        } else if (c == '"') {
            inQuotes = true;
            inToken = true;
            current.quoted = true;
        } else {
            current.text += c;
            inToken = true;
        }
    }
    if (inQuotes)
        return false;
    if (inToken)
        tokens->push_back(std::move(current));
    return !tokens->empty();
}

}  // namespace

bool ReadDesktopApplication(const std::string& path, std::string id, DesktopApplication* out) {
    IniFile file;
    if (!ReadIniFile(path, &file))
        return false;
    const auto found = file.find("Desktop Entry");
    if (found == file.end())
        return false;
    const Group& entry = found->second;
    if (ValueOf(entry, "Type") != "Application" || IsTrue(entry, "Hidden") ||
        IsTrue(entry, "Terminal") || ValueOf(entry, "Exec").empty())
        return false;
    const std::string tryExec = UnescapeValue(ValueOf(entry, "TryExec"));
    if (!tryExec.empty() && FindProgram(tryExec).empty())
        return false;
    out->id = std::move(id);
    out->path = path;
    out->name = UnescapeValue(ValueOf(entry, "Name"));
    out->exec = ValueOf(entry, "Exec");
    out->icon = UnescapeValue(ValueOf(entry, "Icon"));
    out->mimeTypes = SplitList(ValueOf(entry, "MimeType"));
    return true;
}

std::vector<DesktopApplication> FindApplicationsForTypes(
    const std::vector<std::vector<std::string>>& typeChains) {
    if (typeChains.empty())
        return {};
    std::map<std::string, std::string> files;
    for (const std::string& folder : ApplicationFolders())
        CollectDesktopFiles(folder, "", 0, &files);
    std::vector<DesktopApplication> installed;
    std::map<std::string, std::size_t> byId;
    for (const auto& [id, path] : files) {
        DesktopApplication application;
        if (ReadDesktopApplication(path, id, &application)) {
            byId[id] = installed.size();
            installed.push_back(std::move(application));
        }
    }
    std::vector<IniFile> lists;
    for (const std::string& path : MimeAppsLists()) {
        IniFile list;
        if (ReadIniFile(path, &list))
            lists.push_back(std::move(list));
    }
    // Each file's applications, best first; the result keeps the first
    // file's order and only the applications every file has.
    std::vector<std::vector<std::string>> perFile;
    for (const std::vector<std::string>& chain : typeChains) {
        std::vector<std::string> ids;
        for (const std::string& type : chain) {
            for (const std::string& id : ApplicationIdsForType(type, lists, installed))
                AddUnique(&ids, id, {});
        }
        perFile.push_back(std::move(ids));
    }
    std::vector<DesktopApplication> result;
    for (const std::string& id : perFile.front()) {
        const auto it = byId.find(id);
        if (it == byId.end())
            continue;
        const bool everyFile = std::all_of(
            perFile.begin() + 1, perFile.end(),
            [&](const auto& ids) { return std::find(ids.begin(), ids.end(), id) != ids.end(); });
        if (everyFile)
            result.push_back(installed[it->second]);
    }
    return result;
}

bool ExpandDesktopExec(std::string_view exec, const DesktopApplication& application,
                       const std::vector<std::string>& files,
                       std::vector<std::vector<std::string>>* commands) {
    commands->clear();
    std::vector<ExecToken> tokens;
    if (!SplitExec(UnescapeValue(exec), &tokens))
        return false;
    bool single = false;
    for (const ExecToken& token : tokens) {
        if (!token.quoted && (token.text.find("%f") != std::string::npos ||
                              token.text.find("%u") != std::string::npos))
            single = true;
    }
    const std::size_t runs = single && files.size() > 1 ? files.size() : 1;
    for (std::size_t run = 0; run < runs; ++run) {
        const std::string* file = single && !files.empty() ? &files[run] : nullptr;
        std::vector<std::string> argv;
        for (const ExecToken& token : tokens) {
            if (!token.quoted && (token.text == "%F" || token.text == "%U")) {
                for (const std::string& each : files)
                    argv.push_back(token.text == "%F" ? each : EncodeFileUri(each));
                continue;
            }
            if (!token.quoted && token.text == "%i") {
                if (!application.icon.empty()) {
                    argv.emplace_back("--icon");
                    argv.push_back(application.icon);
                }
                continue;
            }
            const bool deprecated =
                token.text.size() == 2 && token.text[0] == '%' &&
                std::string_view("dDnNvm").find(token.text[1]) != std::string_view::npos;
            if (!token.quoted &&
                (deprecated || ((token.text == "%f" || token.text == "%u") && !file)))
                continue;
            std::string arg;
            const std::string& text = token.text;
            for (std::size_t i = 0; i < text.size(); ++i) {
                if (text[i] != '%' || i + 1 == text.size()) {
                    arg += text[i];
                    continue;
                }
                const char code = text[i + 1];
                if (code == '%') {
                    arg += '%';
                    ++i;
                    continue;
                }
                if (token.quoted) {
                    arg += '%';
                    continue;
                }
                ++i;
                switch (code) {
                    case 'f':
                        if (file)
                            arg += *file;
                        break;
                    case 'u':
                        if (file)
                            arg += EncodeFileUri(*file);
                        break;
                    case 'c':
                        arg += application.name;
                        break;
                    case 'k':
                        arg += application.path;
                        break;
                    case 'd':
                    case 'D':
                    case 'n':
                    case 'N':
                    case 'v':
                    case 'm':
                        break;
                    default:
                        return false;  // %F, %U or %i inside an argument, or no code at all
                }
            }
            argv.push_back(std::move(arg));
        }
        if (argv.empty() || argv.front().empty())
            return false;
        commands->push_back(std::move(argv));
    }
    return true;
}

std::string FindProgram(const std::string& program) {
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
    const char* path = std::getenv("PATH");
    std::string_view folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        const std::size_t end = folders.find(':');
        const std::string folder(folders.substr(0, end));
        folders = end == std::string_view::npos ? std::string_view() : folders.substr(end + 1);
        if (folder.empty())
            continue;
        const std::string candidate = folder + "/" + program;
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return {};
}

bool LaunchDesktopApplication(const DesktopApplication& application,
                              const std::vector<std::string>& files, const ProgramStarter& start) {
    std::vector<std::vector<std::string>> commands;
    if (!ExpandDesktopExec(application.exec, application, files, &commands))
        return false;
    bool started = false;
    for (const std::vector<std::string>& argv : commands) {
        if (start(argv))
            started = true;
    }
    return started;
}

}  // namespace zb
