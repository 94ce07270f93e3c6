#include "readers/archives/RarEntryName.h"

#include <cstdint>

#include "platform/TextCodec.h"
#include "readers/archives/ArchiveName.h"

std::u16string DecodeRarUnicodeName(std::string_view eightBit, std::string_view encoded) {
    std::u16string out;
    std::size_t pos = 0;
    const auto next = [&] { return static_cast<std::uint8_t>(encoded[pos++]); };
    const auto left = [&] { return encoded.size() - pos; };
    if (left() == 0) {
        return out;
    }
    const char16_t high = static_cast<char16_t>(next() << 8);
    unsigned flags = 0;
    int flagBits = 0;
    // Every step takes at least one byte, so the loop ends with the input.
    while (left() > 0) {
        if (flagBits == 0) {
            flags = next();
            flagBits = 8;
            continue;
        }
        const std::size_t stepStart = out.size();
        bool passedSpelling = false;
        const unsigned code = (flags >> 6) & 3;
        flags <<= 2;
        flagBits -= 2;
        if (code == 0 || code == 1) {
            const char16_t low = next();
            out += code == 0 ? low : static_cast<char16_t>(high | low);
        } else if (code == 2) {
            if (left() < 2) {
                break;
            }
            const char16_t low = next();
            out += static_cast<char16_t>(low | next() << 8);
        } else {
            const unsigned length = next();
            const bool corrected = (length & 0x80) != 0;
            if (corrected && left() == 0) {
                break;
            }
            const std::uint8_t correction = corrected ? next() : 0;
            for (unsigned n = (length & 0x7F) + 2; n > 0; --n) {
                if (out.size() >= eightBit.size()) {
                    passedSpelling = true;
                    break;
                }
                const auto byte = static_cast<std::uint8_t>(eightBit[out.size()]);
                out +=
                    corrected
                        ? static_cast<char16_t>(high | static_cast<std::uint8_t>(byte + correction))
                        : static_cast<char16_t>(byte);
            }
        }
        // A NUL ends the name; only the characters of this step can hold
        // the first one, so the search stays linear in the name's length.
        const std::size_t nul = out.find(u'\0', stepStart);
        if (nul != std::u16string::npos) {
            out.resize(nul);
            break;
        }
        if (passedSpelling) {
            break;
        }
    }
    return out;
}

std::string DecodeRarEntryName(std::string_view raw, bool unicodeFlag, bool utf8Host) {
    const std::size_t zero = raw.find('\0');
    if (unicodeFlag && zero == std::string_view::npos) {
        return std::string(raw);  // a Unicode name without a zero is UTF-8
    }
    const std::string_view eightBit = raw.substr(0, zero);
    if (unicodeFlag) {
        const std::u16string wide = DecodeRarUnicodeName(eightBit, raw.substr(zero + 1));
        if (!wide.empty()) {
            return zb::Utf16ToUtf8(wide);
        }
    }
    return DecodeArchiveName(eightBit, utf8Host);
}
