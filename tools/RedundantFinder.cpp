#include "tools/RedundantFinder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <functional>
#include <unordered_set>

#include "platform/PosixFile.h"
#include "platform/ShellLink.h"
#include "platform/TextCase.h"
#include "platform/shell/MountTable.h"
#include "platform/shell/ShellRoots.h"
#include "tools/TrashFolders.h"
#include "tools/TreeWalk.h"

namespace {

// The browsers' cache folders under the user's cache folder.
constexpr const char* kBrowserCacheFolders[] = {
    "mozilla", "librewolf", "google-chrome", "chromium", "BraveSoftware", "microsoft-edge",
    "vivaldi", "opera",     "epiphany",      "falkon",   "qutebrowser",   "midori"};

// A launcher larger than this is not read.
constexpr std::size_t kMaxDesktopEntryBytes = 1 << 20;

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string AbsoluteEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The folder that holds `path` ("/" for a name right below the root).
std::string_view FolderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return path.substr(0, slash == 0 ? 1 : slash);
}

// The last name of `path`.
std::string_view NameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// An X server's lock file, ".X<display>-lock".
bool IsXServerLock(std::string_view name) {
    return name.size() > 7 && name.starts_with(".X") && name.ends_with("-lock");
}

// The regular files inside `folder` that a running process holds open, by
// identity, read from the descriptor folders of `procFolder` (/proc).
// Processes the user may not look into are passed over; a descriptor whose
// link names no place inside the folder is not followed, so an open file on
// a hung network mount cannot stop the search.
FileIdentitySet FilesHeldOpenIn(const std::string& procFolder, const std::string& folder) {
    FileIdentitySet held;
    char* real = procFolder.empty() ? nullptr : ::realpath(folder.c_str(), nullptr);
    if (!real)
        return held;
    const std::string inside = zb::JoinPath(real, "");
    std::free(real);
    const zb::UniqueFd processes(::open(procFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!processes.IsOpen())
        return held;
    // Listings cut short by a read error give what they read.
    std::vector<std::string> pids;
    zb::ListFolderNames(processes.Get(), &pids);
    std::vector<char> target(PATH_MAX + 1);
    for (const std::string& pid : pids) {
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const zb::UniqueFd fdFolder(
            ::openat(processes.Get(), (pid + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fdFolder.IsOpen())
            continue;
        std::vector<std::string> descriptors;
        zb::ListFolderNames(fdFolder.Get(), &descriptors);
        for (const std::string& descriptor : descriptors) {
            const ssize_t length =
                ::readlinkat(fdFolder.Get(), descriptor.c_str(), target.data(), target.size() - 1);
            if (length <= 0 || !std::string_view(target.data(), static_cast<std::size_t>(length))
                                    .starts_with(inside))
                continue;
            struct stat st {};
            if (::fstatat(fdFolder.Get(), descriptor.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode))
                held.insert(IdentityOf(st));
        }
    }
    return held;
}

// The program word at the start of an Exec value: a quoted word (with its
// backslash escapes) or the text up to the first blank.
std::string FirstExecWord(std::string_view exec) {
    std::string word;
    std::size_t i = 0;
    while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t'))
        ++i;
    if (i < exec.size() && exec[i] == '"') {
        for (++i; i < exec.size() && exec[i] != '"'; ++i) {
            if (exec[i] == '\\' && i + 1 < exec.size())
                ++i;
            word += exec[i];
        }
        return word;
    }
    while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t')
        word += exec[i++];
    return word;
}

bool ProgramExists(const std::string& program) {
    if (program.find('/') != std::string::npos)
        return Exists(program);
    const char* pathValue = std::getenv("PATH");
    const std::string path = pathValue ? pathValue : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string folder = path.substr(start, end - start);
        if (!folder.empty() && Exists(zb::JoinPath(folder, program)))
            return true;
        start = end + 1;
    }
    return false;
}

// Lists the entries that `match` accepts from a walk of one folder.
class ListingVisitor : public ITreeVisitor {
public:
    ListingVisitor(IRedundantSink& sink, const std::atomic<bool>& stop,
                   std::function<bool(const TreeEntry&)> match)
        : m_sink(sink), m_stop(stop), m_match(std::move(match)) {}

    bool OnEntry(const TreeEntry& entry) override {
        if (m_stop.load(std::memory_order_relaxed))
            return false;
        if (m_match(entry) && !m_sink.AddItem(entry.path)) {
            m_bLimit = true;
            return false;
        }
        return true;
    }
    bool EnterFolder(const TreeEntry& entry) override {
        m_sink.ShowFolder(entry.path);
        return true;
    }
    bool HitLimit() const { return m_bLimit; }

private:
    IRedundantSink& m_sink;
    const std::atomic<bool>& m_stop;
    std::function<bool(const TreeEntry&)> m_match;
    bool m_bLimit = false;
};

}  // namespace

bool IsDanglingLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return false;
    if (::stat(path.c_str(), &st) == 0)
        return false;
    return errno == ENOENT || errno == ENOTDIR || errno == ELOOP;
}

