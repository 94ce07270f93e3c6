#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/TextCase.h"

namespace zb {

namespace {

// The characters of bytes 0x80..0x9F in Windows-1252 (0xA0..0xFF are Latin-1).
constexpr char16_t kCp1252C1[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

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

template <typename HighByte>
std::string SingleByteToUtf8(std::string_view text, HighByte high) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x80) {
            out += ch;
        } else {
            AppendUtf8(high(byte), out);
        }
    }
    return out;
}

template <typename Unit>
std::string Utf16UnitsToUtf8(std::size_t count, Unit unit) {
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count) {
            const char16_t next = unit(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (next - 0xDC00),
                           out);
                ++i;
                continue;
            }
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            out += '?';
        } else {
            AppendUtf8(c, out);
        }
    }
    return out;
}

// The C library converter name of a Windows code page.
std::string IconvName(unsigned codePage) {
    switch (codePage) {
        case 10000:
            return "MACINTOSH";
        case 20127:
            return "ASCII";
        case 20866:
            return "KOI8-R";
        case 21866:
            return "KOI8-U";
        case 65000:
            return "UTF-7";
        default:
            break;
    }
    if (codePage >= 28591 && codePage <= 28606) {
        return "ISO-8859-" + std::to_string(codePage - 28590);
    }
    return "CP" + std::to_string(codePage);
}

// Converts through the C library's converters; false when there is none for
// the code page. Bytes it cannot convert become "?".
bool IconvToUtf8(std::string_view text, unsigned codePage, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", IconvName(codePage).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    out.clear();
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (result != static_cast<std::size_t>(-1) || errno == E2BIG) {
            continue;
        }
        // An invalid or incomplete sequence: one "?" for its first byte.
        out += '?';
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return true;
}

}  // namespace

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Cp1252ToUtf8(std::string_view text) {
    return SingleByteToUtf8(text, [](unsigned char byte) -> char32_t {
        return byte < 0xA0 ? kCp1252C1[byte - 0x80] : byte;
    });
}

std::string Cp437ToUtf8(std::string_view text) {
    return SingleByteToUtf8(text,
                            [](unsigned char byte) -> char32_t { return kCp437High[byte - 0x80]; });
}

std::string Utf16ToUtf8(std::u16string_view text) {
    return Utf16UnitsToUtf8(text.size(), [&](std::size_t i) { return text[i]; });
}

std::string Utf16LeToUtf8(ByteSpan bytes) {
    return Utf16UnitsToUtf8(bytes.size() / 2, [&](std::size_t i) {
        return static_cast<char16_t>(LoadLe16(bytes.data() + 2 * i));
    });
}

std::string Utf16BeToUtf8(ByteSpan bytes) {
    return Utf16UnitsToUtf8(bytes.size() / 2, [&](std::size_t i) {
        return static_cast<char16_t>(LoadBe16(bytes.data() + 2 * i));
    });
}

std::string CodePageToUtf8(std::string_view text, unsigned codePage) {
    const ByteSpan bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    switch (codePage) {
        case 0:
        case kCodePageAnsi:
            return Cp1252ToUtf8(text);
        case kCodePageOem:
            return Cp437ToUtf8(text);
        case kCodePageUtf16Le:
            return Utf16LeToUtf8(bytes);
        case kCodePageUtf16Be:
            return Utf16BeToUtf8(bytes);
        case kCodePageLatin1:
            return SingleByteToUtf8(text, [](unsigned char byte) -> char32_t { return byte; });
        case kCodePageUtf8:
            return std::string(text);
        default:
            break;
    }
    std::string out;
    if (IconvToUtf8(text, codePage, out)) {
        return out;
    }
    return Cp1252ToUtf8(text);
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = Utf8CharLength(text, pos);
        if (length == 1 && static_cast<unsigned char>(text[pos]) >= 0x80)
            return false;
        pos += length;
    }
    return true;
}

std::string Utf8OrCp1252ToUtf8(std::string_view text) {
    return IsValidUtf8(text) ? std::string(text) : Cp1252ToUtf8(text);
}

std::string_view UntilNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace zb
