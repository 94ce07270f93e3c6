#pragma once
// The main window's menu bar and its command table: one action per command
// of the menus (menu 128), each command's work, and which commands can run.
// A command without work in this build stays grayed; a running search grays
// the commands that need its finished result or change its records, and the
// window grays what the selected rows do not allow.

#include <QObject>

#include <functional>
#include <map>
#include <set>
#include <span>

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
    void AddItems(QMenu* menu, std::span<const MainMenuItem> items);
    void UpdateStates();

    QWidget* m_pWindow;
    std::function<void(int)> m_dispatch;
    QMenuBar* m_pMenuBar;
    std::map<int, QAction*> m_actions;
    std::map<int, std::function<void()>> m_handlers;
    bool m_bSearching = false;
    std::set<int> m_refused;
};
