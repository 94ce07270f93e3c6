#include "platform/shell/NameOrder.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>
#include <cstring>

namespace {

// The C.UTF-8 locale's character tables for the lower-case mapping of
// non-ASCII code points; null when the system lacks it (ASCII folding then).
locale_t FoldLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

// Decodes one code point at `s[i]`, advancing `i`. A byte that does not start
// a valid sequence comes back as 0x110000 plus its value.
std::uint32_t Decode(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int length = 0;
    std::uint32_t cp = 0;
    std::uint32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, cp = b0 & 0x07, min = 0x10000;
    }
    if (length == 0 || s.size() - i < static_cast<std::size_t>(length)) {
        ++i;
        return 0x110000 + b0;
    }
    for (int k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0x110000 + b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0x110000 + b0;
    }
    i += length;
    return cp;
}

std::uint32_t Fold(std::uint32_t cp) {
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    if (cp > 0x10FFFF)
        return cp;
    const locale_t locale = FoldLocale();
    if (!locale)
        return cp;
    return static_cast<std::uint32_t>(towlower_l(static_cast<wint_t>(cp), locale));
}

}  // namespace

int CompareItemNames(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (ca < 0x80 && cb < 0x80) {
            // The common case: plain ASCII on both sides.
            const std::uint32_t fa = Fold(ca);
            const std::uint32_t fb = Fold(cb);
            if (fa != fb)
                return fa < fb ? -1 : 1;
            ++i, ++j;
            continue;
        }
        const std::uint32_t fa = Fold(Decode(a, i));
        const std::uint32_t fb = Fold(Decode(b, j));
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
}
