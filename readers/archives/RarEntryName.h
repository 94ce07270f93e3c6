#pragma once
// Decoding of RAR member names (the block format of RAR 1.5 to 4.x) into
// UTF-8. A file header whose flags hold 0x0200 stores its name either as
// UTF-8 (no zero byte in it) or as an 8-bit spelling, a zero byte and the
// name's UTF-16 form in RAR's compressed encoding: a high byte shared by the
// name, then groups of four characters, each announced by two bits of a flag
// byte (highest first):
//   0  one byte: the character's low byte, high byte 0;
//   1  one byte: the low byte, with the shared high byte;
//   2  two bytes: the whole character, low byte first;
//   3  a run copied from the 8-bit spelling at the same position: a length
//      byte n; below 0x80, n + 2 characters as they stand; from 0x80 up, a
//      correction byte c follows and (n & 0x7F) + 2 characters become
//      (byte + c) & 0xFF with the shared high byte.
// Without the flag the name is 8-bit: code page 437, UTF-8 where the host
// writes its names so (platform/TextCodec.h, ArchiveName.h).

#include <string>
#include <string_view>

// The UTF-16 name encoded in `encoded` (the bytes after the zero) over the
// 8-bit spelling `eightBit`. Decoding stops where the encoding runs out, a
// run passes the end of the 8-bit spelling, or a NUL character comes; what
// was decoded by then is the result (empty when nothing was).
std::u16string DecodeRarUnicodeName(std::string_view eightBit, std::string_view encoded);

// The member's name as UTF-8. `raw` is the name field as stored,
// `unicodeFlag` the header's flag 0x0200, `utf8Host` whether the host writes
// its 8-bit names in UTF-8. A Unicode part that decodes to nothing leaves the
// 8-bit spelling.
std::string DecodeRarEntryName(std::string_view raw, bool unicodeFlag, bool utf8Host);
