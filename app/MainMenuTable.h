#pragma once
// The main window's menu bar (menu 128): its drop-down menus and their items
// in order, with command ids, texts and accelerators. A text holds the label
// and, after a tab, the accelerator shown beside it.

#include <span>
#include <string>
#include <string_view>

#include "app/engine/RecentSearches.h"

// Commands of the menu bar that other windows or the command line also send.
constexpr int IDM_ABOUTBOX = 16;
constexpr int IDC_STOP = 1032;
constexpr int ID_APP_EXIT = 32771;
constexpr int ID_SHOW_LOG_WINDOW = 32772;
constexpr int ID_FILE_TYPE_GROUP_LIST = 40001;
constexpr int ID_SAVE_MACRO = 40004;
constexpr int ID_MACRO_LIST = 40005;
constexpr int ID_CLEAR_RECENT_SEARCH = 40006;
constexpr int ID_SEL_VISIBLE_COLUMN = 40008;
constexpr int ID_OPTION = 40011;
constexpr int ID_HELP_CONTENTS = 40012;
constexpr int ID_CLEAR_RESULT = 40013;
constexpr int ID_RESET_ADVANCE_TAB = 40014;
constexpr int ID_PRINT_RESULT = 40015;
constexpr int ID_EXPORT_RESULT = 40016;
constexpr int ID_TELL_FRIEND = 40017;
constexpr int ID_SEND_FEEDBACK = 40018;
constexpr int ID_FIND_DUPLICATE = 40028;
constexpr int ID_FIND_REDUNDANT = 40029;
constexpr int ID_WEB_SITE = 40030;
constexpr int ID_EDIT_COPY = 40031;
constexpr int ID_EDIT_CUT = 40032;
constexpr int ID_EDIT_DELETE = 40033;
constexpr int ID_SELECT_ALL = 40034;
constexpr int ID_DESELECT_ALL = 40035;
constexpr int ID_INVERT_SELECTION = 40036;
constexpr int ID_CHANGE_ATTRIBUTES = 40037;
constexpr int ID_RENAME = 40038;
constexpr int ID_CHANGE_FILE_TIME = 40039;
constexpr int ID_MULTI_FOLDER_SEARCH = 40042;

// One entry of a drop-down menu. An id of 0 is a separator; a sub-menu entry
// names its sub-menu and lists its items in `items`.
struct MainMenuItem {
    int id = 0;
    const char* text = nullptr;
    std::span<const MainMenuItem> items = {};
};

struct MainMenuPopup {
    const char* title;
    std::span<const MainMenuItem> items;
};

// File, Tools, Macro, Help.
std::span<const MainMenuPopup> MainMenuPopups();

// The commands that a running search grays in the menu bar.
std::span<const int> SearchGrayedCommands();

// The icon of a command in the menu strip (bitmap 171, 16 pixels each, magenta
// transparent); -1 for a command without one.
constexpr int IDB_MENU_ICONS = 171;
int MainMenuIconIndex(int commandId);

// What a menu item shows: its text cut to 255 characters (never inside a
// character), the label before the first tab and the shortcut after the last.
struct MenuItemText {
    std::string label;
    std::string shortcut;  // empty without a tab
};
MenuItemText SplitMenuItemText(std::string_view text);

// The commands whose keys the result list handles itself (Ctrl+A, Ctrl+C,
// Del, ...); every other accelerator acts anywhere in the window.
std::span<const int> ListKeyCommands();
