// The terms of an include expression: preparing their search bytes and
// finding them in a block of text.
#include "app/engine/IncludeExpr.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/HexDigit.h"
#include "platform/TextCase.h"

namespace {

constexpr BYTE kFoldBit = 0x20;

std::size_t CountCharacters(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += Utf8CharLength(text, i))
        ++count;
    return count;
}

// Decodes the backslash sequences of `text` into `out`; false for an unknown
// sequence, \x without a hexadecimal digit, or a backslash that ends the text.
bool DecodeEscapes(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        const char c = text[i];
        switch (c) {
            case '!':
            case '"':
            case '&':
            case '\'':
            case '\\':
            case '{':
            case '|':
            case '}':
                out += c;
                break;
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'v':
                out += '\v';
                break;
            case 'x': {
                int value = 0;
                int digits = 0;
                while (digits < 2 && i + 1 < text.size() && HexDigitValue(text[i + 1]) >= 0) {
                    value = value * 16 + HexDigitValue(text[++i]);
                    ++digits;
                }
                if (digits == 0)
                    return false;
                out += static_cast<char>(value);
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

// UTF-8 to UTF-16 little-endian; false (and `out` empty) when the text is not
// well-formed UTF-8.
bool Utf8ToUtf16Le(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8CharLength(text, i);
        const auto byte = [&](std::size_t k) {
            return static_cast<std::uint32_t>(BYTE(text[i + k]));
        };
        std::uint32_t cp = byte(0);
        if (length == 1 && cp >= 0x80) {
            out.clear();
            return false;
        }
        if (length == 2)
            cp = (cp & 0x1F) << 6 | (byte(1) & 0x3F);
        else if (length == 3)
            cp = (cp & 0x0F) << 12 | (byte(1) & 0x3F) << 6 | (byte(2) & 0x3F);
        else if (length == 4)
            cp = (cp & 0x07) << 18 | (byte(1) & 0x3F) << 12 | (byte(2) & 0x3F) << 6 |
                 (byte(3) & 0x3F);
        const auto unit = [&out](std::uint32_t u) {
            out += static_cast<char>(u & 0xFF);
            out += static_cast<char>(u >> 8);
        };
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + (cp >> 10));
            unit(0xDC00 + (cp & 0x3FF));
        } else {
            unit(cp);
        }
        i += length;
    }
    return true;
}

void LowerCaseAsciiBytes(std::string& bytes) {
    for (char& c : bytes)
        c = AsciiLower(c);
}

bool IsWordByte(BYTE b) {
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

bool IsWordUnit(const BYTE* p) {
    return p[1] == 0 && IsWordByte(p[0]);
}

}  // namespace

BOOL CIncludeTerm::SetText(const std::string& text, BOOL escapes) {
    m_sText = text;
    m_sAnsiBytes.clear();
    m_sUtf16Bytes.clear();
    m_Pass[INCLUDE_PASS_ANSI] = {};
    m_Pass[INCLUDE_PASS_UTF16] = {};
    if (text.empty() || CountCharacters(text) > kMaxIncludeTermLength)
        return FALSE;
    // Without match case the text is folded exactly as the blocks are: only
    // 'A'..'Z' become lower case, so any other letter is searched as typed.
    std::string source = text;
    if (!m_bMatchCase)
        LowerCaseAsciiBytes(source);
    if (escapes) {
        if (!DecodeEscapes(source, m_sAnsiBytes)) {
            m_sAnsiBytes.clear();
            return FALSE;
        }
        // A hexadecimal escape may spell an upper-case letter; without match
        // case it must be lowered like typed text, or it could never match.
        if (!m_bMatchCase)
            LowerCaseAsciiBytes(m_sAnsiBytes);
    } else {
        m_sAnsiBytes = source;
    }
    Utf8ToUtf16Le(m_sAnsiBytes, m_sUtf16Bytes);
    PreparePass(INCLUDE_PASS_ANSI);
    PreparePass(INCLUDE_PASS_UTF16);
    return TRUE;
}

