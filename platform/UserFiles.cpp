#include "platform/UserFiles.h"

#include <cstdlib>

namespace zb {

namespace {

// $<variable> when it is an absolute path, else $HOME/<fallback>.
std::string XdgFolder(const char* variable, const char* fallback) {
    const char* folder = std::getenv(variable);
    if (folder != nullptr && folder[0] == '/')
        return folder;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0')
        return {};
    return std::string(home) + "/" + fallback;
}

}  // namespace

std::string UserDataHome() {
    return XdgFolder("XDG_DATA_HOME", ".local/share");
}

std::string UserConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

}  // namespace zb
