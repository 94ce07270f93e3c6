#pragma once
// Starting programs for a window the way the desktop starts them: paths are
// handed over as their bytes, each program runs in a session of its own
// (zb::SpawnDetached) and outlives the window, and the window learns how it
// ended without ever waiting for it.
//
// Opening a found file: the file goes to the desktop's opener (xdg-open, from
// xdg-utils) as a "file://" URI made from its bytes, and the opener picks the
// application the user set for its type. When the opener is missing or says
// it could not open the file, the shell's own message for the failure is
// shown. Printing hands a file's path to the print command (lp, from
// cups-client) the same way.

#include <sys/types.h>

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Spawn.h"

// The shell's error codes for a failed open that this program reports.
constexpr int kOpenErrorFileNotFound = 2;
constexpr int kOpenErrorNoAssociation = 31;

// The shell's text for a failed open with error `code`.
QString OpenErrorText(int code);

// The shell's error code for the opener's exit status (xdg-open: 2 the file
// does not exist, 3 no tool to open it, 4 the opening failed); 0 for success.
int OpenErrorFromExitStatus(int exitStatus);

// How a program started for a window ended: nothing when it could not be
// started, else its exit status (-1 when a signal ended it).
using ProgramEnded = std::function<void(std::optional<int> status)>;

// Starts `argv` (its program looked up in $PATH) and returns at once: the
// program's process id, or -1 when it could not be started. Called on the
// application's thread, like everything here. The program is
// collected when it ends, also after `context` is gone. `ended`, when given,
// is called on the thread of `context` after the caller's own work, and never
// once `context` is gone.
pid_t StartWatchedProgram(const std::vector<std::string>& argv, zb::SpawnStreams streams,
                          QObject* context, ProgramEnded ended);

// How many started programs have not been collected yet.
int WatchedProgramCount();

// Starts the opener on the file or folder `path` and returns at once.
// `failed` is called on the thread of `context` with the shell's error code
// when the opener cannot be started or ends with a failure; it is not called
// once `context` is gone.
void OpenFileWithDesktop(const std::string& path, QObject* context,
                         std::function<void(int code)> failed);

// Starts `command` (a program and its first arguments) with `path` appended
// and returns at once. `failed` is called on the thread of `context` when the
// program cannot be started or ends with a failure; it is not called once
// `context` is gone.
void PrintFileWithDesktop(const std::vector<std::string>& command, const std::string& path,
                          QObject* context, std::function<void()> failed);
