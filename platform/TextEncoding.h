#pragma once
// Conversions of text read out of files into the program's UTF-8.

#include <string>
#include <string_view>

// Appends the UTF-8 form of code point `c`; a surrogate or a value above
// U+10FFFF becomes "?".
void AppendUtf8(std::string& out, char32_t c);

// 8-bit text in the Windows-1252 code page ("ANSI" text without a declared
// code page) as UTF-8. The five bytes the code page leaves undefined keep
// their own value as a code point.
std::string Windows1252ToUtf8(std::string_view text);
