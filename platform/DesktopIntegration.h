#pragma once
// The program's place on the Linux desktop: "Find with Zembrolt" in the file
// managers' menus for folders and archives, and the "Zembrolt Utility..."
// launcher in the application menus. The program's first run (and its start
// from a new place) and the registration of the shell-extension library write
// through here.
//
// Nothing written here may change which application opens a folder or an
// archive: no desktop entry in an applications folder declares a MIME type.
// The Find action reaches each file manager through its own mechanism:
//   - KDE: a service menu, $XDG_DATA_HOME/kio/servicemenus/zembrolt-find.desktop
//   - GNOME Files: a script, $XDG_DATA_HOME/nautilus/scripts/Find with Zembrolt
//   - Thunar: two custom actions (folders, archives) in
//     $XDG_CONFIG_HOME/Thunar/uca.xml, next to the user's own actions
// The launcher is $XDG_DATA_HOME/applications/zembrolt-utility.desktop.
//
// Every file of ours carries a mark, and a file of the same name without it is
// the user's: it is never replaced nor removed. Writing what a file already
// holds leaves it untouched, so registering twice changes nothing; removing
// never creates a file or folder.

#include <string>
#include <vector>

namespace zb {

// Writes the Find actions for folders and for files with the given archive
// extensions (without a dot; "tar.gz" allowed), started as `programPath`
// followed by the chosen path. Thunar's actions are added only where Thunar
// keeps an action file (the user's, or the system's default, which is then
// copied with its actions kept). The desktop entry earlier versions wrote,
// applications/zembrolt-find.desktop, which declared folders and archives as
// its types, is removed. True when every action is in place.
bool RegisterFindActions(const std::string& programPath,
                         const std::vector<std::string>& archiveExtensions);
// Removes the Find actions and the earlier desktop entry. Thunar's action
// list goes whole when, without ours, it is the system's default again (the
// copy registering made). True unless something of ours could not be removed.
bool UnregisterFindActions();

// Writes the launcher that starts `programPath` without arguments. True when
// it is in place.
bool RegisterUtilityLauncher(const std::string& programPath);
// Points a launcher of ours at `programPath`; without one nothing is written.
// True unless it could not be written.
bool UpdateUtilityLauncher(const std::string& programPath);
// Removes the launcher. True unless it could not be removed.
bool UnregisterUtilityLauncher();

// The files above; empty when the data or config folder is not known.
std::string FindServiceMenuPath();
std::string FindScriptPath();
std::string ThunarActionsPath();
std::string UtilityLauncherPath();
std::string EarlierFindEntryPath();

// The MIME types (shared-mime-info names, with their common aliases) of the
// archive extensions, each once, in the order of the extensions; extensions
// without a known type give none.
std::vector<std::string> ArchiveMimeTypes(const std::vector<std::string>& extensions);

}  // namespace zb
