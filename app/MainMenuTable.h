#pragma once
// The main window's menu bar (menu 128): its drop-down menus and their items
// in order, with command ids, texts and accelerators. A text holds the label
// and, after a tab, the accelerator shown beside it.

#include <span>

// Commands of the menu bar that other windows or the command line also send.
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
// The Recent Search sub-menu's items.
constexpr int ID_RECENT_SEARCH_FIRST = 35000;
constexpr int ID_RECENT_SEARCH_LAST = 35100;

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

// The commands whose keys the result list handles itself (Ctrl+A, Ctrl+C,
// Del, ...); every other accelerator acts anywhere in the window.
std::span<const int> ListKeyCommands();