void CIncludeTerm::PreparePass(int pass) {
    const std::string& bytes = pass == INCLUDE_PASS_UTF16 ? m_sUtf16Bytes : m_sAnsiBytes;
    CPassPattern& pattern = m_Pass[pass];
    pattern.fold.assign(bytes.size(), '\0');
    pattern.folded = false;
    if (!m_bMatchCase) {
        // The block side folds 'A'..'Z' only: bytes in the 8-bit pass, 16-bit
        // units (high byte 0) in the UTF-16 pass.
        const std::size_t step = pass == INCLUDE_PASS_UTF16 ? 2 : 1;
        for (std::size_t k = 0; k + step <= bytes.size(); k += step) {
            const BYTE b = BYTE(bytes[k]);
            if (b >= 'a' && b <= 'z' && (step == 1 || bytes[k + 1] == '\0')) {
                pattern.fold[k] = static_cast<char>(kFoldBit);
                pattern.folded = true;
            }
        }
    }
    pattern.hasNul = bytes.find('\0') != std::string::npos;
    if (!bytes.empty())
        pattern.pair =
            ChooseRareBytePair(reinterpret_cast<const BYTE*>(bytes.data()),
                               reinterpret_cast<const BYTE*>(pattern.fold.data()), bytes.size());
}

bool CIncludeTerm::IsWholeWord(const BYTE* block, std::size_t length, std::size_t pos, int pass,
                               CIncludeBlockEdges edges) const {
    const bool utf16 = pass == INCLUDE_PASS_UTF16;
    const std::size_t size = utf16 ? m_sUtf16Bytes.size() : m_sAnsiBytes.size();
    // The character before: one byte back, or one 16-bit unit back. With match
    // case the UTF-16 pass tests the single byte that starts that unit.
    const std::size_t back = utf16 ? 2 : 1;
    if (pos < back) {
        if (!edges.m_bTextStart)
            return false;
    } else {
        const BYTE* prev = block + pos - back;
        if (utf16 && !m_bMatchCase ? IsWordUnit(prev) : IsWordByte(*prev))
            return false;
    }
    // The character after: one byte, or one 16-bit unit without match case.
    const std::size_t end = pos + size;
    const std::size_t ahead = utf16 && !m_bMatchCase ? 2 : 1;
    if (end + ahead > length)
        return edges.m_bTextEnd != FALSE;
    const BYTE* next = block + end;
    return !(ahead == 2 ? IsWordUnit(next) : IsWordByte(*next));
}

// What a candidate is checked against.
struct CIncludeTerm::CMatchContext {
    const CIncludeTerm* term;
    const BYTE* block;
    std::size_t length;
    int pass;
    CIncludeBlockEdges edges;
};

bool CIncludeTerm::AcceptCandidate(std::size_t pos, const void* context) {
    const auto& match = *static_cast<const CMatchContext*>(context);
    const CIncludeTerm& term = *match.term;
    const std::string& bytes =
        match.pass == INCLUDE_PASS_UTF16 ? term.m_sUtf16Bytes : term.m_sAnsiBytes;
    const CPassPattern& pattern = term.m_Pass[match.pass];
    const BYTE* at = match.block + pos;
    const std::size_t size = bytes.size();
    if (!pattern.folded) {
        if (std::memcmp(at, bytes.data(), size) != 0)
            return false;
    } else {
        const auto* search = reinterpret_cast<const BYTE*>(bytes.data());
        const auto* fold = reinterpret_cast<const BYTE*>(pattern.fold.data());
        for (std::size_t k = 0; k < size; ++k) {
            if ((at[k] | fold[k]) != search[k])
                return false;
        }
    }
    return !term.m_bMatchWholeWord ||
           term.IsWholeWord(match.block, match.length, pos, match.pass, match.edges);
}

BOOL CIncludeTerm::Match(const BYTE* block, std::size_t length, int pass,
                         CIncludeBlockEdges edges) const {
    if (pass == INCLUDE_PASS_EITHER) {
        return Match(block, length, INCLUDE_PASS_ANSI, edges) ||
                       Match(block, length, INCLUDE_PASS_UTF16, edges)
                   ? TRUE
                   : FALSE;
    }
    if (pass != INCLUDE_PASS_ANSI && pass != INCLUDE_PASS_UTF16)
        return FALSE;
    const std::string& bytes = pass == INCLUDE_PASS_UTF16 ? m_sUtf16Bytes : m_sAnsiBytes;
    const std::size_t size = bytes.size();
    if (size == 0 || size > length)
        return FALSE;
    const CPassPattern& pattern = m_Pass[pass];
    // Text without a NUL byte holds no UTF-16 form of a letter below U+0100;
    // a quick look for one spares the whole scan.
    if (pattern.hasNul && std::memchr(block, 0, length) == nullptr)
        return FALSE;
    const CMatchContext context{this, block, length, pass, edges};
    return FindBytePairCandidate(pattern.pair, block, length - size, AcceptCandidate, &context)
               ? TRUE
               : FALSE;
}
