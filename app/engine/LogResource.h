#pragma once
// Writing a string-table text to the log window.

#include "platform/Log.h"
#include "platform/StringTable.h"

// A log line in `colour`: string `id` with its fields filled by `args`.
template <class... Args>
void LogPrintResource(COLORREF colour, zb::CheckedStringId<zb::FieldArgumentT<Args>...> id,
                      const Args&... args) {
    LogPrintf(colour, "%s", FormatResourceString(id, args...).c_str());
}
