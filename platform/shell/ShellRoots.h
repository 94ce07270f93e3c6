#pragma once
// Where the namespace's roots lie on disk, read from the environment:
// - home: $HOME (the password database's home directory when unset);
// - desktop: XDG_DESKTOP_DIR from $XDG_CONFIG_HOME/user-dirs.dirs (default
//   $HOME/.config), else $HOME/Desktop;
// - trash: $XDG_DATA_HOME/Trash/files (default $HOME/.local/share);
// - runtime: $XDG_RUNTIME_DIR (GVfs keeps its mounts in its gvfs folder);
// - mountinfo: $ZEMBROLT_MOUNTINFO, else /proc/self/mountinfo.
// XDG variables that are empty or relative are ignored, as the XDG rules say.
//
// The roots are a snapshot: SHGetDesktopFolder takes a fresh one each time it
// is called (reusing the last one when neither the variables nor the
// user-dirs file changed), and every folder reached from that desktop keeps
// it, so one walk sees one set of roots. SHGetPathFromIDList uses the latest
// snapshot.

#include <memory>
#include <string>
#include <string_view>

#include "platform/PosixFile.h"

namespace zb {

struct ShellRoots {
    std::string home;
    std::string desktopDir;
    std::string trashFiles;
    std::string runtimeDir;  // empty when unset
    std::string mountInfo;
};

// Reads the roots from the environment now and makes them the latest snapshot.
std::shared_ptr<const ShellRoots> RefreshShellRoots();

// The latest snapshot (read now when there is none yet).
std::shared_ptr<const ShellRoots> CurrentShellRoots();

// The desktop folder named by the text of a user-dirs.dirs file
// (XDG_DESKTOP_DIR="$HOME/..." or an absolute path); empty when the text
// does not name one.
std::string DesktopDirFromUserDirs(const std::string& text, const std::string& home);

// `path` without trailing slashes ("/" stays "/").
std::string TrimTrailingSlashes(std::string path);

}  // namespace zb
