#include "ui/EnableWindowGuard.h"

CEnableWindowGuard::CEnableWindowGuard(QWidget* window, BOOL enable) : m_pWnd(window) {
    if (!window)
        return;
    // The window's own state, not the one it inherits from a disabled parent.
    m_bEnabled = window->testAttribute(Qt::WA_ForceDisabled) ? FALSE : TRUE;
    window->setEnabled(enable != FALSE);
}

CEnableWindowGuard::~CEnableWindowGuard() {
    if (m_pWnd)
        m_pWnd->setEnabled(m_bEnabled != FALSE);
}
