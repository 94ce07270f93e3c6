#pragma once
// The program's string table: every numbered user-visible text with the name
// the code calls it by, and the one formatter that fills a text's fields.
//
// A text's fields are "%s" (a text argument), "%d" (a whole number) and "%%"
// (a percent sign). FormatResourceString checks at compile time that the
// arguments fit the fields of the text it formats, so a text and its callers
// can never disagree.

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/WinTypes.h"

enum StringId : UINT {
    IDS_ABOUTBOX = 101,
    IDS_PROGRAM_NAME = 102,  // also the caption of the program's message boxes
    IDS_PROPERTY_SHEET = 103,
    IDS_GROUP_NAME_COLUMN = 104,
    IDS_GROUP_PATTERNS_COLUMN = 105,
    IDS_MACRO_NAME_COLUMN = 106,
    IDS_MACRO_HOT_KEY_COLUMN = 107,
    IDS_PROPERTIES = 112,
    IDS_RENAME_SHEET = 118,
    IDS_HOT_KEY_WINDOW_TITLE = 119,
    IDS_HOT_KEY_WINDOW_CLASS = 120,
    IDS_NO_FOLDERS_ADDED = 323,
    IDS_DISPLAY_FILES_FOUND = 324,
    IDS_ALREADY_EXISTS = 325,
    IDS_RENAME_FAILED = 326,
    IDS_CONFIRM_RENAME = 327,
    IDS_MORE_COLUMNS = 328,
    IDS_UNMATCHED_QUOTE = 5001,
    IDS_NOT_A_VALID_DIRECTORY = 5002,
    IDS_OBJECTS = 5003,
    IDS_SEARCHING_IN = 5004,
    IDS_SELECT_AN_ITEM = 5005,
    IDS_DECOMPRESSING_FILES = 5006,
    IDS_CANCEL_OPERATION = 5007,
    IDS_RECENT_SEARCH = 5008,
    IDS_INVALID_MACRO_NAME = 5009,
    IDS_INVALID_REGULAR_EXPRESSION = 5010,
    IDS_SEARCH_RESULT_EXCEED = 5011,
    IDS_INVALID_PARAMETER = 5012,
    IDS_SEARCH = 5013,
    IDS_STOP = 5014,
    IDS_EXPLORE_LOCATION_FOLDER = 5015,
    IDS_EXPORT_FAILED = 5016,
    IDS_PRINT_FAILED = 5017,
    IDS_PRINT_FILE_PREFIX = 5018,
    IDS_NEWER_VERSION_RELEASED = 5023,
    IDS_EXPORT_TOOLTIP = 5025,
    IDS_PRINT_TOOLTIP = 5026,
    IDS_SELECT_COLUMNS_TOOLTIP = 5027,
    IDS_VIEWS_TOOLTIP = 5028,
    IDS_ADDING_DUPLICATES = 5029,
    IDS_UNPACK_NOT_SUPPORTED = 5030,
    IDS_COLUMNS_WHILE_SEARCHING = 5031,
    IDS_REFRESHING_SUMMARY = 5032,
    IDS_NO_SUB_FOLDERS = 5033,
    IDS_HOT_KEY_DISABLED = 5034,
    IDS_RENAME_FOLDERS_APART = 40016,
};

