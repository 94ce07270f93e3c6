#include "readers/archives/ZipEntryName.h"

#include <zlib.h>

#include "platform/TextCase.h"

namespace {

// The characters of bytes 0x80..0xFF in code page 437.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

constexpr unsigned kUnicodePathExtra = 0x7075;

void AppendUtf8(char16_t c, std::string& out) {
    if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = Utf8CharLength(text, pos);
        if (length == 1 && static_cast<unsigned char>(text[pos]) >= 0x80) {
            return false;
        }
        pos += length;
    }
    return true;
}

std::uint32_t ReadLe32(std::string_view data) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(data[static_cast<std::size_t>(i)]);
    }
    return value;
}

}  // namespace

std::string Cp437ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x80) {
            out += ch;
        } else {
            AppendUtf8(kCp437High[byte - 0x80], out);
        }
    }
    return out;
}

std::string DecodeZipEntryName(std::string_view raw, bool utf8Flag, std::string_view extra) {
    if (utf8Flag) {
        return std::string(raw);
    }
    // Info-ZIP Unicode Path: version 1, CRC-32 of the stored name, the UTF-8
    // name. A checksum that does not match means the stored name was changed
    // by a tool that did not know the field, so the field is stale.
    std::string unicode;
    ForEachZipExtraRecord(extra, [&](unsigned id, std::string_view data) {
        if (id != kUnicodePathExtra || data.size() < 5 || data[0] != 1) {
            return true;
        }
        const std::uint32_t crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(raw.data()), static_cast<uInt>(raw.size())));
        const std::string_view name = data.substr(5);
        if (ReadLe32(data.substr(1, 4)) == crc && IsValidUtf8(name)) {
            unicode.assign(name);
        }
        return false;
    });
    if (!unicode.empty()) {
        return unicode;
    }
    return Cp437ToUtf8(raw);
}
