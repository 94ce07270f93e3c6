#pragma once
// String-table texts for the windows: the one way a window reads a numbered
// text, with its fields filled and checked at compile time.

#include <QString>

#include <string>

#include "platform/StringTable.h"

// A window's texts are QStrings; they fill a text field as UTF-8.
template <>
struct zb::FieldArgument<QString> {
    using type = std::string;
};

namespace zb {

inline std::string AsFieldArgument(const QString& text) {
    return text.toStdString();
}
template <class T>
const T& AsFieldArgument(const T& value) {
    return value;
}

}  // namespace zb

// String `id` with its fields filled by `args` (QStrings, UTF-8 texts or
// whole numbers).
template <class... Args>
QString ResourceText(zb::CheckedStringId<zb::FieldArgumentT<Args>...> id, const Args&... args) {
    return QString::fromUtf8(FormatResourceString(id, zb::AsFieldArgument(args)...));
}
