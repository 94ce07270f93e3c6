#pragma once
// The "Find with Zembrolt" verb on folders and archives: the shell verb rows
// of the registry (HKEY_CLASSES_ROOT\Folder\shell and the shell key of each
// archive extension's file type), which the shell-extension library removes
// again. What makes the verb appear in the file managers of the Linux desktop
// is written by platform/DesktopIntegration. Both start the program with the
// folder or archive as its command line, which makes it the look-in place.

#include <string>
#include <vector>

#include "platform/WinTypes.h"

// The verb's name, as the shell and the file managers show it.
constexpr const char* kFindVerbName = "Find with Zembrolt";

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
