#include "app/MainMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

#include "ui/BitmapStrip.h"
#include "ui/ResourceText.h"

namespace {

constexpr int kMenuIconSize = 16;

}  // namespace

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
    SetIcons();
    UpdateStates();
}

void CMainMenu::SetIcons() {
    const QList<QIcon> icons = LoadBitmapStrip(IDB_MENU_ICONS, kMenuIconSize, QColor(255, 0, 255));
    for (const auto& [id, action] : m_actions) {
        const int index = MainMenuIconIndex(id);
        if (index >= 0 && index < icons.size())
            action->setIcon(icons[index]);
    }
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
        if (item.id == ID_CLEAR_RECENT_SEARCH)
            m_pListMenus[static_cast<int>(MenuList::RecentSearches)] = menu;
        else if (item.id == ID_SAVE_MACRO)
            m_pListMenus[static_cast<int>(MenuList::Macros)] = menu;
        std::string text = item.text;
        if (item.id == IDM_ABOUTBOX) {
            const QString about = ResourceText(IDS_ABOUTBOX);
            if (!about.isEmpty())
                text = about.toStdString();
        }
        const MenuItemText parts = SplitMenuItemText(text);
        QAction* action = menu->addAction(QString::fromStdString(parts.label));
        if (!parts.shortcut.empty()) {
            action->setShortcut(QKeySequence(QString::fromStdString(parts.shortcut)));
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

void CMainMenu::SetRangeHandler(int first, int last, std::function<void(int)> handler) {
    m_rangeHandlers.push_back({first, last, std::move(handler)});
    UpdateStates();
}

const CMainMenu::RangeHandler* CMainMenu::FindRange(int id) const {
    for (const RangeHandler& range : m_rangeHandlers) {
        if (id >= range.first && id <= range.last)
            return &range;
    }
    return nullptr;
}

bool CMainMenu::Run(int id) const {
    const auto found = m_handlers.find(id);
    if (found != m_handlers.end()) {
        found->second();
        return true;
    }
    if (const RangeHandler* range = FindRange(id)) {
        range->work(id);
        return true;
    }
    return false;
}

bool CMainMenu::IsAvailable(int id) const {
    return m_handlers.count(id) != 0 || FindRange(id) != nullptr;
}

void CMainMenu::SetListItems(MenuList list, const std::vector<std::pair<int, std::string>>& items) {
    const int which = static_cast<int>(list);
    QMenu* menu = m_pListMenus[which];
    if (!menu)
        return;
    for (QAction* old : m_listItems[which]) {
        menu->removeAction(old);
        old->deleteLater();
    }
    m_listItems[which].clear();
    for (const auto& [id, text] : items) {
        const MenuItemText parts = SplitMenuItemText(text);
        QString shown = QString::fromStdString(parts.label);
        // The shortcut is only shown: the window's key routing runs the
        // macros' hot keys.
        if (!parts.shortcut.empty())
            shown += QLatin1Char('\t') + QString::fromStdString(parts.shortcut);
        QAction* action = menu->addAction(shown);
        connect(action, &QAction::triggered, this, [this, id = id] { m_dispatch(id); });
        m_listItems[which].append(action);
    }
}

QList<QAction*> CMainMenu::ListItems(MenuList list) const {
    return m_listItems[static_cast<int>(list)];
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
