#include "platform/StringTable.h"

namespace zb {

std::string FillFields(std::string_view text, std::span<const FieldValue> values) {
    std::string out;
    out.reserve(text.size());
    auto next = values.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        ++i;
        if (text[i] == '%') {
            out += '%';
        } else if (next != values.end()) {
            const FieldValue& value = *next++;
            if (value.kind == FieldKind::kText) {
                out += value.text;
            } else if (value.isUnsigned) {
                out += std::to_string(static_cast<std::uint64_t>(value.number));
            } else {
                out += std::to_string(value.number);
            }
        }
    }
    return out;
}

}  // namespace zb
