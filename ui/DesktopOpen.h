#pragma once
// Opening a found file the way the desktop opens it: the file goes to the
// desktop's opener (xdg-open, from xdg-utils), which picks the application
// the user set for its type. When the opener is missing or says it could not
// open the file, the shell's own message for the failure is shown. Printing
// hands a file to the print command (lp, from cups-client) the same way.

#include <QObject>
#include <QString>

#include <QStringList>

#include <functional>

// The shell's error codes for a failed open that this program reports.
constexpr int kOpenErrorFileNotFound = 2;
constexpr int kOpenErrorNoAssociation = 31;

// The shell's text for a failed open with error `code`.
QString OpenErrorText(int code);

// The shell's error code for the opener's exit status (xdg-open: 2 the file
// does not exist, 3 no tool to open it, 4 the opening failed); 0 for success.
int OpenErrorFromExitStatus(int exitStatus);

// Starts the opener on `path` and returns at once. `failed` is called on the
// thread of `context` with the shell's error code when the opener cannot be
// started or ends with a failure; it is not called once `context` is gone.
void OpenFileWithDesktop(const QString& path, QObject* context,
                         std::function<void(int code)> failed);

// Starts `command` (a program and its first arguments) with `path` appended
// and returns at once. `failed` is called on the thread of `context` when the
// program cannot be started or ends with a failure; it is not called once
// `context` is gone.
void PrintFileWithDesktop(const QStringList& command, const QString& path, QObject* context,
                          std::function<void()> failed);
