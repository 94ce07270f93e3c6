#include "platform/FileTime.h"

#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/ScopedTimeZone.h"

namespace {

constexpr std::uint64_t kSecond = 10000000ull;

// Central European rules, written out so that no zone database is needed.
constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";
constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";

FILETIME Utc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second = 0,
             WORD millis = 0) {
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = month;
    st.wDay = day;
    st.wHour = hour;
    st.wMinute = minute;
    st.wSecond = second;
    st.wMilliseconds = millis;
    FILETIME ft;
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return ft;
}

TEST(FileTimeTest, TimespecRoundTripAroundTheEpochs) {
    FILETIME ft;
    ASSERT_TRUE(TimespecToFileTime(timespec{0, 0}, &ft));
    EXPECT_EQ(ft.Value(), 116444736000000000ull);
    EXPECT_EQ(ft.Value(), kFileTimeUnixEpoch);

    // Before 1970: -0.5 s.
    ASSERT_TRUE(TimespecToFileTime(timespec{-1, 500000000}, &ft));
    EXPECT_EQ(ft.Value(), kFileTimeUnixEpoch - kSecond / 2);
    timespec back = FileTimeToTimespec(ft);
    EXPECT_EQ(back.tv_sec, -1);
    EXPECT_EQ(back.tv_nsec, 500000000);

    // 1601 itself is value 0; a second earlier does not exist.
    ASSERT_TRUE(TimespecToFileTime(timespec{-11644473600, 0}, &ft));
    EXPECT_EQ(ft.Value(), 0u);
    FILETIME untouched = FILETIME::FromValue(42);
    EXPECT_FALSE(TimespecToFileTime(timespec{-11644473601, 999999999}, &untouched));
    EXPECT_EQ(untouched.Value(), 42u);

    // Nanoseconds are truncated to 100 ns.
    ASSERT_TRUE(TimespecToFileTime(timespec{1, 199}, &ft));
    EXPECT_EQ(ft.Value(), kFileTimeUnixEpoch + kSecond + 1);

    // The largest FILETIME survives the round trip exactly.
    const FILETIME max = FILETIME::FromValue(std::numeric_limits<std::uint64_t>::max());
    back = FileTimeToTimespec(max);
    ASSERT_TRUE(TimespecToFileTime(back, &ft));
    EXPECT_EQ(ft, max);
    ++back.tv_sec;
    EXPECT_FALSE(TimespecToFileTime(back, &ft));
}

TEST(FileTimeTest, TimespecOutOfRangeFailsOrClamps) {
    FILETIME ft;
    const time_t maxSec = std::numeric_limits<time_t>::max();
    const time_t minSec = std::numeric_limits<time_t>::min();
    EXPECT_FALSE(TimespecToFileTime(timespec{maxSec, 0}, &ft));
    EXPECT_FALSE(TimespecToFileTime(timespec{minSec, 0}, &ft));
    EXPECT_FALSE(TimespecToFileTime(timespec{0, 1000000000}, &ft));
    EXPECT_FALSE(TimespecToFileTime(timespec{0, -1}, &ft));
    EXPECT_FALSE(TimespecToFileTime(timespec{0, 0}, nullptr));

    EXPECT_EQ(TimespecToFileTimeClamped(timespec{maxSec, 0}).Value(),
              std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(TimespecToFileTimeClamped(timespec{minSec, 0}).Value(), 0u);
    EXPECT_EQ(TimespecToFileTimeClamped(timespec{0, -5}).Value(), kFileTimeUnixEpoch);
}

TEST(FileTimeTest, SystemTimeIsNow) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::time_t seconds = std::time(nullptr);
    // Within a day of time(): no timing assertion, only a sanity check of the scale.
    const std::int64_t diff = FileTimeToCTime(now).GetTime() - static_cast<std::int64_t>(seconds);
    EXPECT_LT(diff < 0 ? -diff : diff, 86400);
}

TEST(FileTimeTest, SystemTimeFieldsRoundTrip) {
    const FILETIME ft = Utc(2000, 2, 29, 12, 34, 56, 789);
    EXPECT_EQ(ft.Value(), kFileTimeUnixEpoch + 951827696ull * kSecond + 7890000);
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
    EXPECT_EQ(st.wYear, 2000);
    EXPECT_EQ(st.wMonth, 2);
    EXPECT_EQ(st.wDay, 29);
    EXPECT_EQ(st.wDayOfWeek, 2);  // Tuesday
    EXPECT_EQ(st.wHour, 12);
    EXPECT_EQ(st.wMinute, 34);
    EXPECT_EQ(st.wSecond, 56);
    EXPECT_EQ(st.wMilliseconds, 789);

    const FILETIME zero = FILETIME::FromValue(0);
    ASSERT_TRUE(FileTimeToSystemTime(&zero, &st));
    EXPECT_EQ(st, (SYSTEMTIME{1601, 1, 1, 1, 0, 0, 0, 0}));  // a Monday

    const FILETIME last = Utc(30827, 12, 31, 23, 59, 59, 999);
    ASSERT_TRUE(FileTimeToSystemTime(&last, &st));
    EXPECT_EQ(st.wYear, 30827);
    const FILETIME tooLate =
        FILETIME::FromValue(Utc(30827, 12, 31, 23, 59, 59, 999).Value() + kSecond / 1000);
    EXPECT_FALSE(FileTimeToSystemTime(&tooLate, &st));
}

