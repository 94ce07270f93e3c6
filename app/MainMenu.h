#pragma once
// The main window's menu bar and its command table: one action per command
// of the menus (menu 128), each command's work, and which commands can run.
// A command without work in this build stays grayed; a running search grays
// the commands that need its finished result or change its records, and the
// window grays what the selected rows do not allow. The drop-down menus show
// the icons of the menu strip beside their commands (grayed commands get the
// icon's disabled look); the Recent Search sub-menu and the Macro menu end
// in lists of items that the window sets.

#include <QList>
#include <QObject>

#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/MainMenuTable.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

class CMainMenu : public QObject {
    Q_OBJECT
public:
    // Builds the menu bar inside `window`; choosing an item (or pressing its
    // accelerator) calls `dispatch` with the item's command id.
    CMainMenu(QWidget* window, std::function<void(int)> dispatch);

    QMenuBar* MenuBar() const { return m_pMenuBar; }
    // The menu bar's action of a command, or nullptr.
    QAction* Action(int id) const;

    // Gives command `id` its work; from then on the command is available.
    void SetHandler(int id, std::function<void()> handler);
    // Gives the commands `first` to `last` one work, which receives the id.
    void SetRangeHandler(int first, int last, std::function<void(int)> handler);

    // The lists at the end of a menu: after "Clear Recent Search List" and
    // its separator, and after the Macro menu's first three items.
    enum class MenuList { RecentSearches, Macros };
    // Replaces the list's items by one per (command id, text), in order; a
    // text's label and shortcut are split at its tabs.
    void SetListItems(MenuList list, const std::vector<std::pair<int, std::string>>& items);
    // The list's items, in order.
    QList<QAction*> ListItems(MenuList list) const;
    // Runs the command's work; false when the command has none.
    bool Run(int id) const;
    // Whether the command's work exists in this build.
    bool IsAvailable(int id) const;
    // Whether the command can run now: available and not grayed by a search.
    bool IsEnabled(int id) const;

    // Grays (true) or ungrays the commands that a running search grays.
    void SetSearching(bool searching);
    // Grays `refused`, the commands the window's state does not allow now
    // (what the selected rows allow), and ungrays the others it refused before.
    void SetRefusedCommands(std::set<int> refused);
    // Shows the command's menu item checked or not (it becomes checkable).
    void SetChecked(int id, bool checked);

signals:
    // A drop-down menu is about to open (its items' check marks may need updating).
    void aboutToShow();
    // The enabled state of the commands was set again.
    void statesChanged();

private:
    struct RangeHandler {
        int first;
        int last;
        std::function<void(int)> work;
    };

    void AddItems(QMenu* menu, std::span<const MainMenuItem> items);
    void SetIcons();
    void UpdateStates();
    const RangeHandler* FindRange(int id) const;

    QWidget* m_pWindow;
    std::function<void(int)> m_dispatch;
    QMenuBar* m_pMenuBar;
    std::map<int, QAction*> m_actions;
    std::map<int, std::function<void()>> m_handlers;
    std::vector<RangeHandler> m_rangeHandlers;
    QMenu* m_pListMenus[2] = {};
    QList<QAction*> m_listItems[2];
    bool m_bSearching = false;
    std::set<int> m_refused;
};
