#include "platform/FileTime.h"

#include <cstdint>
#include <limits>

namespace {

// Every FILETIME and CTime value is a valid 64-bit time_t.
static_assert(sizeof(time_t) == sizeof(std::int64_t));

constexpr std::int64_t kUnixEpochSeconds = 11644473600;  // seconds from 1601 to 1970
constexpr std::uint64_t kTicksPerMillisecond = 10000;
constexpr std::int64_t kSecondsPerDay = 86400;
// Calendar records cover the years 1601..30827 (FILETIME values below 2^63).
constexpr unsigned kMaxCalendarYear = 30827;

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Inverse of DaysFromCivil.
constexpr CivilDate CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return CivilDate{static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

static_assert(DaysFromCivil(1601, 1, 1) * kSecondsPerDay == -kUnixEpochSeconds);

bool IsLeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Calendar fields (already validated) to 100-ns ticks since 1601; false when
// the value does not fit.
bool FieldsToTicks(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                   unsigned second, std::uint64_t subSecondTicks, std::uint64_t* ticks) {
    const std::int64_t days = DaysFromCivil(year, month, day) - DaysFromCivil(1601, 1, 1);
    if (days < 0) {
        return false;
    }
    const std::uint64_t seconds =
        static_cast<std::uint64_t>(days) * kSecondsPerDay + hour * 3600u + minute * 60u + second;
    std::uint64_t value = 0;
    if (__builtin_mul_overflow(seconds, kFileTimeTicksPerSecond, &value) ||
        __builtin_add_overflow(value, subSecondTicks, &value)) {
        return false;
    }
    *ticks = value;
    return true;
}

struct Fields {
    std::int64_t year;
    unsigned month, day, dayOfWeek, hour, minute, second;
    std::uint64_t subSecondTicks;
};

Fields TicksToFields(std::uint64_t ticks) {
    const std::uint64_t seconds = ticks / kFileTimeTicksPerSecond;
    const std::int64_t days = static_cast<std::int64_t>(seconds / kSecondsPerDay);
    const unsigned secondOfDay = static_cast<unsigned>(seconds % kSecondsPerDay);
    const CivilDate date = CivilFromDays(days + DaysFromCivil(1601, 1, 1));
    // 1601-01-01 was a Monday (day 1 with Sunday = 0).
    return Fields{date.year,          date.month,
                  date.day,           static_cast<unsigned>((days + 1) % 7),
                  secondOfDay / 3600, secondOfDay / 60 % 60,
                  secondOfDay % 60,   ticks % kFileTimeTicksPerSecond};
}

// The local zone's offset from UTC, in seconds, at the UTC instant `utc`.
bool LocalOffsetAt(std::int64_t utc, long* offset) {
    const time_t t = static_cast<time_t>(utc);
    std::tm broken{};
    if (localtime_r(&t, &broken) == nullptr) {
        return false;
    }
    *offset = broken.tm_gmtoff;
    return true;
}

// ticks + seconds * 10^7, or false when the result leaves the FILETIME range.
bool AddSeconds(std::uint64_t ticks, long seconds, std::uint64_t* result) {
    const std::uint64_t delta =
        static_cast<std::uint64_t>(seconds < 0 ? -static_cast<std::int64_t>(seconds) : seconds) *
        kFileTimeTicksPerSecond;
    return seconds < 0 ? !__builtin_sub_overflow(ticks, delta, result)
                       : !__builtin_add_overflow(ticks, delta, result);
}

// Whole seconds since 1970 of a FILETIME value (floor; always representable).
std::int64_t UnixSeconds(std::uint64_t ticks) {
    return static_cast<std::int64_t>(ticks / kFileTimeTicksPerSecond) - kUnixEpochSeconds;
}

}  // namespace

BOOL TimespecToFileTime(const timespec& ts, FILETIME* fileTime) {
    if (fileTime == nullptr || ts.tv_nsec < 0 || ts.tv_nsec >= 1000000000L) {
        return FALSE;
    }
    const std::int64_t sec = static_cast<std::int64_t>(ts.tv_sec);
    if (sec < -kUnixEpochSeconds) {
        return FALSE;
    }
    std::uint64_t ticks = 0;
    // sec + kUnixEpochSeconds cannot overflow: sec >= -kUnixEpochSeconds and
    // the sum is computed unsigned.
    if (__builtin_mul_overflow(static_cast<std::uint64_t>(sec) + kUnixEpochSeconds,
                               kFileTimeTicksPerSecond, &ticks) ||
        __builtin_add_overflow(ticks, static_cast<std::uint64_t>(ts.tv_nsec) / 100, &ticks)) {
        return FALSE;
    }
    *fileTime = FILETIME::FromValue(ticks);
    return TRUE;
}

timespec FileTimeToTimespec(const FILETIME& fileTime) {
    const std::uint64_t ticks = fileTime.Value();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(UnixSeconds(ticks));
    ts.tv_nsec = static_cast<long>(ticks % kFileTimeTicksPerSecond * 100);
    return ts;
}

FILETIME TimespecToFileTimeClamped(const timespec& ts) {
    timespec checked = ts;
    if (checked.tv_nsec < 0 || checked.tv_nsec >= 1000000000L) {
        checked.tv_nsec = 0;
    }
    FILETIME result;
    if (TimespecToFileTime(checked, &result)) {
        return result;
    }
    return FILETIME::FromValue(checked.tv_sec < 0 ? 0 : std::numeric_limits<std::uint64_t>::max());
}

void GetSystemTimeAsFileTime(FILETIME* fileTime) {
    if (fileTime == nullptr) {
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    *fileTime = TimespecToFileTimeClamped(now);
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime) {
    if (fileTime == nullptr || localFileTime == nullptr) {
        return FALSE;
    }
    const std::uint64_t ticks = fileTime->Value();
    long offset = 0;
    std::uint64_t local = 0;
    if (!LocalOffsetAt(UnixSeconds(ticks), &offset) || !AddSeconds(ticks, offset, &local)) {
        return FALSE;
    }
    *localFileTime = FILETIME::FromValue(local);
    return TRUE;
}

FILETIME UnixTimeToLocalFileTime(std::int64_t seconds) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(seconds);
    const FILETIME utc = TimespecToFileTimeClamped(ts);
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&utc, &local)) {
        return FILETIME{};
    }
    return local;
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime) {
    if (localFileTime == nullptr || fileTime == nullptr) {
        return FALSE;
    }
    // Find the UTC instant whose local reading is the given one: the offset
    // at "local read as UTC" gives a first guess, the offset at that guess
    // the answer. A reading that exists twice (the hour repeated when
    // daylight saving ends) resolves to its second occurrence; one that does
    // not exist (the hour skipped when it starts) moves forward by the jump.
    const std::uint64_t local = localFileTime->Value();
    const std::int64_t localSeconds = UnixSeconds(local);
    long firstOffset = 0;
    long offset = 0;
    if (!LocalOffsetAt(localSeconds, &firstOffset) ||
        !LocalOffsetAt(localSeconds - firstOffset, &offset)) {
        return FALSE;
    }
    std::uint64_t utc = 0;
    if (!AddSeconds(local, -offset, &utc)) {
        return FALSE;
    }
    *fileTime = FILETIME::FromValue(utc);
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    if (fileTime == nullptr || systemTime == nullptr) {
        return FALSE;
    }
    const Fields f = TicksToFields(fileTime->Value());
    if (f.year > kMaxCalendarYear) {
        return FALSE;
    }
    systemTime->wYear = static_cast<WORD>(f.year);
    systemTime->wMonth = static_cast<WORD>(f.month);
    systemTime->wDayOfWeek = static_cast<WORD>(f.dayOfWeek);
    systemTime->wDay = static_cast<WORD>(f.day);
    systemTime->wHour = static_cast<WORD>(f.hour);
    systemTime->wMinute = static_cast<WORD>(f.minute);
    systemTime->wSecond = static_cast<WORD>(f.second);
    systemTime->wMilliseconds = static_cast<WORD>(f.subSecondTicks / kTicksPerMillisecond);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime) {
    if (systemTime == nullptr || fileTime == nullptr) {
        return FALSE;
    }
    const SYSTEMTIME& s = *systemTime;
    if (s.wYear < 1601 || s.wYear > kMaxCalendarYear || s.wMonth < 1 || s.wMonth > 12 ||
        s.wDay < 1 || s.wDay > DaysInMonth(s.wYear, s.wMonth) || s.wHour > 23 || s.wMinute > 59 ||
        s.wSecond > 59 || s.wMilliseconds > 999) {
        return FALSE;
    }
    std::uint64_t ticks = 0;
    if (!FieldsToTicks(s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond,
                       s.wMilliseconds * kTicksPerMillisecond, &ticks)) {
        return FALSE;
    }
    *fileTime = FILETIME::FromValue(ticks);
    return TRUE;
}

BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* fileTime) {
    if (fileTime == nullptr) {
        return FALSE;
    }
    const unsigned year = 1980u + (dosDate >> 9);
    const unsigned month = (dosDate >> 5) & 0x0F;
    const unsigned day = dosDate & 0x1F;
    const unsigned hour = dosTime >> 11;
    const unsigned minute = (dosTime >> 5) & 0x3F;
    const unsigned second = (dosTime & 0x1F) * 2u;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return FALSE;
    }
    std::uint64_t ticks = 0;
    if (!FieldsToTicks(year, month, day, hour, minute, second, 0, &ticks)) {
        return FALSE;
    }
    *fileTime = FILETIME::FromValue(ticks);
    return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME* fileTime, WORD* dosDate, WORD* dosTime) {
    if (fileTime == nullptr || dosDate == nullptr || dosTime == nullptr) {
        return FALSE;
    }
    const Fields f = TicksToFields(fileTime->Value());
    if (f.year < 1980 || f.year > 2107) {
        return FALSE;
    }
    *dosDate = static_cast<WORD>((f.year - 1980) << 9 | f.month << 5 | f.day);
    *dosTime = static_cast<WORD>(f.hour << 11 | f.minute << 5 | f.second / 2);
    return TRUE;
}

LONG CompareFileTime(const FILETIME* first, const FILETIME* second) {
    const std::uint64_t a = first->Value();
    const std::uint64_t b = second->Value();
    return a < b ? -1 : (a > b ? 1 : 0);
}

BOOL CTimeToFileTime(const CTime& time, FILETIME* fileTime) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(time.GetTime());
    return TimespecToFileTime(ts, fileTime);
}

CTime FileTimeToCTime(const FILETIME& fileTime) {
    return CTime(UnixSeconds(fileTime.Value()));
}