bool IsBrokenShellLink(const std::string& path) {
    zb::ShellLink link;
    if (!link.Load(path))
        return false;
    const std::string target = link.TargetPath();
    if (target.empty() || target.front() != '/')
        return false;
    struct stat st {};
    return ::lstat(target.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool IsBrokenDesktopEntry(const std::string& path) {
    std::string text;
    if (!zb::ReadWholeFile(path, kMaxDesktopEntryBytes, text))
        return false;
    bool inEntry = false;
    std::string type;
    std::string exec;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line =
            TrimWhiteSpace(std::string_view(text).substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry)
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = TrimWhiteSpace(line.substr(0, equals));
        const std::string_view value = TrimWhiteSpace(line.substr(equals + 1));
        if (key == "Type")
            type = value;
        else if (key == "Exec")
            exec = value;
    }
    if (type != "Application" || exec.empty())
        return false;
    const std::string program = FirstExecWord(exec);
    return !program.empty() && !ProgramExists(program);
}

RedundantRoots RedundantRoots::FromEnvironment() {
    RedundantRoots roots;
    roots.tempFolder = AbsoluteEnvironment("TMPDIR");
    if (roots.tempFolder.empty())
        roots.tempFolder = "/tmp";
    std::string cache = AbsoluteEnvironment("XDG_CACHE_HOME");
    if (cache.empty())
        cache = zb::JoinPath(zb::CurrentShellRoots()->home, ".cache");
    for (const char* browser : kBrowserCacheFolders) {
        const std::string folder = zb::JoinPath(cache, browser);
        if (IsFolder(folder))
            roots.cacheFolders.push_back(folder);
    }
    roots.trashFolders = FindTrashFolders();
    roots.computer = {"/"};
    for (const zb::MountEntry& entry : zb::ReadMountInfo(zb::CurrentShellRoots()->mountInfo)) {
        if (zb::ClassifyMount(entry) == zb::MountClass::Network)
            roots.skipFolders.push_back(entry.mountPoint);
        roots.mountPoints.push_back(entry.mountPoint);
    }
    roots.systemFolders = {"/usr", "/etc", "/boot", "/opt", "/var/lib", "/snap"};
    roots.procFolder = "/proc";
    return roots;
}

CRedundantFinder::CRedundantFinder(const CRedundantOptions& options, RedundantRoots roots,
                                   const std::atomic<bool>& stop, IRedundantSink& sink)
    : m_options(options), m_roots(std::move(roots)), m_stop(stop), m_sink(sink) {}

namespace {

// Walks `folder` listing what `match` accepts; 0, or -1 when the folder
// cannot be reached or the limit ended the search.
int ListFolder(const std::string& folder, bool subFolders, IRedundantSink& sink,
               const std::atomic<bool>& stop, const std::vector<std::string>& skip,
               std::function<bool(const TreeEntry&)> match) {
    CTreeWalk walk(&stop);
    walk.SetSubFolders(subFolders);
    walk.SetStayOnMount(true);
    for (const std::string& path : skip)
        walk.AddSkipFolder(path);
    ListingVisitor visitor(sink, stop, std::move(match));
    sink.ShowFolder(folder);
    const int result = walk.Walk(folder, visitor);
    return result == CTreeWalk::WALK_UNREACHABLE || visitor.HitLimit() ? -1 : 0;
}

}  // namespace

int CRedundantFinder::ListTemporaryFolder() {
    const uid_t user = ::getuid();
    const FileIdentitySet held = FilesHeldOpenIn(m_roots.procFolder, m_roots.tempFolder);
    const int result = ListFolder(
        m_roots.tempFolder, true, m_sink, m_stop, m_skip, [user, &held](const TreeEntry& entry) {
            return S_ISREG(entry.st.st_mode) && entry.st.st_uid == user &&
                   !IsXServerLock(entry.name) && !held.contains(IdentityOf(entry.st));
        });
    m_skip.push_back(m_roots.tempFolder);
    return result;
}

int CRedundantFinder::ListCacheFolders() {
    int result = 0;
    for (const std::string& folder : m_roots.cacheFolders) {
        if (result != 0 || Stopped())
            break;
        result = ListFolder(folder, true, m_sink, m_stop, m_skip,
                            [](const TreeEntry& entry) { return S_ISREG(entry.st.st_mode); });
        m_skip.push_back(folder);
    }
    return result;
}

int CRedundantFinder::ListTrash() {
    int result = 0;
    for (const std::string& trash : m_roots.trashFolders) {
        m_skip.push_back(trash);
        const std::string files = zb::JoinPath(trash, "files");
        struct stat st {};
        if (result != 0 || Stopped() || ::lstat(files.c_str(), &st) != 0)
            continue;  // a trash that was never used has no "files" yet
        result =
            ListFolder(files, false, m_sink, m_stop, {}, [](const TreeEntry&) { return true; });
    }
    return result;
}

// The pattern walk's test of each entry: files only.
class CRedundantFinder::PatternVisitor {
public:
    PatternVisitor(const CRedundantOptions& options, const std::vector<std::string>& mountPoints)
        : m_options(options), m_mountPoints(mountPoints.begin(), mountPoints.end()) {}

    bool operator()(const TreeEntry& entry) {
        const mode_t mode = entry.st.st_mode;
        if (S_ISDIR(mode))
            return false;
        LowerCaseUtf8(entry.name, m_lowered);
        const bool regular = S_ISREG(mode);
        if (m_options.m_bBrokenShortcuts) {
            if (S_ISLNK(mode) && IsDanglingLink(entry.path))
                return true;
            if (regular && EndsWith(m_lowered, ".lnk") && IsBrokenShellLink(entry.path))
                return true;
            if (regular && EndsWith(m_lowered, ".desktop") && IsBrokenDesktopEntry(entry.path))
                return true;
        }
        if (m_options.m_bLostClusters &&
            ((regular && EndsWith(m_lowered, ".chk")) || InLostAndFound(entry.path)))
            return true;
        return m_options.m_bTempFiles && regular && EndsWith(m_lowered, ".tmp");
    }

private:
    // Inside the lost+found folder that a file system check fills: the one at
    // the root of a mounted file system, not any folder of that name.
    bool InLostAndFound(std::string_view path) const {
        const std::string_view folder = FolderOf(path);
        return NameOf(folder) == "lost+found" &&
               m_mountPoints.contains(std::string(FolderOf(folder)));
    }

    const CRedundantOptions& m_options;
    const std::unordered_set<std::string> m_mountPoints;
    std::string m_lowered;
};

void CRedundantFinder::WalkComputer() {
    PatternVisitor matches(m_options, m_roots.mountPoints);
    CTreeWalk walk(&m_stop);
    for (const std::string& path : m_skip)
        walk.AddSkipFolder(path);
    for (const std::string& path : m_roots.systemFolders)
        walk.AddSkipFolder(path);
    ListingVisitor visitor(m_sink, m_stop, [&](const TreeEntry& entry) { return matches(entry); });
    m_bWalkedComputer = true;
    for (const std::string& root : m_roots.computer) {
        if (Stopped() || visitor.HitLimit())
            break;
        m_sink.ShowFolder(root);
        walk.Walk(root, visitor);
    }
}

void CRedundantFinder::Run() {
    m_skip = m_roots.skipFolders;
    m_nResult = 0;
    m_bWalkedComputer = false;
    if (m_options.m_bTempFolder && !Stopped())
        m_nResult = ListTemporaryFolder();
    if (m_options.m_bInternetCache && !Stopped() && m_nResult == 0)
        m_nResult = ListCacheFolders();
    if (m_options.m_bRecycleBin && !Stopped() && m_nResult == 0)
        m_nResult = ListTrash();
    const bool patterns =
        m_options.m_bTempFiles || m_options.m_bLostClusters || m_options.m_bBrokenShortcuts;
    if (patterns && !Stopped() && m_nResult == 0)
        WalkComputer();
}
