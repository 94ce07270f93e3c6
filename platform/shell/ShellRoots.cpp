#include "platform/shell/ShellRoots.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/PosixFile.h"

namespace zb {

namespace {

// user-dirs.dirs holds a few lines; a larger file is not read.
constexpr std::size_t kMaxUserDirsBytes = 1 << 20;

struct RootInputs {
    std::string home, config, data, runtime, mountInfo;
    // Inode, size and modification time of user-dirs.dirs; zeros when absent.
    std::array<long long, 4> userDirsStamp{};
    friend bool operator==(const RootInputs&, const RootInputs&) = default;
};

std::mutex g_rootsMutex;
std::shared_ptr<const ShellRoots> g_roots;
RootInputs g_inputs;

std::string AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return {};
    return TrimTrailingSlashes(value);
}

std::string HomeDirectory() {
    std::string home = AbsoluteEnv("HOME");
    if (!home.empty())
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/') {
        return TrimTrailingSlashes(found->pw_dir);
    }
    return "/";
}

// The value of a shell-quoted assignment's right-hand side: "..." with
// backslash escapes, or a bare word.
std::string Unquote(std::string_view value) {
    std::string out;
    if (value.empty() || value.front() != '"') {
        const std::size_t end = value.find_first_of(" \t#");
        return std::string(value.substr(0, end));
    }
    for (std::size_t i = 1; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"')
            break;
        if (c == '\\' && i + 1 < value.size()) {
            out += value[++i];
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace

std::string TrimTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string DesktopDirFromUserDirs(const std::string& text, const std::string& home) {
    std::string result;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::string_view view(line);
        while (!view.empty() && (view.front() == ' ' || view.front() == '\t')) {
            view.remove_prefix(1);
        }
        constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
        if (view.substr(0, kKey.size()) != kKey)
            continue;
        const std::string value = Unquote(view.substr(kKey.size()));
        constexpr std::string_view kHome = "$HOME";
        if (value.substr(0, kHome.size()) == kHome &&
            (value.size() == kHome.size() || value[kHome.size()] == '/')) {
            result = TrimTrailingSlashes(home + value.substr(kHome.size()));
        } else if (!value.empty() && value.front() == '/') {
            result = TrimTrailingSlashes(value);
        }
        // The last assignment wins, as when the file is sourced.
    }
    return result;
}

std::shared_ptr<const ShellRoots> RefreshShellRoots() {
    // What the roots are made from: the variables and the identity of the
    // user-dirs file. When none of it changed, the last snapshot is still
    // right and the file is not read again.
    RootInputs inputs;
    inputs.home = HomeDirectory();
    inputs.config = AbsoluteEnv("XDG_CONFIG_HOME");
    if (inputs.config.empty())
        inputs.config = JoinPath(inputs.home, ".config");
    inputs.data = AbsoluteEnv("XDG_DATA_HOME");
    if (inputs.data.empty())
        inputs.data = JoinPath(inputs.home, ".local/share");
    inputs.runtime = AbsoluteEnv("XDG_RUNTIME_DIR");
    const char* mountInfo = std::getenv("ZEMBROLT_MOUNTINFO");
    inputs.mountInfo = (mountInfo && *mountInfo) ? mountInfo : "/proc/self/mountinfo";
    const std::string userDirs = JoinPath(inputs.config, "user-dirs.dirs");
    struct stat st;
    if (stat(userDirs.c_str(), &st) == 0) {
        inputs.userDirsStamp = {
            static_cast<long long>(st.st_ino), static_cast<long long>(st.st_size),
            static_cast<long long>(st.st_mtim.tv_sec), static_cast<long long>(st.st_mtim.tv_nsec)};
    }
    {
        std::lock_guard lock(g_rootsMutex);
        if (g_roots && g_inputs == inputs)
            return g_roots;
    }

    auto roots = std::make_shared<ShellRoots>();
    roots->home = inputs.home;
    std::string userDirsText;
    zb::ReadWholeFile(userDirs, kMaxUserDirsBytes, userDirsText);
    roots->desktopDir = DesktopDirFromUserDirs(userDirsText, roots->home);
    if (roots->desktopDir.empty())
        roots->desktopDir = JoinPath(roots->home, "Desktop");
    roots->trashFiles = JoinPath(inputs.data, "Trash/files");
    roots->runtimeDir = inputs.runtime;
    roots->mountInfo = inputs.mountInfo;

    std::lock_guard lock(g_rootsMutex);
    g_roots = roots;
    g_inputs = std::move(inputs);
    return roots;
}

std::shared_ptr<const ShellRoots> CurrentShellRoots() {
    {
        std::lock_guard lock(g_rootsMutex);
        if (g_roots)
            return g_roots;
    }
    return RefreshShellRoots();
}

}  // namespace zb
