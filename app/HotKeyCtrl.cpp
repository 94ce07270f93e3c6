#include "app/HotKeyCtrl.h"

#include <QKeyEvent>

#include "ui/VirtualKeyMap.h"

CHotKeyCtrl::CHotKeyCtrl(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    ShowHotKey();
}

void CHotKeyCtrl::SetHotKey(const CHotKeyValue& hotKey) {
    m_hotKey = hotKey;
    ShowHotKey();
}

void CHotKeyCtrl::ShowHotKey() {
    setText(m_hotKey.IsEmpty() ? QString() : QString::fromStdString(m_hotKey.GetText()));
}

bool CHotKeyCtrl::IsDialogKey(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Escape:
            return true;
        case Qt::Key_Enter:
            return !event->modifiers().testFlag(Qt::KeypadModifier);
        default:
            return false;
    }
}

bool CHotKeyCtrl::event(QEvent* event) {
    // Every other key comes here first, before menu and button shortcuts.
    if (event->type() == QEvent::ShortcutOverride && !IsDialogKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void CHotKeyCtrl::keyPressEvent(QKeyEvent* event) {
    if (IsDialogKey(event)) {
        event->ignore();
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const WORD flags = HotKeyFlagsFromQt(modifiers);
    if ((event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) && flags == 0 &&
        !modifiers.testFlag(Qt::KeypadModifier)) {
        SetHotKey(CHotKeyValue());
        return;
    }
    const WORD code = VirtualKeyFromQtKey(event->key(), modifiers);
    if (code != 0) {
        SetHotKey(CHotKeyValue(code, flags));
        return;
    }
    // Only modifiers so far: show them until a key comes or they are let go.
    if (flags != 0)
        setText(QString::fromStdString(GetHotKeyModifierText(flags)));
}

void CHotKeyCtrl::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    if (HotKeyFlagsFromQt(event->modifiers()) == 0 ||
        VirtualKeyFromQtKey(event->key(), event->modifiers()) == 0)
        ShowHotKey();
}

void CHotKeyCtrl::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    ShowHotKey();
}