TEST(FileTimeTest, SystemTimeRejectsInvalidFields) {
    const SYSTEMTIME valid{2021, 6, 0, 15, 10, 20, 30, 400};
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&valid, &ft));
    // The day of the week is ignored on input.
    SYSTEMTIME otherWeekday = valid;
    otherWeekday.wDayOfWeek = 6;
    FILETIME same;
    ASSERT_TRUE(SystemTimeToFileTime(&otherWeekday, &same));
    EXPECT_EQ(same, ft);

    auto fails = [&](auto change) {
        SYSTEMTIME st = valid;
        change(st);
        FILETIME out = FILETIME::FromValue(7);
        EXPECT_FALSE(SystemTimeToFileTime(&st, &out));
        EXPECT_EQ(out.Value(), 7u);
    };
    fails([](SYSTEMTIME& s) { s.wYear = 1600; });
    fails([](SYSTEMTIME& s) { s.wYear = 30828; });
    fails([](SYSTEMTIME& s) { s.wMonth = 0; });
    fails([](SYSTEMTIME& s) { s.wMonth = 13; });
    fails([](SYSTEMTIME& s) { s.wDay = 0; });
    fails([](SYSTEMTIME& s) { s.wDay = 31; });  // June has 30
    fails([](SYSTEMTIME& s) { s.wHour = 24; });
    fails([](SYSTEMTIME& s) { s.wMinute = 60; });
    fails([](SYSTEMTIME& s) { s.wSecond = 60; });
    fails([](SYSTEMTIME& s) { s.wMilliseconds = 1000; });
    fails([](SYSTEMTIME& s) { s.wYear = 1900, s.wMonth = 2, s.wDay = 29; });
    fails([](SYSTEMTIME& s) { s.wYear = 2023, s.wMonth = 2, s.wDay = 29; });
    SYSTEMTIME leap = valid;
    leap.wYear = 2024;
    leap.wMonth = 2;
    leap.wDay = 29;
    EXPECT_TRUE(SystemTimeToFileTime(&leap, &ft));
}

TEST(FileTimeTest, DosDateTimeExamples) {
    FILETIME ft;
    // 1980-01-01 00:00:00, the first DOS time.
    ASSERT_TRUE(DosDateTimeToFileTime(0x0021, 0x0000, &ft));
    EXPECT_EQ(ft.Value(), kFileTimeUnixEpoch + 315532800ull * kSecond);

    // 2107-12-31 23:59:58, the last one.
    const WORD lastDate = 127 << 9 | 12 << 5 | 31;
    const WORD lastTime = 23 << 11 | 59 << 5 | 29;
    ASSERT_TRUE(DosDateTimeToFileTime(lastDate, lastTime, &ft));
    EXPECT_EQ(ft, Utc(2107, 12, 31, 23, 59, 58));
    WORD date = 0;
    WORD time = 0;
    ASSERT_TRUE(FileTimeToDosDateTime(&ft, &date, &time));
    EXPECT_EQ(date, lastDate);
    EXPECT_EQ(time, lastTime);

    // 2004-02-29 13:45:07 stores 13:45:06.
    ASSERT_TRUE(FileTimeToDosDateTime(&(ft = Utc(2004, 2, 29, 13, 45, 7, 900)), &date, &time));
    EXPECT_EQ(date, (2004 - 1980) << 9 | 2 << 5 | 29);
    EXPECT_EQ(time, 13 << 11 | 45 << 5 | 3);
    ASSERT_TRUE(DosDateTimeToFileTime(date, time, &ft));
    EXPECT_EQ(ft, Utc(2004, 2, 29, 13, 45, 6));
}

TEST(FileTimeTest, DosDateTimeRejectsInvalidValues) {
    FILETIME ft = FILETIME::FromValue(5);
    const WORD goodDate = 0x0021;
    EXPECT_FALSE(DosDateTimeToFileTime(0x0020, 0, &ft));                            // day 0
    EXPECT_FALSE(DosDateTimeToFileTime(0x0001, 0, &ft));                            // month 0
    EXPECT_FALSE(DosDateTimeToFileTime(13 << 5 | 1, 0, &ft));                       // month 13
    EXPECT_FALSE(DosDateTimeToFileTime((2023 - 1980) << 9 | 2 << 5 | 29, 0, &ft));  // 29 Feb
    EXPECT_FALSE(DosDateTimeToFileTime(4 << 5 | 31, 0, &ft));                       // 31 April
    EXPECT_FALSE(DosDateTimeToFileTime(goodDate, 24 << 11, &ft));                   // hour 24
    EXPECT_FALSE(DosDateTimeToFileTime(goodDate, 60 << 5, &ft));                    // minute 60
    EXPECT_FALSE(DosDateTimeToFileTime(goodDate, 30, &ft));                         // second 60
    EXPECT_FALSE(DosDateTimeToFileTime(goodDate, 0, nullptr));
    EXPECT_EQ(ft.Value(), 5u);

    WORD date = 1;
    WORD time = 1;
    ft = Utc(1979, 12, 31, 23, 59, 59);
    EXPECT_FALSE(FileTimeToDosDateTime(&ft, &date, &time));
    ft = Utc(2108, 1, 1, 0, 0, 0);
    EXPECT_FALSE(FileTimeToDosDateTime(&ft, &date, &time));
    ft = FILETIME::FromValue(std::numeric_limits<std::uint64_t>::max());
    EXPECT_FALSE(FileTimeToDosDateTime(&ft, &date, &time));
    EXPECT_EQ(date, 1);
    EXPECT_EQ(time, 1);
}

