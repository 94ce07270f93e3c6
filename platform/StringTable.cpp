#include "platform/StringTable.h"

#include <algorithm>
#include <iterator>

namespace {

struct StringEntry {
    UINT id;
    const char* text;
};

// Sorted by id.
constexpr StringEntry kStrings[] = {
    {101, "&About Zembrolt..."},
    {102, "Zembrolt"},
    {103, "Property Sheet"},
    {104, "Name"},
    {105, "Search String"},
    {106, "Name"},
    {107, "Hot Key"},
    {112, "Properties"},
    {118, "Property Sheet"},
    {119, "zbhotkey main wnd"},
    {120, "ZBHOTKEY"},
    {323, "No folders were added. Please press add button to add folders."},
    {324, "Do you want to display the files found so far?"},
    {325, "%s is already exist."},
    {326, "Failed in renaming %s to %s."},
    {327, "Are you sure to rename these files?"},
    {328, "More.."},
    {5001, "The double quotation mark is not matching"},
    {5002, "%s is not a valid directory."},
    {5003, "%d Objects"},
    {5004, "Searching in %s"},
    {5005, "Please select an item in the list."},
    {5006, "Decompressing files"},
    {5007, "Do you want to cancel the operation?"},
    {5008, "Search %s in %s"},
    {5009, "Invalidate macro name."},
    {5010, "Invalid regular expression"},
    {5011, "Search result exceed %d"},
    {5012, "%s is invalid parameter"},
    {5013, "Search"},
    {5014, "Stop"},
    {5015, "Explore location folder"},
    {5016, "Failed in exporting to %s"},
    {5017, "Failed in printing search result"},
    {5018, "Zembrolt Search Result"},
    {5023, "Zembrolt %s is released. Do you want to download it now?"},
    {5025, "Export Search Result"},
    {5026, "Print Search Result"},
    {5027, "Select Visible Column"},
    {5028, "Views"},
    {5029, "Adding duplicate files to search result list"},
    {5030, "Unpack method of %s files is not supported, file %s cannot be unpacked!"},
    {5031, "Column head can not be adjusted while searching."},
    {5032, "Refreshing summary information"},
    {5033, "%s has not sub folders."},
    {5034, "Disabled"},
    {40016,
     "You selected one or more directories . If you want to rename directories, all items you "
     "selected must be in a same directory.  Please select again."},
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const StringEntry& a, const StringEntry& b) {
                                 return a.id < b.id;
                             }),
              "the string table must be sorted by id");

}  // namespace

const char* LoadResourceString(UINT id) {
    const auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                     [](const StringEntry& e, UINT v) { return e.id < v; });
    return (it != std::end(kStrings) && it->id == id) ? it->text : "";
}
