#pragma once
// Decoding of ZIP member names into UTF-8. A name is UTF-8 when its general
// purpose flag bit 11 says so, or when an Info-ZIP Unicode Path extra field
// (0x7075) carries a UTF-8 spelling whose checksum matches the stored name;
// any other name is in code page 437, the OEM code page of the tools that
// wrote ZIP files without a declaration (platform/TextCodec.h).

#include <cstdint>
#include <string>
#include <string_view>

// The member's name as UTF-8. `raw` is the name as stored in the central
// directory, `utf8Flag` its flag bit 11, `extra` the central directory's
// extra field of the member. A name declared UTF-8 keeps its bytes even when
// they are not valid UTF-8 (file names are bytes).
std::string DecodeZipEntryName(std::string_view raw, bool utf8Flag, std::string_view extra);

// Calls `visit(id, data)` for each well-formed record of a ZIP extra field
// (2-byte id, 2-byte length, data); stops at the first record whose length
// runs past the field, or when `visit` returns false.
template <typename Visit>
void ForEachZipExtraRecord(std::string_view extra, Visit visit) {
    std::size_t pos = 0;
    while (extra.size() - pos >= 4) {
        const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(extra[pos + i]); };
        const unsigned id = byte(0) | (byte(1) << 8);
        const std::size_t length = byte(2) | (byte(3) << 8);
        if (length > extra.size() - pos - 4) {
            return;
        }
        if (!visit(id, extra.substr(pos + 4, length))) {
            return;
        }
        pos += 4 + length;
    }
}
