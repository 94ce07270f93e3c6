#include "platform/TextReplace.h"

#include <algorithm>

namespace zb {

std::string ReplaceChars(std::string_view text, std::span<const CharReplacement> table) {
    std::string replaced;
    replaced.reserve(text.size());
    for (const char c : text) {
        const auto found = std::find_if(table.begin(), table.end(),
                                        [c](const CharReplacement& r) { return r.from == c; });
        if (found != table.end())
            replaced += found->to;
        else
            replaced += c;
    }
    return replaced;
}

}  // namespace zb
