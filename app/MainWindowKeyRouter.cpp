#include "app/MainWindowKeyRouter.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

#include "app/AdvanceOptionSheet.h"
#include "app/MainMenuTable.h"
#include "app/ResultListCtrl.h"
#include "app/SavedSearches.h"
#include "app/ZembroltDlg.h"
#include "ui/HoverButton.h"
#include "ui/SmallControls.h"

CMainWindowKeyRouter::CMainWindowKeyRouter(CZembroltDlg& window)
    : QObject(nullptr), m_window(window) {
    qApp->installEventFilter(this);
}

CMainWindowKeyRouter::~CMainWindowKeyRouter() {
    qApp->removeEventFilter(this);
}

bool CMainWindowKeyRouter::eventFilter(QObject* watched, QEvent* event) {
    const bool keyPress = event->type() == QEvent::KeyPress;
    if ((!keyPress && event->type() != QEvent::ShortcutOverride) || !watched->isWidgetType() ||
        m_bForwardingKey)
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != &m_window && !m_window.isAncestorOf(widget))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // A macro's hot key comes before every other key of the window: its
    // shortcut check is claimed, so that the key arrives as a key press.
    const int macro = m_window.SavedSearches().MacroCommandForKey(key->key(), key->modifiers());
    if (macro != 0) {
        event->accept();
        if (keyPress)
            m_window.OnCommand(macro);
        return true;
    }
    return keyPress && RouteKey(widget, key);
}

bool CMainWindowKeyRouter::IsOnResultList(QWidget* widget) const {
    CResultListCtrl* list = m_window.ResultList();
    if (widget == list)
        return true;
    QAbstractItemView* view = list->GetCurrentView();
    return view && (widget == view || widget == view->viewport());
}

void CMainWindowKeyRouter::ForwardKey(QWidget* target, QKeyEvent* key) {
    m_bForwardingKey = true;
    QCoreApplication::sendEvent(target, key);
    m_bForwardingKey = false;
}

bool CMainWindowKeyRouter::RouteTab(QWidget* target, bool shift) {
    CAdvanceOptionSheet* sheet = m_window.OptionSheet();
    if (!sheet || !sheet->isVisible())
        return false;
    QWidget* tabs = sheet->TabControl();
    QWidget* advance = m_window.AdvanceButton();
    QComboBox* lookIn = m_window.LookInCombo();
    QWidget* next = nullptr;
    if (!shift) {
        if (target == advance)
            next = tabs;
        else if (target == tabs)
            next = lookIn;
    } else {
        if (target == lookIn || lookIn->isAncestorOf(target))
            next = tabs;
        else if (target == tabs)
            next = advance;
    }
    if (!next)
        return false;
    next->setFocus(shift ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    return true;
}

bool CMainWindowKeyRouter::RouteKey(QWidget* target, QKeyEvent* key) {
    CResultListCtrl* list = m_window.ResultList();
    const bool inList = target == list || list->isAncestorOf(target);
    const bool onList = IsOnResultList(target);
    switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (RouteTab(target,
                         key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier)))
                return true;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (inList)
                ForwardKey(target, key);  // the list handles Enter itself
            else
                m_window.OnFind();
            return true;
        case Qt::Key_Escape:
            if (onList)
                m_window.ClearSelection();
            else if (inList)
                ForwardKey(target, key);
            return true;  // Esc never closes the window
        default:
            break;
    }
    if (!onList)
        return false;
    const Qt::KeyboardModifiers modifiers =
        key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    switch (key->key()) {
        case Qt::Key_A:
            if (modifiers == Qt::ControlModifier)
                m_window.OnCommand(ID_SELECT_ALL);
            else if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
                m_window.OnCommand(ID_DESELECT_ALL);
            return true;
        case Qt::Key_Q:
            if (modifiers == Qt::ControlModifier)
                m_window.OnCommand(ID_INVERT_SELECTION);
            return true;
        case Qt::Key_C:
            if (modifiers == Qt::ControlModifier)
                m_window.OnCommand(ID_EDIT_COPY);
            return true;
        case Qt::Key_X:
            if (modifiers == Qt::ControlModifier)
                m_window.OnCommand(ID_EDIT_CUT);
            return true;
        default:
            return false;
    }
}
