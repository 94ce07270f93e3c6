#include "platform/DateUtils.h"

#include <langinfo.h>

#include <cctype>

namespace {

constexpr const char* kFallbackTimeFormat = "%H:%M";

bool IsFieldFlag(char c) {
    return c == '_' || c == '-' || c == '0' || c == '^' || c == '#' ||
           std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// One strftime field starting at `pos` (a '%'): its length and its conversion
// letter (flags, width and the E/O modifiers skipped).
std::size_t FieldLength(std::string_view format, std::size_t pos, char& conversion) {
    std::size_t i = pos + 1;
    while (i < format.size() && IsFieldFlag(format[i]))
        ++i;
    if (i < format.size() && (format[i] == 'E' || format[i] == 'O'))
        ++i;
    conversion = i < format.size() ? format[i] : '\0';
    return i < format.size() ? i + 1 - pos : format.size() - pos;
}

std::string ExpandComposites(std::string_view format, std::string_view amPmFormat) {
    std::string out;
    for (std::size_t i = 0; i < format.size();) {
        if (format[i] != '%') {
            out.push_back(format[i++]);
            continue;
        }
        char conversion = '\0';
        const std::size_t length = FieldLength(format, i, conversion);
        if (conversion == 'T') {
            out += "%H:%M:%S";
        } else if (conversion == 'r') {
            out += amPmFormat.empty() ? std::string_view("%I:%M:%S %p") : amPmFormat;
        } else {
            out.append(format.substr(i, length));
        }
        i += length;
    }
    return out;
}

bool IsSeparator(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u < 0x80 && (std::ispunct(u) != 0 || std::isspace(u) != 0) && c != '%';
}

}  // namespace

std::string TimeFormatWithoutSeconds(std::string_view timeFormat, std::string_view amPmFormat) {
    const std::string format = ExpandComposites(timeFormat, amPmFormat);
    std::string out;
    bool hasMinutes = false;
    for (std::size_t i = 0; i < format.size();) {
        if (format[i] != '%') {
            out.push_back(format[i++]);
            continue;
        }
        char conversion = '\0';
        const std::size_t length = FieldLength(format, i, conversion);
        // Fields that carry seconds of their own cannot be cut.
        if (conversion == 'X' || conversion == 'c' || conversion == 'r' || conversion == 'T' ||
            conversion == 's' || conversion == '\0') {
            return kFallbackTimeFormat;
        }
        if (conversion == 'M' || conversion == 'R')
            hasMinutes = true;
        if (conversion != 'S') {
            out.append(format, i, length);
            i += length;
            continue;
        }
        i += length;
        if (!out.empty() && IsSeparator(out.back())) {
            out.pop_back();
        } else {
            while (i < format.size() && format[i] != '%')
                ++i;
        }
    }
    return hasMinutes ? out : std::string(kFallbackTimeFormat);
}

std::string FormatDateTime(const CTime& time) {
    const std::string timeFormat =
        TimeFormatWithoutSeconds(nl_langinfo(T_FMT), nl_langinfo(T_FMT_AMPM));
    return time.Format("%x") + " " + time.Format(timeFormat.c_str());
}