namespace zb {

struct StringEntry {
    UINT id;
    const char* text;
};

// Sorted by id.
inline constexpr StringEntry kStringTable[] = {
    {IDS_ABOUTBOX, "&About Zembrolt..."},
    {IDS_PROGRAM_NAME, "Zembrolt"},
    {IDS_PROPERTY_SHEET, "Property Sheet"},
    {IDS_GROUP_NAME_COLUMN, "Name"},
    {IDS_GROUP_PATTERNS_COLUMN, "Search String"},
    {IDS_MACRO_NAME_COLUMN, "Name"},
    {IDS_MACRO_HOT_KEY_COLUMN, "Hot Key"},
    {IDS_PROPERTIES, "Properties"},
    {IDS_RENAME_SHEET, "Property Sheet"},
    {IDS_HOT_KEY_WINDOW_TITLE, "zbhotkey main wnd"},
    {IDS_HOT_KEY_WINDOW_CLASS, "ZBHOTKEY"},
    {IDS_NO_FOLDERS_ADDED, "No folders were added. Please press add button to add folders."},
    {IDS_DISPLAY_FILES_FOUND, "Do you want to display the files found so far?"},
    {IDS_ALREADY_EXISTS, "%s is already exist."},
    {IDS_RENAME_FAILED, "Failed in renaming %s to %s."},
    {IDS_CONFIRM_RENAME, "Are you sure to rename these files?"},
    {IDS_MORE_COLUMNS, "More.."},
    {IDS_UNMATCHED_QUOTE, "The double quotation mark is not matching"},
    {IDS_NOT_A_VALID_DIRECTORY, "%s is not a valid directory."},
    {IDS_OBJECTS, "%d Objects"},
    {IDS_SEARCHING_IN, "Searching in %s"},
    {IDS_SELECT_AN_ITEM, "Please select an item in the list."},
    {IDS_DECOMPRESSING_FILES, "Decompressing files"},
    {IDS_CANCEL_OPERATION, "Do you want to cancel the operation?"},
    {IDS_RECENT_SEARCH, "Search %s in %s"},
    {IDS_INVALID_MACRO_NAME, "Invalidate macro name."},
    {IDS_INVALID_REGULAR_EXPRESSION, "Invalid regular expression"},
    {IDS_SEARCH_RESULT_EXCEED, "Search result exceed %d"},
    {IDS_INVALID_PARAMETER, "%s is invalid parameter"},
    {IDS_SEARCH, "Search"},
    {IDS_STOP, "Stop"},
    {IDS_EXPLORE_LOCATION_FOLDER, "Explore location folder"},
    {IDS_EXPORT_FAILED, "Failed in exporting to %s"},
    {IDS_PRINT_FAILED, "Failed in printing search result"},
    {IDS_PRINT_FILE_PREFIX, "Zembrolt Search Result"},
    {IDS_NEWER_VERSION_RELEASED, "Zembrolt %s is released. Do you want to download it now?"},
    {IDS_EXPORT_TOOLTIP, "Export Search Result"},
    {IDS_PRINT_TOOLTIP, "Print Search Result"},
    {IDS_SELECT_COLUMNS_TOOLTIP, "Select Visible Column"},
    {IDS_VIEWS_TOOLTIP, "Views"},
    {IDS_ADDING_DUPLICATES, "Adding duplicate files to search result list"},
    {IDS_UNPACK_NOT_SUPPORTED,
     "Unpack method of %s files is not supported, file %s cannot be unpacked!"},
    {IDS_COLUMNS_WHILE_SEARCHING, "Column head can not be adjusted while searching."},
    {IDS_REFRESHING_SUMMARY, "Refreshing summary information"},
    {IDS_NO_SUB_FOLDERS, "%s has not sub folders."},
    {IDS_HOT_KEY_DISABLED, "Disabled"},
    {IDS_RENAME_FOLDERS_APART,
     "You selected one or more directories . If you want to rename directories, all items you "
     "selected must be in a same directory.  Please select again."},
};

static_assert(std::is_sorted(std::begin(kStringTable), std::end(kStringTable),
                             [](const StringEntry& a, const StringEntry& b) {
                                 return a.id < b.id;
                             }),
              "the string table must be sorted by id");

constexpr const char* FindStringText(UINT id) {
    const auto it =
        std::lower_bound(std::begin(kStringTable), std::end(kStringTable), id,
                         [](const StringEntry& entry, UINT value) { return entry.id < value; });
    return it != std::end(kStringTable) && it->id == id ? it->text : "";
}

// What fills one field of a text.
enum class FieldKind { kText, kNumber };

// The kind of field an argument of type T fills: text for what converts to a
// std::string_view, a number for integers (bool excluded).
template <class T>
constexpr FieldKind FieldKindOf() {
    using Plain = std::decay_t<T>;
    if constexpr (std::is_convertible_v<const Plain&, std::string_view>) {
        return FieldKind::kText;
    } else {
        static_assert(std::is_integral_v<Plain> && !std::is_same_v<Plain, bool>,
                      "a string-table field takes a text or a whole number");
        return FieldKind::kNumber;
    }
}

// True when the fields of `text` take exactly `kinds`, in order.
constexpr bool FieldsMatch(std::string_view text, std::initializer_list<FieldKind> kinds) {
    auto next = kinds.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (++i == text.size())
            return false;
        if (text[i] == '%')
            continue;
        if (next == kinds.end())
            return false;
        const FieldKind wanted = text[i] == 's'   ? FieldKind::kText
                                 : text[i] == 'd' ? FieldKind::kNumber
                                                  : static_cast<FieldKind>(-1);
        if (wanted != *next++)
            return false;
    }
    return next == kinds.end();
}

// One argument of a format: a text or a number.
struct FieldValue {
    FieldValue(std::string_view text) : kind(FieldKind::kText), text(text) {}
    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    FieldValue(T value)
        : kind(FieldKind::kNumber),
          number(static_cast<std::int64_t>(value)),
          isUnsigned(std::is_unsigned_v<T>) {}

    FieldKind kind;
    std::string_view text;
    std::int64_t number = 0;
    bool isUnsigned = false;
};

// Fills the fields of `text` with `values` in order (already checked).
std::string FillFields(std::string_view text, std::span<const FieldValue> values);

// A string id whose text has fields for exactly the arguments `Args`; made
// only at compile time, where a mismatch stops the build.
template <class... Args>
class CheckedStringId {
public:
    template <class Id>
    consteval CheckedStringId(Id id) : m_id(static_cast<UINT>(id)) {
        if (!FieldsMatch(FindStringText(m_id), {FieldKindOf<Args>()...}))
            throw "the arguments do not fit the fields of this string-table text";
    }
    UINT Get() const { return m_id; }

private:
    UINT m_id;
};

// Argument types as the check sees them; a layer above maps its own text type
// (the windows' QString) to std::string here.
template <class T>
struct FieldArgument {
    using type = std::decay_t<T>;
};
template <class T>
using FieldArgumentT = typename FieldArgument<T>::type;

}  // namespace zb

// The text of string `id`, or an empty string for an unknown id.
inline const char* LoadResourceString(UINT id) {
    return zb::FindStringText(id);
}

// String `id` with its fields filled by `args` in order.
template <class... Args>
std::string FormatResourceString(zb::CheckedStringId<zb::FieldArgumentT<Args>...> id,
                                 const Args&... args) {
    const zb::FieldValue values[sizeof...(Args) + 1] = {zb::FieldValue(args)...,
                                                        zb::FieldValue(std::string_view())};
    return zb::FillFields(LoadResourceString(id.Get()), std::span(values, sizeof...(Args)));
}
