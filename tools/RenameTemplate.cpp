#include "tools/RenameTemplate.h"

#include <cstdio>
#include <string_view>

#include "platform/TextCase.h"

namespace {

bool IsTokenLetter(char c) {
    return std::string_view("ACDEMNTYhms").find(c) != std::string_view::npos;
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

void AppendNumber(std::string* out, const char* format, int value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    *out += text;
}

// The bytes of `text` from `pos` that match `find` whole, comparing one
// character at a time by its lower-case form; npos when they do not.
std::size_t MatchAt(std::string_view text, std::size_t pos, std::string_view find) {
    std::size_t t = pos;
    std::size_t f = 0;
    while (f < find.size()) {
        if (t >= text.size())
            return std::string_view::npos;
        const std::size_t tl = Utf8CharLength(text, t);
        const std::size_t fl = Utf8CharLength(find, f);
        const std::string_view tc = text.substr(t, tl);
        const std::string_view fc = find.substr(f, fl);
        if (tc != fc && LowerCaseUtf8(tc) != LowerCaseUtf8(fc))
            return std::string_view::npos;
        t += tl;
        f += fl;
    }
    return t - pos;
}

}  // namespace

BOOL IsValidRenameTemplate(const std::string& text) {
    bool inToken = false;
    for (const char c : text) {
        if (!inToken) {
            if (std::string_view("\"/:<>\\|").find(c) != std::string_view::npos)
                return FALSE;
            if (c == '[')
                inToken = true;
        } else if (c == ']') {
            inToken = false;
        } else if (!IsTokenLetter(c)) {
            return FALSE;
        }
    }
    return TRUE;
}

void SplitRenameName(const std::string& name, std::string* base, std::string* extension) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        *base = name;
        extension->clear();
        return;
    }
    *base = name.substr(0, dot);
    *extension = name.substr(dot + 1);
}

std::string JoinRenameName(const std::string& name, const std::string& extension,
                           const std::string& oldName) {
    if (!extension.empty())
        return name + "." + extension;
    if (!oldName.empty() && oldName.back() == '.')
        return name + ".";
    return name;
}

std::string FormatRenameCounter(std::int64_t start, std::int32_t step, std::uint64_t position,
                                unsigned digits) {
    // The pages keep start and step within 2^30 and a list holds fewer than
    // 2^32 rows, so the sum stays far inside 64 bits.
    const long long value = static_cast<long long>(start) +
                            static_cast<long long>(step) * static_cast<long long>(position);
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", static_cast<int>(digits), value);
    return text;
}

void ExpandRenameTemplate(const std::string& text, const RenameValues& values, bool* inToken,
                          std::string* out) {
    const SYSTEMTIME& t = values.lastWrite;
    for (const char c : text) {
        if (!*inToken) {
            if (c == '[')
                *inToken = true;
            else
                *out += c;
            continue;
        }
        switch (c) {
            case ']':
                *inToken = false;
                break;
            case 'N':
                *out += values.base;
                break;
            case 'E':
                *out += values.extension;
                break;
            case 'T':
                *out += values.title;
                break;
            case 'A':
                *out += values.author;
                break;
            case 'C':
                *out += values.counter;
                break;
            case 'Y':
                AppendNumber(out, "%04d", t.wYear);
                break;
            case 'M':
                AppendNumber(out, "%02d", t.wMonth);
                break;
            case 'D':
                AppendNumber(out, "%02d", t.wDay);
                break;
            case 'h':
                AppendNumber(out, "%02d", t.wHour);
                break;
            case 'm':
                AppendNumber(out, "%02d", t.wMinute);
                break;
            case 's':
                AppendNumber(out, "%02d", t.wSecond);
                break;
            default:
                break;
        }
    }
}

void ReplaceRenameText(std::string* text, const std::string& find, const std::string& replace,
                       int mode) {
    if (find.empty())
        return;
    switch (mode) {
        case RENAME_REPLACE_ALL: {
            std::size_t pos = 0;
            while (pos < text->size()) {
                const std::size_t length = MatchAt(*text, pos, find);
                if (length == std::string_view::npos) {
                    pos += Utf8CharLength(*text, pos);
                    continue;
                }
                text->replace(pos, length, replace);
                pos += replace.size();
            }
            return;
        }
        case RENAME_REPLACE_AT_BEGINNING: {
            const std::size_t length = MatchAt(*text, 0, find);
            if (length != std::string_view::npos)
                text->replace(0, length, replace);
            return;
        }
        case RENAME_REPLACE_AT_END:
            for (std::size_t pos = 0; pos < text->size(); pos += Utf8CharLength(*text, pos)) {
                if (MatchAt(*text, pos, find) == text->size() - pos) {
                    text->replace(pos, std::string::npos, replace);
                    return;
                }
            }
            return;
        default:
            for (std::size_t pos = 0; pos < text->size(); pos += Utf8CharLength(*text, pos)) {
                const std::size_t length = MatchAt(*text, pos, find);
                if (length != std::string_view::npos) {
                    text->replace(pos, length, replace);
                    return;
                }
            }
            return;
    }
}

void ApplyNameCase(std::string* text, int caseRule) {
    if (text->empty())
        return;
    switch (caseRule) {
        case RENAME_CASE_LOWER:
            *text = LowerCaseUtf8(*text);
            return;
        case RENAME_CASE_UPPER:
            *text = UpperCaseUtf8(*text);
            return;
        case RENAME_CASE_FIRST_LETTER:
            *text = LowerCaseUtf8(*text);
            (*text)[0] = AsciiUpper((*text)[0]);
            return;
        case RENAME_CASE_WORDS: {
            // Bytes beyond ASCII belong to letters of words and stay as they are.
            bool wordStart = true;
            for (char& c : *text) {
                const bool beyondAscii = static_cast<unsigned char>(c) >= 0x80;
                if (IsAsciiLetter(c))
                    c = wordStart ? AsciiUpper(c) : AsciiLower(c);
                wordStart = !IsAsciiLetter(c) && !IsAsciiDigit(c) && !beyondAscii;
            }
            return;
        }
        default:
            return;
    }
}

BOOL IsValidNewFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && name.size() <= kMaxFileNameBytes;
}
