#pragma once
// The hot-key box: it shows a hot key as text ("Ctrl + Shift + K") and takes
// the next key pressed in it, with Ctrl, Alt and Shift, as the new hot key.
// While only modifiers are held it shows them. Backspace or Delete alone
// clears it; Tab, Enter and Esc keep their dialog meaning. A hot key given
// with the extended-key flag keeps and shows it until a new key is pressed.

#include <QLineEdit>

#include "app/engine/HotKeyValue.h"

class CHotKeyCtrl : public QLineEdit {
    Q_OBJECT
public:
    explicit CHotKeyCtrl(QWidget* parent = nullptr);

    void SetHotKey(const CHotKeyValue& hotKey);
    const CHotKeyValue& GetHotKey() const { return m_hotKey; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Keys that stay with the dialog.
    static bool IsDialogKey(const QKeyEvent* event);
    void ShowHotKey();

    CHotKeyValue m_hotKey;
};
