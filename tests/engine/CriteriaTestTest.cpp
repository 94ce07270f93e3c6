#include "app/engine/CriteriaTest.h"

#include <gtest/gtest.h>

#include "engine/CriteriaTestSupport.h"

namespace {

using zbtest::LocalFileTime;

constexpr std::uint64_t kHalfSecond = 5000000;

class CriteriaTestTest : public zbtest::CriteriaTestFixture {
protected:
    CDateOptionData& Date() { return m_snapshot.criteria.m_DateOptionData; }
    CTimeOptionData& Time() { return m_snapshot.criteria.m_TimeOptionData; }
    CSizeOptionData& Size() { return m_snapshot.criteria.m_SizeOptionData; }

    void PreviousDate(int count, int unit) {
        Date().m_iDateOptionType = 3;
        Date().m_iDateOptionMode = 0;
        Date().m_iPrevDate = count;
        Date().m_iPrevDateType = unit;
    }
    void Weekdays(int first, int last) {
        Date().m_iDateOptionType = 3;
        Date().m_iDateOptionMode = 2;
        Date().m_iMinWeekIndex = first;
        Date().m_iMaxWeekIndex = last;
    }
    void TimeBetween(CTime from, CTime to) {
        Time().m_iTimeOptionTypeIndex = 3;
        Time().m_iTimeRangeModeIndex = 1;
        Time().m_tEarliestTime = from;
        Time().m_tLatestTime = to;
    }
    // The record's last write time at a local time of 15 May 2024 or `day`.
    BOOL MatchWrittenAt(int month, int day, int hour, int minute, int second = 0,
                        std::uint64_t ticks = 0) {
        return Match(
            FileRecord("file.txt", LocalFileTime(2024, month, day, hour, minute, second, ticks)));
    }
};

TEST_F(CriteriaTestTest, NamesAreLowerCasedUnlessCaseSensitive) {
    SetNamePatterns("report");
    EXPECT_TRUE(Match(FileRecord("Annual REPORT.txt")));
    EXPECT_FALSE(Match(FileRecord("summary.txt")));

    // Unicode letters are lower-cased too.
    SetNamePatterns("ärger*");
    EXPECT_TRUE(Match(FileRecord("ÄRGER.doc")));

    m_snapshot.criteria.m_GeneralOptionData.m_bCaseSensitive = TRUE;
    SetNamePatterns("report");
    EXPECT_FALSE(Match(FileRecord("Annual REPORT.txt")));
    EXPECT_TRUE(Match(FileRecord("annual report.txt")));
}

TEST_F(CriteriaTestTest, NameThatIsNotUtf8KeepsItsBytes) {
    // 0xC4 alone is no UTF-8 sequence: it is matched as the byte it is.
    const std::string name = "\xC4RGER.TXT";
    SetNamePatterns("\xC4rger");
    EXPECT_TRUE(Match(FileRecord(name)));
    SetNamePatterns("\xE4rger");
    EXPECT_FALSE(Match(FileRecord(name)));

    m_snapshot.criteria.m_GeneralOptionData.m_bCaseSensitive = TRUE;
    SetNamePatterns("\xC4rger");
    EXPECT_FALSE(Match(FileRecord(name)));
    SetNamePatterns("\xC4RG?R.*");
    EXPECT_TRUE(Match(FileRecord(name)));
}

TEST_F(CriteriaTestTest, EmptyPatternsMatchEveryName) {
    EXPECT_TRUE(Match(FileRecord("anything")));
    EXPECT_TRUE(Match(FileRecord("")));
}

TEST_F(CriteriaTestTest, ItemWithoutPathPassesOnlyAPureNameSearch) {
    SetNamePatterns("server");
    CResultItem item;
    item.m_sName = "Server";
    item.m_dwFlags = RIF_NO_PATH;
    EXPECT_TRUE(Match(item));
    EXPECT_FALSE(Match(FileRecord("other")));

    const CSearchData pure = m_snapshot.criteria;
    const auto expectFailsWith = [&](auto&& set) {
        m_snapshot.criteria = pure;
        m_snapshot.includeNodes.clear();
        set();
        CCriteriaTest test(m_snapshot, m_stop, [this] { return m_now; });
        EXPECT_TRUE(test.HasFurtherConditions());
        EXPECT_FALSE(test.MatchCriteria(item));
    };
    expectFailsWith([&] { Date().m_iDateOptionType = 3; });
    expectFailsWith([&] { Time().m_iTimeOptionTypeIndex = 1; });
    expectFailsWith([&] { Size().m_iSizeOptionType = 1; });
    expectFailsWith([&] { m_snapshot.criteria.m_GeneralOptionData.m_bOnlyFiles = TRUE; });
    expectFailsWith([&] { m_snapshot.includeNodes.emplace_back(); });

    // The same item with a file-system path passes them all.
    m_snapshot.criteria = pure;
    m_snapshot.includeNodes.clear();
    m_snapshot.criteria.m_GeneralOptionData.m_bOnlyFiles = TRUE;
    Size().m_iSizeOptionType = 1;
    EXPECT_TRUE(Match(FileRecord("Server")));
}

TEST_F(CriteriaTestTest, OnlyFilesDropsAMatchingFolder) {
    SetNamePatterns("photos");
    m_snapshot.criteria.m_GeneralOptionData.m_bOnlyFiles = TRUE;
    EXPECT_FALSE(Match(FolderRecord("Photos")));
    EXPECT_TRUE(Match(FileRecord("photos.zip")));

    m_snapshot.criteria.m_GeneralOptionData.m_bOnlyFiles = FALSE;
    EXPECT_TRUE(Match(FolderRecord("Photos")));
}

TEST_F(CriteriaTestTest, PreviousDaysCountWholeDaysElapsed) {
    PreviousDate(2, 0);
    // Now is 15 May 12:00.
    EXPECT_TRUE(MatchWrittenAt(5, 13, 13, 0));  // 47 hours ago
    EXPECT_TRUE(MatchWrittenAt(5, 13, 12, 0, 0, 1));
    EXPECT_FALSE(MatchWrittenAt(5, 13, 12, 0));  // 48 hours ago
    EXPECT_FALSE(MatchWrittenAt(4, 1, 12, 0));
    // Up to a day in the future counts as 0 days, and later ones as fewer.
    EXPECT_TRUE(MatchWrittenAt(5, 16, 11, 0));
    EXPECT_TRUE(MatchWrittenAt(6, 30, 11, 0));

    PreviousDate(0, 0);
    EXPECT_FALSE(MatchWrittenAt(5, 15, 11, 59));
}

TEST_F(CriteriaTestTest, PreviousWeeksAreSevenDays) {
    PreviousDate(1, 1);
    EXPECT_TRUE(MatchWrittenAt(5, 8, 12, 0, 0, 1));  // 6 days 23:59:59 ago
    EXPECT_FALSE(MatchWrittenAt(5, 8, 12, 0));       // 7 days ago
}

TEST_F(CriteriaTestTest, PreviousMonthOnTheLastDayOfTheMonthBeforeFails) {
    PreviousDate(1, 2);
    SetNow(2024, 5, 1, 10, 0, 0);
    EXPECT_FALSE(MatchWrittenAt(4, 30, 23, 0));  // yesterday, but last month
    EXPECT_TRUE(MatchWrittenAt(5, 1, 0, 0));

    PreviousDate(2, 2);
    EXPECT_TRUE(MatchWrittenAt(4, 1, 0, 0));
    EXPECT_FALSE(MatchWrittenAt(3, 31, 23, 59));
}

TEST_F(CriteriaTestTest, PreviousMonthsAndYearsUseLocalDatesOnBothSides) {
    // 1 June 01:00 local is still 31 May in UTC: the local month counts.
    PreviousDate(1, 2);
    SetNow(2024, 6, 1, 1, 0, 0);
    EXPECT_FALSE(MatchWrittenAt(5, 20, 12, 0));
    // 1 May 00:30 local is 30 April in UTC: the file counts as May.
    SetNow(2024, 5, 31, 12, 0, 0);
    EXPECT_TRUE(MatchWrittenAt(5, 1, 0, 30));

    PreviousDate(1, 3);
    SetNow(2024, 1, 1, 0, 30, 0);
    EXPECT_FALSE(Match(FileRecord("file.txt", LocalFileTime(2023, 12, 31, 23, 0, 0))));
    EXPECT_TRUE(MatchWrittenAt(1, 1, 0, 10));
}

TEST_F(CriteriaTestTest, DateTypeSelectsTheRecordsTime) {
    CResultItem record = FileRecord("file.txt", LocalFileTime(2024, 1, 1, 12, 0, 0));
    record.m_ftLastAccess = LocalFileTime(2024, 5, 15, 11, 0, 0);
    PreviousDate(1, 0);
    EXPECT_FALSE(Match(record));
    Date().m_iDateOptionType = 1;
    EXPECT_TRUE(Match(record));
    Date().m_iDateOptionType = 2;
    EXPECT_FALSE(Match(record));
    record.m_ftCreation = record.m_ftLastAccess;
    EXPECT_TRUE(Match(record));
    // A type outside 1 to 3 sets no date condition.
    Date().m_iDateOptionType = 4;
    record.m_ftCreation = record.m_ftLastWrite;
    EXPECT_TRUE(Match(record));
}

TEST_F(CriteriaTestTest, BetweenDatesIncludesBothBounds) {
    Date().m_iDateOptionType = 3;
    Date().m_iDateOptionMode = 1;
    Date().m_tEarliestDate = CTime(2024, 5, 10, 0, 0, 0);
    Date().m_tLatestDate = CTime(2024, 5, 12, 23, 59, 59);
    EXPECT_TRUE(MatchWrittenAt(5, 10, 0, 0));
    EXPECT_TRUE(MatchWrittenAt(5, 12, 23, 59, 59));
    // Written during the latest bound's last second.
    EXPECT_TRUE(MatchWrittenAt(5, 12, 23, 59, 59, kHalfSecond));
    EXPECT_FALSE(MatchWrittenAt(5, 13, 0, 0));
    EXPECT_FALSE(MatchWrittenAt(5, 9, 23, 59, 59, kHalfSecond));
}

TEST_F(CriteriaTestTest, WeekdaysFridayToMondaySpanTheWeekend) {
    Weekdays(5, 1);
    // 17 May 2024 is a Friday.
    EXPECT_TRUE(MatchWrittenAt(5, 17, 12, 0));   // Friday
    EXPECT_TRUE(MatchWrittenAt(5, 18, 12, 0));   // Saturday
    EXPECT_TRUE(MatchWrittenAt(5, 19, 0, 30));   // Sunday (Saturday in UTC)
    EXPECT_TRUE(MatchWrittenAt(5, 20, 23, 30));  // Monday
    EXPECT_FALSE(MatchWrittenAt(5, 21, 0, 30));  // Tuesday (Monday in UTC)
    EXPECT_FALSE(MatchWrittenAt(5, 15, 12, 0));  // Wednesday

    Weekdays(1, 5);
    EXPECT_TRUE(MatchWrittenAt(5, 15, 12, 0));
    EXPECT_FALSE(MatchWrittenAt(5, 18, 12, 0));
}

TEST_F(CriteriaTestTest, TimeOfDayRangeOverMidnight) {
    TimeBetween(CTime(2024, 5, 15, 22, 0, 0), CTime(2024, 5, 15, 2, 0, 0));
    EXPECT_TRUE(MatchWrittenAt(3, 2, 23, 30));
    EXPECT_TRUE(MatchWrittenAt(5, 10, 1, 0));
    EXPECT_TRUE(MatchWrittenAt(5, 10, 22, 0));
    EXPECT_TRUE(MatchWrittenAt(5, 10, 2, 0));
    EXPECT_FALSE(MatchWrittenAt(5, 10, 2, 0, 1));
    EXPECT_FALSE(MatchWrittenAt(5, 10, 12, 0));
    EXPECT_FALSE(MatchWrittenAt(5, 10, 21, 59, 59));
}

TEST_F(CriteriaTestTest, TimeOfDayComparesTimesNotTheBoundsDates) {
    // The pickers were last set on different days.
    TimeBetween(CTime(2024, 5, 14, 9, 0, 0), CTime(2024, 5, 15, 17, 0, 0));
    EXPECT_TRUE(MatchWrittenAt(1, 10, 9, 0));    // winter time
    EXPECT_TRUE(MatchWrittenAt(7, 10, 16, 59));  // summer time
    EXPECT_FALSE(MatchWrittenAt(7, 10, 8, 59));
    EXPECT_FALSE(MatchWrittenAt(7, 10, 17, 0, 1));
    // The time type picks which time is read.
    CResultItem record = FileRecord("file.txt", LocalFileTime(2024, 5, 1, 20, 0, 0));
    record.m_ftCreation = LocalFileTime(2024, 5, 1, 10, 0, 0);
    EXPECT_FALSE(Match(record));
    Time().m_iTimeOptionTypeIndex = 2;
    EXPECT_TRUE(Match(record));
}

TEST_F(CriteriaTestTest, PreviousHoursCountWholeHours) {
    Time().m_iTimeOptionTypeIndex = 3;
    Time().m_iTimeRangeModeIndex = 0;
    Time().m_nPrevHour = 3;
    // Now is 15 May 12:00.
    EXPECT_TRUE(MatchWrittenAt(5, 15, 9, 0, 0, 1));
    EXPECT_FALSE(MatchWrittenAt(5, 15, 9, 0));
    EXPECT_TRUE(MatchWrittenAt(5, 15, 12, 30));  // in the future
}

TEST_F(CriteriaTestTest, SizeInKilobytesRoundsUp) {
    CResultItem record = FileRecord("file.txt");
    Size().m_iSizeOptionType = 1;
    Size().m_nSize = 1;
    record.m_nSize = 1;
    EXPECT_TRUE(Match(record));
    record.m_nSize = 0;
    EXPECT_FALSE(Match(record));

    Size().m_nSize = 2;
    record.m_nSize = 1024;
    EXPECT_FALSE(Match(record));
    record.m_nSize = 1025;
    EXPECT_TRUE(Match(record));
    record.m_nSize = 0xFFFFFFFFFFFFFFFFull;
    EXPECT_TRUE(Match(record));

    Size().m_iSizeOptionType = 2;
    Size().m_nSize = 0;
    record.m_nSize = 0;
    EXPECT_TRUE(Match(record));
    record.m_nSize = 1;
    EXPECT_FALSE(Match(record));
    Size().m_nSize = 1;
    record.m_nSize = 1024;
    EXPECT_TRUE(Match(record));
    record.m_nSize = 1025;
    EXPECT_FALSE(Match(record));
}

TEST_F(CriteriaTestTest, FolderFailsAnySizeCondition) {
    const CResultItem folder = FolderRecord("dir");
    Size().m_iSizeOptionType = 1;
    Size().m_nSize = 0;
    EXPECT_FALSE(Match(folder));
    Size().m_iSizeOptionType = 2;
    Size().m_nSize = 1000;
    EXPECT_FALSE(Match(folder));
}

TEST_F(CriteriaTestTest, ConditionsAreCombined) {
    SetNamePatterns("*.txt");
    PreviousDate(2, 0);
    Size().m_iSizeOptionType = 2;
    Size().m_nSize = 1;
    CResultItem record = FileRecord("a.txt", LocalFileTime(2024, 5, 15, 8, 0, 0));
    EXPECT_TRUE(Match(record));
    record.m_nSize = 5000;
    EXPECT_FALSE(Match(record));
    record.m_nSize = 10;
    record.m_ftLastWrite = LocalFileTime(2024, 5, 1, 8, 0, 0);
    EXPECT_FALSE(Match(record));
    record.m_ftLastWrite = LocalFileTime(2024, 5, 15, 8, 0, 0);
    record.m_sName = "a.doc";
    EXPECT_FALSE(Match(record));
}

}  // namespace
