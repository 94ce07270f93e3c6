#pragma once
// A point in time as whole seconds since 1 January 1970 UTC, with local-time
// accessors. Stored formats write it as a 32-bit count of seconds.

#include <cstdint>
#include <ctime>
#include <string>

class CTimeSpan {
public:
    constexpr CTimeSpan() = default;
    constexpr explicit CTimeSpan(std::int64_t seconds) : m_seconds(seconds) {}
    constexpr CTimeSpan(std::int64_t days, int hours, int minutes, int seconds)
        : m_seconds(((days * 24 + hours) * 60 + minutes) * 60 + seconds) {}
    constexpr std::int64_t GetTotalSeconds() const { return m_seconds; }
    friend constexpr auto operator<=>(CTimeSpan, CTimeSpan) = default;

private:
    std::int64_t m_seconds = 0;
};

class CTime {
public:
    constexpr CTime() = default;
    constexpr explicit CTime(std::int64_t seconds) : m_time(seconds) {}
    // Local calendar time; `dst` -1 lets the C library decide daylight saving.
    CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);

    static CTime GetCurrentTime();

    constexpr std::int64_t GetTime() const { return m_time; }

    // Local broken-down time (localtime_r).
    std::tm GetLocalTm() const;
    // UTC broken-down time (gmtime_r).
    std::tm GetGmtTm() const;
    int GetYear() const { return GetLocalTm().tm_year + 1900; }
    int GetMonth() const { return GetLocalTm().tm_mon + 1; }
    int GetDay() const { return GetLocalTm().tm_mday; }
    int GetHour() const { return GetLocalTm().tm_hour; }
    int GetMinute() const { return GetLocalTm().tm_min; }
    int GetSecond() const { return GetLocalTm().tm_sec; }
    // 1 = Sunday ... 7 = Saturday.
    int GetDayOfWeek() const { return GetLocalTm().tm_wday + 1; }

    // strftime over the local time.
    std::string Format(const char* format) const;

    constexpr CTime operator+(CTimeSpan s) const { return CTime(m_time + s.GetTotalSeconds()); }
    constexpr CTime operator-(CTimeSpan s) const { return CTime(m_time - s.GetTotalSeconds()); }
    constexpr CTimeSpan operator-(CTime o) const { return CTimeSpan(m_time - o.m_time); }
    friend constexpr auto operator<=>(CTime, CTime) = default;

private:
    std::int64_t m_time = 0;
};
