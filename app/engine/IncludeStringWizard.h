#pragma once
// The rule by which the "Include String Wizard" turns its three rows of
// choices into an include string (for "Regular Expression" mode). Each row
// says whether its text must be included or must not, and whether the text is
// a string or a number whose bytes are searched for; rows with an empty text
// are left out.

#include <optional>
#include <string>

// The row's first combo: "Include" / "Not Include".
constexpr int INCLUDE_WIZARD_INCLUDE = 0;
constexpr int INCLUDE_WIZARD_NOT_INCLUDE = 1;
// The row's second combo: "String" / "Hex Number" / "Dec Number".
constexpr int INCLUDE_WIZARD_STRING = 0;
constexpr int INCLUDE_WIZARD_HEX_NUMBER = 1;
constexpr int INCLUDE_WIZARD_DEC_NUMBER = 2;
// The combos between the rows: "And" / "Or".
constexpr int INCLUDE_WIZARD_AND = 0;
constexpr int INCLUDE_WIZARD_OR = 1;

constexpr int kIncludeWizardRows = 3;

struct IncludeWizardRow {
    int include = INCLUDE_WIZARD_INCLUDE;
    int kind = INCLUDE_WIZARD_STRING;
    std::string text;
};

// The include string of the rows, in order: from the second used row on '|'
// when the connector before that row (connectors[row - 1]) is "Or", else '&';
// '!' for "Not Include"; a string between double quotes (with '"' and '\'
// escaped); a number as '{', its bytes from the lowest up as "\x%02x" until
// no non-zero byte is left ("\x00" for 0), and '}'. A number is read from the
// text without white space at its ends: hexadecimal digits with an optional
// "0x", or decimal digits, up to 64 bits. std::nullopt when a used number
// row's text is not such a number; `badRow` (when given) then names that row.
std::optional<std::string> BuildIncludeString(const IncludeWizardRow rows[kIncludeWizardRows],
                                              const int connectors[kIncludeWizardRows - 1],
                                              int* badRow = nullptr);
