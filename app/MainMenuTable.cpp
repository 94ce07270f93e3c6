#include "app/MainMenuTable.h"

#include <array>

#include "app/ResultListCtrl.h"
#include "platform/TextCase.h"

namespace {

constexpr std::array<MainMenuItem, 2> kRecentItems{{
    {ID_CLEAR_RECENT_SEARCH, "Clear Recent Search List"},
    {0, nullptr},
}};

constexpr std::array<MainMenuItem, 14> kFileItems{{
    {ID_EDIT_COPY, "Copy\tCtrl+C"},
    {ID_EDIT_CUT, "Cut\tCtrl+X"},
    {ID_EDIT_DELETE, "Delete\tDel"},
    {0, nullptr},
    {ID_SELECT_ALL, "Select All\tCtrl+A"},
    {ID_DESELECT_ALL, "Deselect All\tShift+Ctrl+A"},
    {ID_INVERT_SELECTION, "Invert Selection\tCtrl+Q"},
    {0, nullptr},
    {ID_PRINT_RESULT, "Print Search Result\tCtrl+P"},
    {ID_EXPORT_RESULT, "Export Search Result\tCtrl+E"},
    {0, nullptr},
    {-1, "Recent Search", kRecentItems},
    {0, nullptr},
    {ID_APP_EXIT, "Exit\tAlt+F4"},
}};

// The view modes, as the list's view button offers them.
constexpr auto kViewItems = [] {
    std::array<MainMenuItem, kViewCommands.size()> items{};
    for (std::size_t i = 0; i < kViewCommands.size(); ++i)
        items[i] = {kViewCommands[i].id, kViewCommands[i].text};
    return items;
}();

constexpr std::array<MainMenuItem, 17> kToolsItems{{
    {ID_FILE_TYPE_GROUP_LIST, "File Type Group List\tAlt+1"},
    {ID_SHOW_LOG_WINDOW, "Show Log Window\tAlt+2"},
    {ID_CLEAR_RESULT, "Clear Result\tAlt+4"},
    {ID_RESET_ADVANCE_TAB, "Reset Advance Tab\tAlt+5"},
    {0, nullptr},
    {ID_SEL_VISIBLE_COLUMN, "Select Visible Column"},
    {-1, "View", kViewItems},
    {0, nullptr},
    {ID_RENAME, "Rename"},
    {ID_CHANGE_ATTRIBUTES, "Change Attributes"},
    {ID_CHANGE_FILE_TIME, "Change File Time"},
    {0, nullptr},
    {ID_FIND_DUPLICATE, "Find Duplicate Files"},
    {ID_FIND_REDUNDANT, "Find Redundant Files"},
    {ID_MULTI_FOLDER_SEARCH, "Multi Folder Searching"},
    {0, nullptr},
    {ID_OPTION, "Option\tAlt+0"},
}};

constexpr std::array<MainMenuItem, 3> kMacroItems{{
    {ID_SAVE_MACRO, "Save Current Search As Macro"},
    {ID_MACRO_LIST, "Macro List"},
    {0, nullptr},
}};

constexpr std::array<MainMenuItem, 7> kHelpItems{{
    {ID_HELP_CONTENTS, "&Help Contents\tF1"},
    {0, nullptr},
    {ID_WEB_SITE, "Zembrolt on the Web"},
    {ID_TELL_FRIEND, "Tell a Friend/Colleague"},
    {ID_SEND_FEEDBACK, "Send Feedback"},
    {0, nullptr},
    {IDM_ABOUTBOX, "&About"},
}};

constexpr std::array<MainMenuPopup, 4> kPopups{{
    {"&File", kFileItems},
    {"&Tools", kToolsItems},
    {"&Macro", kMacroItems},
    {"&Help", kHelpItems},
}};

// The search reads and appends records while it runs: the commands that
// change records (delete, rename, attributes, file times) wait for its end.
constexpr std::array<int, 11> kSearchGrayed{
    ID_PRINT_RESULT,   ID_EXPORT_RESULT,     ID_SEL_VISIBLE_COLUMN,  ID_CLEAR_RESULT,
    ID_FIND_DUPLICATE, ID_FIND_REDUNDANT,    ID_MULTI_FOLDER_SEARCH, ID_EDIT_DELETE,
    ID_RENAME,         ID_CHANGE_ATTRIBUTES, ID_CHANGE_FILE_TIME};

constexpr std::array<int, 6> kListKeys{ID_EDIT_COPY,  ID_EDIT_CUT,     ID_EDIT_DELETE,
                                       ID_SELECT_ALL, ID_DESELECT_ALL, ID_INVERT_SELECTION};

struct MenuIcon {
    int id;
    int icon;
};

constexpr MenuIcon kMenuIcons[] = {
    {ID_MACRO_LIST, 0},      {ID_FIND_DUPLICATE, 1}, {ID_SEL_VISIBLE_COLUMN, 2},
    {ID_CLEAR_RESULT, 3},    {ID_OPTION, 4},         {ID_EDIT_COPY, 6},
    {ID_TELL_FRIEND, 7},     {ID_WEB_SITE, 7},       {ID_EXPORT_RESULT, 9},
    {ID_FIND_REDUNDANT, 11}, {ID_SEND_FEEDBACK, 12}, {ID_HELP_CONTENTS, 13},
    {ID_PRINT_RESULT, 14},   {IDM_ABOUTBOX, 15},     {ID_APP_EXIT, 16},
    {ID_EDIT_CUT, 17},       {ID_EDIT_DELETE, 18},
};

// A menu string holds at most 255 characters.
constexpr std::size_t kMaxMenuTextChars = 255;

}  // namespace

int MainMenuIconIndex(int commandId) {
    for (const MenuIcon& entry : kMenuIcons) {
        if (entry.id == commandId)
            return entry.icon;
    }
    return -1;
}

MenuItemText SplitMenuItemText(std::string_view text) {
    const std::string_view shown = Utf8Prefix(text, kMaxMenuTextChars);
    const std::size_t firstTab = shown.find('\t');
    if (firstTab == std::string_view::npos)
        return {std::string(shown), {}};
    return {std::string(shown.substr(0, firstTab)),
            std::string(shown.substr(shown.rfind('\t') + 1))};
}

std::span<const MainMenuPopup> MainMenuPopups() {
    return kPopups;
}

std::span<const int> SearchGrayedCommands() {
    return kSearchGrayed;
}

std::span<const int> ListKeyCommands() {
    return kListKeys;
}
