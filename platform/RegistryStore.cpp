#include "platform/RegistryStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

#include "platform/InputFile.h"
#include "platform/Log.h"
#include "platform/PosixFile.h"

namespace zb {
namespace {

using FileStamp = RegistryStore::FileStamp;

// A registry file larger than this is not loaded (and never written).
constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

// Problems with the registry file are logged in red.
constexpr COLORREF kProblemColour = RGB(255, 0, 0);

// An exclusive flock on the lock file beside the registry file, held for the
// object's life. The lock file is never removed: removing it would let two
// processes lock two different files.
class FileLock {
public:
    explicit FileLock(const std::string& registryPath)
        : m_fd(::open((registryPath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (m_fd.Get() < 0)
            return;
        int rc;
        do {
            rc = ::flock(m_fd.Get(), LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        m_held = rc == 0;
    }
    bool Held() const { return m_held; }

private:
    UniqueFd m_fd;
    bool m_held = false;
};

FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.state = FileStamp::kPresent;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = static_cast<unsigned long long>(st.st_size);
    stamp.mtimeSeconds = st.st_mtim.tv_sec;
    stamp.mtimeNanoseconds = st.st_mtim.tv_nsec;
    return stamp;
}

FileStamp StatPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return StampOf(st);
    FileStamp stamp;
    stamp.state = errno == ENOENT ? FileStamp::kAbsent : FileStamp::kUnreadable;
    return stamp;
}

// Renames the file to "<path>.broken-<UTC time>" without replacing anything;
// returns the new name, or "" when it could not be moved.
std::string MoveAside(const std::string& path) {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    char when[32] = "unknown";
    if (::gmtime_r(&now, &utc) != nullptr)
        std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", &utc);
    const std::string base = path + ".broken-" + when;
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) {
            return name;
        }
        if (errno != EEXIST)
            break;
    }
    return {};
}

}  // namespace

std::string RegistryFilePath() {
    std::string configHome;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        configHome = xdg;  // a relative value is ignored, as the base-directory rules say
    } else {
        const char* home = std::getenv("HOME");
        std::string homeFolder = home != nullptr ? home : "";
        if (homeFolder.empty()) {
            struct passwd entry {};
            struct passwd* found = nullptr;
            std::vector<char> buffer(16384);
            if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
                found != nullptr && found->pw_dir != nullptr) {
                homeFolder = found->pw_dir;
            }
        }
        if (homeFolder.empty())
            return {};
        configHome = homeFolder + "/.config";
    }
    while (configHome.size() > 1 && configHome.back() == '/')
        configHome.pop_back();
    return configHome + "/zembrolt/registry.reg";
}

RegistryStore& RegistryStore::Instance() {
    static RegistryStore store;
    return store;
}

LONG RegistryStore::Read(const std::function<LONG(const RegTree&)>& read) {
    std::lock_guard guard(m_mutex);
    Refresh(RegistryFilePath(), LockState::kNotHeld);
    return read(m_tree);
}

LONG RegistryStore::Write(const std::function<LONG(RegTree& tree, bool& changed)>& change) {
    std::lock_guard guard(m_mutex);
    const std::string path = RegistryFilePath();
    if (path.empty() || !CreateFolders(FolderOf(path), 0700))
        return ERROR_ACCESS_DENIED;
    const FileLock lock(path);
    if (!lock.Held())
        return ERROR_ACCESS_DENIED;
    Refresh(path, LockState::kHeld);
    if (!m_writable)
        return ERROR_ACCESS_DENIED;
    bool changed = false;
    const LONG result = change(m_tree, changed);
    if (result != ERROR_SUCCESS || !changed)
        return result;
    if (!Save(path)) {
        m_loaded = false;  // the next call reloads what the file still holds
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

void RegistryStore::Refresh(const std::string& path, LockState lock) {
    if (m_loaded && path == m_path && StatPath(path) == m_stamp)
        return;
    Load(path, lock);
}

void RegistryStore::Load(const std::string& path, LockState lock) {
    if (LoadOnce(path, lock))
        return;
    // It did not parse: a writer cannot be midway (files are replaced whole),
    // but it may have replaced it since, so look again under the lock.
    const FileLock fileLock(path);
    LoadOnce(path, fileLock.Held() ? LockState::kHeld : LockState::kUnavailable);
}

bool RegistryStore::LoadOnce(const std::string& path, LockState lock) {
    m_tree = RegTree();
    m_path = path;
    m_loaded = true;
    m_writable = false;
    m_stamp = FileStamp{FileStamp::kUnreadable};
    m_loadedFile.Reset();
    if (path.empty())
        return true;

    UniqueFd file(OpenRegularFile(path));
    if (file.Get() < 0) {
        if (errno == ENOENT) {
            m_stamp = FileStamp{FileStamp::kAbsent};
            m_writable = true;
        } else {
            LogPrintf(kProblemColour, "Registry file %s cannot be read: %s", path.c_str(),
                      std::strerror(errno));
            m_stamp = StatPath(path);  // report it once, not at every call
        }
        return true;
    }
    struct stat st {};
    std::string text;
    const bool read = ::fstat(file.Get(), &st) == 0 && ReadAll(file.Get(), kMaxFileBytes, text);
    const bool tooLarge = !read && errno == EFBIG;
    if (!read && !tooLarge) {
        LogPrintf(kProblemColour, "Registry file %s cannot be read: %s", path.c_str(),
                  std::strerror(errno));
        m_stamp = StatPath(path);
        return true;
    }
    const FileStamp stamp = StampOf(st);
    RegTree tree;
    std::string error = "larger than 64 MiB";
    if (!tooLarge && ParseRegFile(text, tree, error)) {
        m_tree = std::move(tree);
        m_stamp = stamp;
        m_writable = true;
        m_loadedFile = std::move(file);
        return true;
    }
    if (lock == LockState::kNotHeld)
        return false;

    m_stamp = stamp;
    // Under the lock no writer replaces the file, so the file at the path is
    // still the one read, unless someone edits it by hand right now.
    if (lock == LockState::kHeld && StatPath(path) == stamp) {
        const std::string aside = MoveAside(path);
        if (!aside.empty()) {
            LogPrintf(kProblemColour,
                      "Registry file %s cannot be read (%s); it was kept as %s and the "
                      "settings start empty",
                      path.c_str(), error.c_str(), aside.c_str());
            m_stamp = FileStamp{FileStamp::kAbsent};
            m_writable = true;
            return true;
        }
    }
    LogPrintf(kProblemColour,
              "Registry file %s cannot be read (%s) nor moved aside; no setting is saved "
              "until it is repaired or removed",
              path.c_str(), error.c_str());
    return true;
}

bool RegistryStore::Save(const std::string& path) {
    const std::string text = FormatRegFile(m_tree);
    if (text.size() > kMaxFileBytes) {
        LogPrintf(kProblemColour, "Registry file %s not saved: the settings exceed 64 MiB",
                  path.c_str());
        return false;
    }
    UniqueFd file;
    if (!WriteFileAtomically(path, text, 0600, &file)) {
        LogPrintf(kProblemColour, "Registry file %s not saved: %s", path.c_str(),
                  std::strerror(errno));
        return false;
    }
    struct stat st {};
    m_stamp = ::fstat(file.Get(), &st) == 0 ? StampOf(st) : FileStamp{FileStamp::kUnreadable};
    m_loadedFile = std::move(file);
    return true;
}

}  // namespace zb
