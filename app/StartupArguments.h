#pragma once
// What the main window does with its command line and with the screen's
// resolution when it starts.

#include <QString>

// Commands the command line can post.
constexpr int ID_FIND_DUPLICATE_FILES = 40028;
constexpr int ID_FIND_REDUNDANT_FILES = 40029;

struct CommandLineAction {
    enum Kind {
        None,         // nothing to do
        Invalid,      // show "%s is invalid parameter" with `text`
        PostCommand,  // post `command`
        SetLookIn,    // make `text` the look-in place (when it exists)
    };
    Kind kind = None;
    int command = 0;
    QString text;
};

// Reads a command line as the shell verb, the hot key and users give it: a
// path (possibly quoted), "/idList:<anything>,<path>" or "/cmd:finddup" /
// "/cmd:findredundant".
CommandLineAction ParseCommandLineAction(const QString& commandLine);

// The least width of the left pane at `dpi` dots per inch: 310 up to 96,
// 310 * dpi / 96 + 1 up to 192, else 620.
int MinimumLeftPaneWidth(int dpi);
