#include "app/MainMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

#include <algorithm>

#include "app/ZembroltDlg.h"
#include "ui/ResourceText.h"

CMainMenu::CMainMenu(QWidget* window, std::function<void(int)> dispatch)
    : QObject(window),
      m_pWindow(window),
      m_dispatch(std::move(dispatch)),
      m_pMenuBar(new QMenuBar(window)) {
    m_pMenuBar->setNativeMenuBar(false);
    for (const MainMenuPopup& popup : MainMenuPopups()) {
        QMenu* menu = m_pMenuBar->addMenu(QString::fromLatin1(popup.title));
        AddItems(menu, popup.items);
        connect(menu, &QMenu::aboutToShow, this, &CMainMenu::aboutToShow);
    }
    UpdateStates();
}

void CMainMenu::AddItems(QMenu* menu, std::span<const MainMenuItem> items) {
    for (const MainMenuItem& item : items) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        if (!item.items.empty()) {
            AddItems(menu->addMenu(QString::fromLatin1(item.text)), item.items);
            continue;
        }
        QString text = QString::fromLatin1(item.text);
        if (item.id == IDM_ABOUTBOX) {
            const QString about = ResourceText(IDS_ABOUTBOX);
            if (!about.isEmpty())
                text = about;
        }
        const QStringList parts = text.split(QLatin1Char('\t'));
        QAction* action = menu->addAction(parts.front());
        if (parts.size() > 1) {
            action->setShortcut(QKeySequence(parts.back()));
            // Accelerators act anywhere in the window, but the keys of the
            // result list's own commands belong to the list, whose key
            // handling runs them, so in the menu they are only shown.
            const std::span<const int> listKeys = ListKeyCommands();
            const bool windowWide =
                std::find(listKeys.begin(), listKeys.end(), item.id) == listKeys.end();
            action->setShortcutContext(windowWide ? Qt::WindowShortcut : Qt::WidgetShortcut);
            if (windowWide)
                m_pWindow->addAction(action);
        }
        connect(action, &QAction::triggered, this, [this, id = item.id] { m_dispatch(id); });
        m_actions.emplace(item.id, action);
    }
}

QAction* CMainMenu::Action(int id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainMenu::SetHandler(int id, std::function<void()> handler) {
    m_handlers[id] = std::move(handler);
    UpdateStates();
}

bool CMainMenu::Run(int id) const {
    const auto found = m_handlers.find(id);
    if (found == m_handlers.end())
        return false;
    found->second();
    return true;
}

bool CMainMenu::IsAvailable(int id) const {
    return m_handlers.count(id) != 0;
}

bool CMainMenu::IsEnabled(int id) const {
    const std::span<const int> grayed = SearchGrayedCommands();
    const bool searchGrays = std::find(grayed.begin(), grayed.end(), id) != grayed.end();
    return IsAvailable(id) && !(searchGrays && m_bSearching) && m_refused.count(id) == 0;
}

void CMainMenu::SetSearching(bool searching) {
    m_bSearching = searching;
    UpdateStates();
}

void CMainMenu::SetRefusedCommands(std::set<int> refused) {
    if (refused == m_refused)
        return;
    m_refused = std::move(refused);
    UpdateStates();
}

void CMainMenu::SetChecked(int id, bool checked) {
    if (QAction* action = Action(id)) {
        action->setCheckable(true);
        action->setChecked(checked);
    }
}

void CMainMenu::UpdateStates() {
    for (const auto& [id, action] : m_actions)
        action->setEnabled(IsEnabled(id));
    emit statesChanged();
}
