#include "app/engine/IncludeStringWizard.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "platform/TextCase.h"

namespace {

// The whole text as an unsigned number in `base`; nothing else may follow.
std::optional<std::uint64_t> ReadNumber(std::string_view text, int base) {
    text = TrimWhiteSpace(text);
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    std::uint64_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
}

void AppendNumberBytes(std::string& out, std::uint64_t value) {
    out += '{';
    do {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(value & 0xFF));
        out += escape;
        value >>= 8;
    } while (value != 0);
    out += '}';
}

}  // namespace

std::optional<std::string> BuildIncludeString(const IncludeWizardRow rows[kIncludeWizardRows],
                                              const int connectors[kIncludeWizardRows - 1],
                                              int* badRow) {
    std::string out;
    bool firstUsed = true;
    for (int row = 0; row < kIncludeWizardRows; ++row) {
        const IncludeWizardRow& choice = rows[row];
        if (choice.text.empty())
            continue;
        if (!firstUsed)
            out += connectors[row - 1] == INCLUDE_WIZARD_OR ? '|' : '&';
        firstUsed = false;
        if (choice.include == INCLUDE_WIZARD_NOT_INCLUDE)
            out += '!';
        if (choice.kind == INCLUDE_WIZARD_HEX_NUMBER || choice.kind == INCLUDE_WIZARD_DEC_NUMBER) {
            const auto value =
                ReadNumber(choice.text, choice.kind == INCLUDE_WIZARD_HEX_NUMBER ? 16 : 10);
            if (!value) {
                if (badRow != nullptr)
                    *badRow = row;
                return std::nullopt;
            }
            AppendNumberBytes(out, *value);
        } else {
            AppendQuoted(out, choice.text);
        }
    }
    return out;
}