TEST(FileTimeTest, LocalTimeFollowsTheRuleOfThatDate) {
    zbtest::ScopedTimeZone zone(kBerlin);
    FILETIME local;
    FILETIME utc;

    const FILETIME winter = Utc(2021, 1, 15, 12, 0, 0, 250);
    ASSERT_TRUE(FileTimeToLocalFileTime(&winter, &local));
    EXPECT_EQ(local, Utc(2021, 1, 15, 13, 0, 0, 250));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    EXPECT_EQ(utc, winter);

    const FILETIME summer = Utc(2021, 7, 15, 12, 0);
    ASSERT_TRUE(FileTimeToLocalFileTime(&summer, &local));
    EXPECT_EQ(local, Utc(2021, 7, 15, 14, 0));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    EXPECT_EQ(utc, summer);

    // Before 1970 too.
    const FILETIME old = Utc(1960, 1, 15, 23, 30);
    ASSERT_TRUE(FileTimeToLocalFileTime(&old, &local));
    EXPECT_EQ(local, Utc(1960, 1, 16, 0, 30));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    EXPECT_EQ(utc, old);

    // The skipped hour (02:00-03:00 on 28 March 2021) moves forward by the jump.
    const FILETIME skipped = Utc(2021, 3, 28, 2, 30);
    ASSERT_TRUE(LocalFileTimeToFileTime(&skipped, &utc));
    EXPECT_EQ(utc, Utc(2021, 3, 28, 1, 30));

    // The repeated hour on 31 October 2021 maps to an instant that reads back the same.
    const FILETIME repeated = Utc(2021, 10, 31, 2, 30);
    ASSERT_TRUE(LocalFileTimeToFileTime(&repeated, &utc));
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(local, repeated);
}

TEST(FileTimeTest, LocalTimeAtTheEdgesOfTheRange) {
    FILETIME out = FILETIME::FromValue(9);
    {
        // West of UTC, the first instants have no local reading.
        zbtest::ScopedTimeZone zone(kNewYork);
        const FILETIME first = FILETIME::FromValue(0);
        EXPECT_FALSE(FileTimeToLocalFileTime(&first, &out));
        EXPECT_TRUE(LocalFileTimeToFileTime(&first, &out));
        EXPECT_EQ(out.Value(), 5 * 3600 * kSecond);
    }
    {
        zbtest::ScopedTimeZone zone(kBerlin);
        const FILETIME last = FILETIME::FromValue(std::numeric_limits<std::uint64_t>::max());
        EXPECT_FALSE(FileTimeToLocalFileTime(&last, &out));
        EXPECT_TRUE(LocalFileTimeToFileTime(&last, &out));
        EXPECT_FALSE(FileTimeToLocalFileTime(nullptr, &out));
        EXPECT_FALSE(LocalFileTimeToFileTime(&last, nullptr));
    }
}

TEST(FileTimeTest, CompareAndCTime) {
    const FILETIME a = FILETIME::FromValue(0x100000000ull);
    const FILETIME b = FILETIME::FromValue(0x0FFFFFFFFull);
    EXPECT_EQ(CompareFileTime(&a, &b), 1);
    EXPECT_EQ(CompareFileTime(&b, &a), -1);
    EXPECT_EQ(CompareFileTime(&a, &a), 0);

    FILETIME ft;
    ASSERT_TRUE(CTimeToFileTime(CTime(0), &ft));
    EXPECT_EQ(ft.Value(), kFileTimeUnixEpoch);
    ASSERT_TRUE(CTimeToFileTime(CTime(-86400), &ft));
    EXPECT_EQ(FileTimeToCTime(ft).GetTime(), -86400);
    EXPECT_FALSE(CTimeToFileTime(CTime(-11644473601), &ft));
    EXPECT_FALSE(CTimeToFileTime(CTime(std::numeric_limits<std::int64_t>::max()), &ft));
    // A fraction before 1970 rounds towards the past.
    EXPECT_EQ(FileTimeToCTime(FILETIME::FromValue(kFileTimeUnixEpoch - 1)).GetTime(), -1);
    EXPECT_EQ(FileTimeToCTime(FILETIME::FromValue(0)).GetTime(), -11644473600);
}

}  // namespace
