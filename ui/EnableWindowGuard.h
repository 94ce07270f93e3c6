#pragma once
// Enables or disables a window for the lifetime of the guard and gives it
// back the state it had before, so a long operation can lock a window and
// every way out of the operation unlocks it again.

#include <QPointer>
#include <QWidget>

#include "platform/WinTypes.h"

class CEnableWindowGuard {
public:
    // Remembers whether `window` itself is enabled, then enables or disables
    // it as asked. A null window is left alone.
    CEnableWindowGuard(QWidget* window, BOOL enable);
    // Restores the remembered state (unless the window is gone).
    virtual ~CEnableWindowGuard();
    CEnableWindowGuard(const CEnableWindowGuard&) = delete;
    CEnableWindowGuard& operator=(const CEnableWindowGuard&) = delete;

private:
    QPointer<QWidget> m_pWnd;
    BOOL m_bEnabled = TRUE;
};
