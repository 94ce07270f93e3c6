#pragma once
// Date and time texts in the user's own short forms.

#include <string>
#include <string_view>

#include "platform/CTime.h"

// The local date in the user's short date form, one blank and the local time
// without seconds (the locale's date form "%x" and its time form with the
// seconds field left out). The result list shows file times in this form.
std::string FormatDateTime(const CTime& time);

// The strftime form of a time without seconds, derived from a locale's time
// form `timeFormat` (its "%T" and "%r" expanded, "%r" through `amPmFormat`):
// the seconds field goes together with the separator before it ("%H:%M:%S"
// gives "%H:%M") or, where none stands before it, with the text after it up
// to the next field ("%H時%M分%S秒" gives "%H時%M分"). "%H:%M" when the form
// is empty, names no minutes or holds a field that shows seconds by itself.
std::string TimeFormatWithoutSeconds(std::string_view timeFormat, std::string_view amPmFormat);
