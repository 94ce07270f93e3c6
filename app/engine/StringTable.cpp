#include "app/engine/StringTable.h"

#include <algorithm>
#include <iterator>

namespace {

struct StringEntry {
    UINT id;
    const char* text;
};

// Sorted by id.
constexpr StringEntry kStrings[] = {
    {5001, "The double quotation mark is not matching"},
    {5002, "%s is not a valid directory."},
    {5003, "%d Objects"},
    {5004, "Searching in %s"},
    {5011, "Search result exceed %d"},
};

}  // namespace

const char* LoadResourceString(UINT id) {
    const auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                     [](const StringEntry& e, UINT v) { return e.id < v; });
    return (it != std::end(kStrings) && it->id == id) ? it->text : "";
}
