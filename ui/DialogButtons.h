#pragma once
// The column of hover buttons beside a dialog's list: each button named by
// its control id, with its icon; OK (the default button) and Cancel show the
// hand cursor, and a button without a handler closes the dialog as Cancel.

#include <functional>
#include <initializer_list>

class QBoxLayout;
class QDialog;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

struct DialogButton {
    int id;
    const char* text;
    int icon;
    std::function<void()> onClick;  // empty: reject the dialog
    bool gapBefore = false;         // a 12-pixel gap above the button
};

// Adds the buttons to `layout` in order, then a stretch below them.
void AddDialogButtons(QDialog* dialog, QBoxLayout* layout,
                      std::initializer_list<DialogButton> buttons);
