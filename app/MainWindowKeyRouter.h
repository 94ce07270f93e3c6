#pragma once
// The main window's key routing, done before the focused control sees a key:
// Enter finds or stops (the result list keeps Enter for itself), Esc never
// closes the window and clears the list's selection, Tab and Shift+Tab move
// between the "Advance" button, the option sheet and the look-in box while
// the sheet is shown, and the list's selection keys (Ctrl+A, Ctrl+Shift+A,
// Ctrl+Q; A, C, Q and X are swallowed) work on the list.

#include <QObject>

class CZembroltDlg;
class QKeyEvent;
class QWidget;

class CMainWindowKeyRouter : public QObject {
    Q_OBJECT
public:
    // Watches every key of the application that reaches `window` or one of
    // its controls, for as long as the router lives.
    explicit CMainWindowKeyRouter(CZembroltDlg& window);
    ~CMainWindowKeyRouter() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the key was handled.
    bool RouteKey(QWidget* target, QKeyEvent* key);
    bool RouteTab(QWidget* target, bool shift);
    bool IsOnResultList(QWidget* widget) const;
    // Sends the key its normal way (to the control, then up its parents)
    // without routing it again on the way.
    void ForwardKey(QWidget* target, QKeyEvent* key);

    CZembroltDlg& m_window;
    bool m_bForwardingKey = false;
};
