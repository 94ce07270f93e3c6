#pragma once
// Text helpers of name matching. Lower-casing of UTF-8 text is Unicode-aware,
// for case-insensitive name matching. Each code point takes its simple (one-to-one) lower-case
// mapping; ASCII takes a fast path. Bytes that are not valid UTF-8 pass through unchanged, so a
// file name that is not valid UTF-8 keeps its bytes.

#include <cstddef>
#include <string>
#include <string_view>

// The ASCII letter `c` in lower or upper case; any other byte as it is.
constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string LowerCaseUtf8(std::string_view text);

// The same into `out`, reusing its storage (for per-name use in a search).
void LowerCaseUtf8(std::string_view text, std::string& out);
// Upper-casing by the inverse of the same simple mappings: each code point
// that is some code point's lower-case form becomes that code point.
std::string UpperCaseUtf8(std::string_view text);

// Case-insensitive order of two UTF-8 texts (-1, 0 or 1): the same as
// comparing their LowerCaseUtf8 forms byte by byte, without lower-casing an
// all-ASCII text.
int CompareUtf8NoCase(std::string_view a, std::string_view b);

// The length of the character at text[pos]: the length of a well-formed UTF-8
// sequence there, else 1 (a byte that is not valid UTF-8 counts on its own).
// `pos` must be below text.size().
std::size_t Utf8CharLength(std::string_view text, std::size_t pos);

// The first `maxChars` characters of `text` (as Utf8CharLength counts them),
// never cutting a character; all of it when it is not longer.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxChars);

// How many characters `text` holds, as Utf8CharLength counts them.
std::size_t Utf8CharCount(std::string_view text);

// `text` without white space (blank, tab, CR, LF, VT, FF) at both ends.
std::string_view TrimWhiteSpace(std::string_view text);
