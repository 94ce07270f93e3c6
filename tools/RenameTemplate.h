#pragma once
// The rename tool's templates and text rules, without any window.
//
// A template is text with bracketed tokens: inside "[" and "]" each letter
// adds a value: N the base name, E the extension, T the title, A the author,
// C the counter, Y the year ("%04d"), M the month, D the day, h the hour, m
// the minute and s the second (each "%02d") of the last-write time in local
// time. Outside tokens the characters " / : < > \ | are not allowed.

#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

// Replace modes.
constexpr int RENAME_REPLACE_ALL = 0;
constexpr int RENAME_REPLACE_FIRST = 1;
constexpr int RENAME_REPLACE_AT_BEGINNING = 2;
constexpr int RENAME_REPLACE_AT_END = 3;

// Case rules of the name (0-4) and of the extension (0-2).
constexpr int RENAME_CASE_UNCHANGED = 0;
constexpr int RENAME_CASE_LOWER = 1;
constexpr int RENAME_CASE_UPPER = 2;
constexpr int RENAME_CASE_FIRST_LETTER = 3;
constexpr int RENAME_CASE_WORDS = 4;

// The longest name a file may have, in bytes.
constexpr std::size_t kMaxFileNameBytes = 255;

// TRUE when the template may be used: outside brackets none of the
// characters above, inside a token only the token letters; a template that
// ends inside an open token is valid.
BOOL IsValidRenameTemplate(const std::string& text);

// The values the tokens of one record stand for.
struct RenameValues {
    std::string base;       // the name before its last "."
    std::string extension;  // the name after its last "." (empty without a dot)
    std::string title;
    std::string author;
    std::string counter;   // already formatted
    SYSTEMTIME lastWrite;  // local time
};

// Splits a name at its last "." (no dot: all of it is the base).
void SplitRenameName(const std::string& name, std::string* base, std::string* extension);

// The new name made of the expanded name and extension texts: "." and the
// extension when that is not empty. An old name that ends in "." (its empty
// extension was split off at that dot) keeps the dot when the extension text
// is empty too, so the default templates give "trail." and "..." back as
// they were; a non-empty old extension that the template drops goes with
// its dot.
std::string JoinRenameName(const std::string& name, const std::string& extension,
                           const std::string& oldName);

// The counter of list position `position`: start + step x position, in
// 64-bit arithmetic, as a decimal number padded with zeros to `digits`.
std::string FormatRenameCounter(std::int64_t start, std::int32_t step, std::uint64_t position,
                                unsigned digits);

// Expands `text` into `out` (appending). `inToken` carries the token state
// in and out, so a name template left inside a token makes the extension
// template start inside one.
void ExpandRenameTemplate(const std::string& text, const RenameValues& values, bool* inToken,
                          std::string* out);

// Replaces `find` by `replace` in `text` by `mode`, matching without regard
// to case character by character in place (a character whose lower-case form
// has another length never shifts a match). Nothing happens for an empty
// find text. Mode 0 replaces every occurrence from left to right without
// overlap, 2 only a match at the beginning, 3 only a match at the end, any
// other mode the first occurrence.
void ReplaceRenameText(std::string* text, const std::string& find, const std::string& replace,
                       int mode);

// Applies a case rule: 1 lower case, 2 upper case, 3 lower case with an
// ASCII first letter made upper case, 4 word capitals over ASCII (a letter
// that starts a word upper case, every other upper-case ASCII letter lower
// case; a word starts at the beginning and after any character that is
// neither a letter nor a digit); anything else leaves the text.
void ApplyNameCase(std::string* text, int caseRule);

// TRUE when `name` may be a file's new name: not empty, not "." or "..", no
// "/" and no NUL byte, at most kMaxFileNameBytes bytes.
BOOL IsValidNewFileName(const std::string& name);
