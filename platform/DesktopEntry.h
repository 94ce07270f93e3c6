#pragma once
// The desktop's applications, for "Open With": the desktop entries
// (".desktop" files) under $XDG_DATA_HOME/applications and each
// $XDG_DATA_DIRS/applications, the MIME types each declares, and the user's
// and the system's choices in the mimeapps.list files. An application is
// started from its Exec line expanded into an argument vector, never through
// a shell.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zb {

struct DesktopApplication {
    std::string id;    // desktop file id: the path below applications/, "/" as "-"
    std::string path;  // the .desktop file
    std::string name;
    std::string exec;
    std::string icon;
    std::vector<std::string> mimeTypes;
};

// Reads the [Desktop Entry] group of a desktop file. False when it is no
// usable application: not Type=Application, Hidden, no Exec, a TryExec
// program that cannot be found, or Terminal=true (no terminal is started).
bool ReadDesktopApplication(const std::string& path, std::string id, DesktopApplication* out);

// The applications that open a file of every one of `typeChains` (one chain
// per file: its MIME type, then the types it derives from), best first: the
// defaults of the mimeapps.list files, their added associations, then the
// entries that declare a type, without their removed associations.
std::vector<DesktopApplication> FindApplicationsForTypes(
    const std::vector<std::vector<std::string>>& typeChains);

// Expands an Exec value for `files` (absolute paths): the value's escapes are
// undone, it is split into arguments (double quotes group, and inside them a
// backslash escapes '"', '`', '$' and '\'), and the field codes of unquoted
// arguments are replaced: %f / %u one file (one command per file when there
// are several), %F / %U all files as arguments, %i "--icon" and the icon,
// %c the name, %k the desktop file, %% a '%'; deprecated codes go. Inside
// quotes only %% is replaced. Nothing else is interpreted: "$(...)" and
// backticks stay as they are. False for a malformed value.
bool ExpandDesktopExec(std::string_view exec, const DesktopApplication& application,
                       const std::vector<std::string>& files,
                       std::vector<std::vector<std::string>>* commands);

// `program` when it holds a "/", else its path in $PATH; empty when it is not
// found as an executable file.
std::string FindProgram(const std::string& program);

// Starts one command (its program not yet looked up); false when it could
// not be started.
using ProgramStarter = std::function<bool(const std::vector<std::string>& argv)>;

// Starts each expanded command of the application for `files` through
// `start`. False when nothing could be started.
bool LaunchDesktopApplication(const DesktopApplication& application,
                              const std::vector<std::string>& files, const ProgramStarter& start);

}  // namespace zb
