#include "platform/CTime.h"

#include <array>

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = dst;
    m_time = static_cast<std::int64_t>(std::mktime(&t));
}

CTime CTime::GetCurrentTime() {
    return CTime(static_cast<std::int64_t>(std::time(nullptr)));
}

std::tm CTime::GetLocalTm() const {
    std::tm t{};
    const std::time_t v = static_cast<std::time_t>(m_time);
    localtime_r(&v, &t);
    return t;
}

std::tm CTime::GetGmtTm() const {
    std::tm t{};
    const std::time_t v = static_cast<std::time_t>(m_time);
    gmtime_r(&v, &t);
    return t;
}

std::string CTime::Format(const char* format) const {
    const std::tm t = GetLocalTm();
    std::array<char, 512> buffer{};
    const std::size_t n = std::strftime(buffer.data(), buffer.size(), format, &t);
    return std::string(buffer.data(), n);
}
