#pragma once
// Eight-bit and UTF-16 text read out of files, turned into UTF-8.
//
// Text is decoded by what the file declares; without a declaration, "ANSI"
// text is Windows-1252 and "OEM" text is code page 437. UTF-16 becomes UTF-8,
// and a surrogate without its partner becomes "?". Code page 65001 (UTF-8)
// keeps its bytes as they are, so text that is not valid UTF-8 keeps them too.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ByteReader.h"

namespace zb {

constexpr unsigned kCodePageOem = 437;
constexpr unsigned kCodePageAnsi = 1252;
constexpr unsigned kCodePageUtf16Le = 1200;
constexpr unsigned kCodePageUtf16Be = 1201;
constexpr unsigned kCodePageLatin1 = 28591;
constexpr unsigned kCodePageUtf8 = 65001;

// Windows-1252 to UTF-8. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same
// number, as the system's own conversion does.
std::string Cp1252ToUtf8(std::string_view text);

// Code page 437 to UTF-8: bytes below 0x80 stay as they are, every byte from
// 0x80 up becomes its CP437 character.
std::string Cp437ToUtf8(std::string_view text);

// UTF-16 to UTF-8. An odd last byte is dropped; a NUL stays a NUL.
std::string Utf16ToUtf8(std::u16string_view text);
std::string Utf16LeToUtf8(ByteSpan bytes);
std::string Utf16BeToUtf8(ByteSpan bytes);

// Eight-bit (or UTF-16, for 1200 and 1201) text in Windows code page
// `codePage` to UTF-8. Code page 0 means "not declared" and reads as
// Windows-1252, as does a code page this system cannot convert. A byte that
// has no character in its code page becomes "?".
std::string CodePageToUtf8(std::string_view text, unsigned codePage);

// True when `text` is well-formed UTF-8 throughout.
bool IsValidUtf8(std::string_view text);

// `text` as it stands when it is valid UTF-8, else read as Windows-1252: for
// eight-bit text whose encoding nothing declares.
std::string Utf8OrCp1252ToUtf8(std::string_view text);

// `text` up to its first NUL (all of it when there is none).
std::string_view UntilNul(std::string_view text);

// Appends the UTF-8 form of `codePoint` (at most U+10FFFF) to `out`.
void AppendUtf8(char32_t codePoint, std::string& out);

}  // namespace zb
