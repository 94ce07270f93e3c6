#pragma once
// Characters of a text replaced from a table: the escapes of the export
// formats, of desktop entries and of the shell's quoting.

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace zb {

// One character and the text that stands for it.
struct CharReplacement {
    char from;
    std::string_view to;
};

// `text` with each character the table names replaced by its text; the other
// characters stay as they are.
std::string ReplaceChars(std::string_view text, std::span<const CharReplacement> table);
inline std::string ReplaceChars(std::string_view text,
                                std::initializer_list<CharReplacement> table) {
    return ReplaceChars(text, std::span(table.begin(), table.size()));
}

}  // namespace zb
