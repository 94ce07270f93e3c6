#pragma once
// The "Find with Zembrolt" verb on folders and archives. It is registered
// twice: as the shell verb rows of the registry (HKEY_CLASSES_ROOT\Folder\shell
// and the shell key of each archive extension's file type), which the
// shell-extension library removes again, and as a desktop entry in
// $XDG_DATA_HOME/applications, which is what makes the verb appear in the
// file managers of the Linux desktop. Both start the program with the folder
// or archive as its command line, which makes it the look-in place.

#include <string>
#include <vector>

#include "platform/WinTypes.h"

// The verb's name, as the shell and the file managers show it.
constexpr const char* kFindVerbName = "Find with Zembrolt";
// The desktop entry's file name below $XDG_DATA_HOME/applications.
constexpr const char* kFindDesktopEntryName = "zembrolt-find.desktop";

// The verb's command text: the program's path in double quotes, then
// " /idList:%I,%L".
std::string GetFindVerbCommand(const std::string& programPath);

// Creates HKEY_CLASSES_ROOT\Folder\shell\Find with Zembrolt\command with the
// command text as its default value. 1 or 0.
BOOL RegisterFolderFindVerb(const std::string& programPath);

// For each extension: reads the default value of HKEY_CLASSES_ROOT\.<ext>
// (the file type, read through a 260-byte buffer; the key is created when
// missing) and, when there is one, creates <file type>\shell\Find with
// Zembrolt\command under HKEY_CLASSES_ROOT with the command text. Extensions
// without a file type are skipped. Returns how many verbs were written.
int RegisterArchiveFindVerbs(const std::string& programPath,
                             const std::vector<std::string>& extensions);

// The MIME types (shared-mime-info names, with their common aliases) of the
// archive extensions, each once, in the order of the extensions; extensions
// without a known type give none.
std::vector<std::string> GetArchiveMimeTypes(const std::vector<std::string>& extensions);

// The desktop entry's path; empty when no data folder is known.
std::string GetFindDesktopEntryPath();
// The desktop entry's text: an application that file managers offer for
// folders (inode/directory) and the given MIME types, with a "Find with
// Zembrolt" action; both run the program with the chosen path.
std::string BuildFindDesktopEntry(const std::string& programPath,
                                  const std::vector<std::string>& mimeTypes);
// Writes the desktop entry for the archive extensions (atomically). 1 or 0.
BOOL WriteFindDesktopEntry(const std::string& programPath,
                           const std::vector<std::string>& extensions);
