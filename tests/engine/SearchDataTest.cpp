#include "app/engine/SearchData.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/engine/DataFileVersion.h"

namespace {

// Restores the process-wide data-file version after each test.
class SearchDataTest : public ::testing::Test {
protected:
    void TearDown() override { SetDataFileVersion(kCurrentDataFileVersion); }
};

CSearchData MakeDistinctSearchData() {
    CSearchData d;
    d.m_MainData.m_sFindString = "\"my file.txt\" *.doc;a?c";
    d.m_MainData.m_sFindRootPath = "/home/user/Documents";
    d.m_MainData.m_bAdvanceOption = TRUE;
    CGeneralOptionData& g = d.m_GeneralOptionData;
    g.m_bSearhInCompressedFiles = FALSE;
    g.m_bSearchInLastResult = TRUE;
    g.m_bCaseSensitive = TRUE;
    g.m_bIncludeSubFolder = FALSE;
    g.m_bGetFileDetail = TRUE;
    g.m_bAppendResultToLastSearch = TRUE;
    g.m_bOnlyFiles = TRUE;
    g.m_bLimitDepth = TRUE;
    g.m_nSearchDepth = 17;
    d.m_IncludeStringData.m_sIncludeStr = std::string(300, 'x') + " AND \xC3\xA4";
    d.m_IncludeStringData.m_bMatchCase = TRUE;
    d.m_IncludeStringData.m_bMatchWholeWord = TRUE;
    d.m_IncludeStringData.m_bRegularExpression = TRUE;
    d.m_SizeOptionData.m_nSize = 4096;
    d.m_SizeOptionData.m_iSizeOptionType = 2;
    d.m_TimeOptionData.m_tLatestTime = CTime(1700000000);
    d.m_TimeOptionData.m_tEarliestTime = CTime(1600000000);
    d.m_TimeOptionData.m_nPrevHour = 36;
    d.m_TimeOptionData.m_iTimeRangeModeIndex = 1;
    d.m_TimeOptionData.m_iTimeOptionTypeIndex = 3;
    d.m_DateOptionData.m_iMaxWeekIndex = 6;
    d.m_DateOptionData.m_iMinWeekIndex = 2;
    d.m_DateOptionData.m_iPrevDateType = 3;
    d.m_DateOptionData.m_iDateOptionMode = 2;
    d.m_DateOptionData.m_iDateOptionType = 1;
    d.m_DateOptionData.m_iPrevDate = -4;
    d.m_DateOptionData.m_tLatestDate = CTime(1234567890);
    d.m_DateOptionData.m_tEarliestDate = CTime(987654321);
    return d;
}

std::vector<std::uint8_t> Store(CSearchData& d) {
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    d.Serialize(ar);
    return bytes;
}

std::vector<std::uint8_t> Words(std::initializer_list<std::int32_t> words) {
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    for (std::int32_t w : words)
        ar << w;
    return bytes;
}

TEST_F(SearchDataTest, ConstructionGivesTheDefaults) {
    const CSearchData d;
    const CGeneralOptionData& g = d.m_GeneralOptionData;
    EXPECT_EQ(g.m_bSearhInCompressedFiles, TRUE);
    EXPECT_EQ(g.m_bIncludeSubFolder, TRUE);
    EXPECT_EQ(g.m_nSearchDepth, 5);
    EXPECT_EQ(g.m_bSearchInLastResult, FALSE);
    EXPECT_EQ(g.m_bCaseSensitive, FALSE);
    EXPECT_EQ(g.m_bGetFileDetail, FALSE);
    EXPECT_EQ(g.m_bAppendResultToLastSearch, FALSE);
    EXPECT_EQ(g.m_bOnlyFiles, FALSE);
    EXPECT_EQ(g.m_bLimitDepth, FALSE);
    // Fields that receive their values before use still start defined.
    EXPECT_EQ(d.m_MainData.m_bAdvanceOption, FALSE);
    EXPECT_EQ(d.m_TimeOptionData.m_tLatestTime, CTime(0));
    EXPECT_EQ(d.m_DateOptionData.m_tEarliestDate, CTime(0));
}

TEST_F(SearchDataTest, ResetGivesDefaultsAndTheCurrentTime) {
    CSearchData d = MakeDistinctSearchData();
    const CTime before = CTime::GetCurrentTime();
    d.Reset();
    const CTime after = CTime::GetCurrentTime();

    EXPECT_EQ(d.m_MainData, CFindMainData{});
    EXPECT_EQ(d.m_GeneralOptionData, CGeneralOptionData{});
    EXPECT_EQ(d.m_GeneralOptionData.m_bSearhInCompressedFiles, TRUE);
    EXPECT_EQ(d.m_GeneralOptionData.m_bIncludeSubFolder, TRUE);
    EXPECT_EQ(d.m_GeneralOptionData.m_nSearchDepth, 5);
    EXPECT_EQ(d.m_IncludeStringData, CIncludeStringData{});
    EXPECT_TRUE(d.m_IncludeStringData.m_sIncludeStr.empty());
    EXPECT_EQ(d.m_SizeOptionData, CSizeOptionData{});

    const CTime now = d.m_TimeOptionData.m_tLatestTime;
    EXPECT_GE(now, before);
    EXPECT_LE(now, after);
    EXPECT_EQ(d.m_TimeOptionData.m_tEarliestTime, now);
    EXPECT_EQ(d.m_DateOptionData.m_tLatestDate, now);
    EXPECT_EQ(d.m_DateOptionData.m_tEarliestDate, now);
    CTimeOptionData timeZero;
    timeZero.Reset(now);
    EXPECT_EQ(d.m_TimeOptionData, timeZero);
    CDateOptionData dateZero;
    dateZero.Reset(now);
    EXPECT_EQ(d.m_DateOptionData, dateZero);
    EXPECT_EQ(dateZero.m_iPrevDate, 0);
    EXPECT_EQ(timeZero.m_nPrevHour, 0);
}

TEST_F(SearchDataTest, CopyCopiesEveryField) {
    const CSearchData source = MakeDistinctSearchData();
    CSearchData copy;
    copy.Copy(source);
    EXPECT_EQ(copy, source);
    copy.m_MainData.m_sFindString += "x";
    EXPECT_NE(copy.m_MainData.m_sFindString, source.m_MainData.m_sFindString);
}

TEST_F(SearchDataTest, RoundTripRestoresEveryField) {
    CSearchData original = MakeDistinctSearchData();
    const std::vector<std::uint8_t> bytes = Store(original);

    SetDataFileVersion(0x10104);
    CSearchData loaded;
    loaded.Reset();
    CArchive ar(bytes.data(), bytes.size());
    loaded.Serialize(ar);
    EXPECT_EQ(loaded, original);
    EXPECT_EQ(ar.BytesLeft(), 0u);
}

TEST_F(SearchDataTest, DatesBeyondTheStoredRangeKeepItsNearestEnd) {
    // The data file holds a time in 32 signed bits: a bound after early 2038
    // reads back as the last second it can hold, never as a date in 1903;
    // times before 1970 round-trip as they are.
    CSearchData original = MakeDistinctSearchData();
    original.m_DateOptionData.m_tLatestDate = CTime(2208988800);     // 2040-01-01
    original.m_DateOptionData.m_tEarliestDate = CTime(-315619200);   // 1960-01-01
    original.m_TimeOptionData.m_tLatestTime = CTime(-3000000000LL);  // before 1901
    const std::vector<std::uint8_t> bytes = Store(original);
    SetDataFileVersion(0x10104);
    CSearchData loaded;
    CArchive ar(bytes.data(), bytes.size());
    loaded.Serialize(ar);
    EXPECT_EQ(loaded.m_DateOptionData.m_tLatestDate, CTime(2147483647));  // 2038-01-19
    EXPECT_EQ(loaded.m_DateOptionData.m_tEarliestDate, CTime(-315619200));
    EXPECT_EQ(loaded.m_TimeOptionData.m_tLatestTime, CTime(-2147483648LL));
}

TEST_F(SearchDataTest, WritesFieldsInArchiveOrder) {
    CSearchData d = MakeDistinctSearchData();
    d.m_MainData.m_sFindString = "ab";
    d.m_MainData.m_sFindRootPath = "";
    d.m_IncludeStringData.m_sIncludeStr = "z";
    // Even an old version being read does not shorten what is written.
    SetDataFileVersion(0x10008);
    const std::vector<std::uint8_t> bytes = Store(d);

    std::vector<std::uint8_t> expected = {2, 'a', 'b', 0};
    const auto append = [&](const std::vector<std::uint8_t>& more) {
        expected.insert(expected.end(), more.begin(), more.end());
    };
    append(Words({TRUE}));
    // General part: six flags, limit-depth flag, search depth, only-files flag.
    append(Words({FALSE, TRUE, TRUE, FALSE, TRUE, TRUE, TRUE, 17, TRUE}));
    // Include string: the three flags before the text.
    append(Words({TRUE, TRUE, TRUE}));
    append({1, 'z'});
    append(Words({4096, 2}));
    append(Words({36, 1, 3, 1700000000, 1600000000}));
    append(Words({6, 2, 3, 2, 1, -4, 1234567890, 987654321}));
    EXPECT_EQ(bytes, expected);
}

struct GeneralGateCase {
    DWORD version;
    std::size_t wordsRead;
};

class GeneralOptionVersionGate : public ::testing::TestWithParam<GeneralGateCase> {
protected:
    void TearDown() override { SetDataFileVersion(kCurrentDataFileVersion); }
};

TEST_P(GeneralOptionVersionGate, ReadsOnlyTheFieldsOfThatVersion) {
    const GeneralGateCase c = GetParam();
    const std::vector<std::uint8_t> bytes = Words({0, 1, 1, 0, 1, 1, 1, 9, 1});

    CGeneralOptionData d;
    d.m_bLimitDepth = FALSE;
    d.m_nSearchDepth = 42;
    d.m_bOnlyFiles = FALSE;
    SetDataFileVersion(c.version);
    CArchive ar(bytes.data(), bytes.size());
    d.Serialize(ar);

    EXPECT_EQ(ar.GetPosition(), c.wordsRead * 4);
    EXPECT_EQ(d.m_bSearhInCompressedFiles, FALSE);
    EXPECT_EQ(d.m_bSearchInLastResult, TRUE);
    EXPECT_EQ(d.m_bCaseSensitive, TRUE);
    EXPECT_EQ(d.m_bIncludeSubFolder, FALSE);
    EXPECT_EQ(d.m_bGetFileDetail, TRUE);
    EXPECT_EQ(d.m_bAppendResultToLastSearch, TRUE);
    EXPECT_EQ(d.m_bLimitDepth, c.wordsRead >= 8 ? TRUE : FALSE);
    EXPECT_EQ(d.m_nSearchDepth, c.wordsRead >= 8 ? 9 : 42);
    EXPECT_EQ(d.m_bOnlyFiles, c.wordsRead >= 9 ? TRUE : FALSE);
}

INSTANTIATE_TEST_SUITE_P(Versions, GeneralOptionVersionGate,
                         ::testing::Values(GeneralGateCase{0x10008, 6}, GeneralGateCase{0x10009, 8},
                                           GeneralGateCase{0x10103, 8}, GeneralGateCase{0x10104, 9},
                                           GeneralGateCase{0x20000, 9}));

TEST_F(SearchDataTest, OldFileKeepsNewerFieldsAcrossWholeRecord) {
    CSearchData written = MakeDistinctSearchData();
    // A 0x10008 file: the general part has only its first six words.
    std::vector<std::uint8_t> bytes;
    {
        CArchive ar(bytes);
        written.m_MainData.Serialize(ar);
        const CGeneralOptionData& g = written.m_GeneralOptionData;
        ar << g.m_bSearhInCompressedFiles << g.m_bSearchInLastResult << g.m_bCaseSensitive
           << g.m_bIncludeSubFolder << g.m_bGetFileDetail << g.m_bAppendResultToLastSearch;
        written.m_IncludeStringData.Serialize(ar);
        written.m_SizeOptionData.Serialize(ar);
        written.m_TimeOptionData.Serialize(ar);
        written.m_DateOptionData.Serialize(ar);
    }
    SetDataFileVersion(0x10008);
    CSearchData loaded;
    CArchive ar(bytes.data(), bytes.size());
    loaded.Serialize(ar);
    EXPECT_EQ(ar.BytesLeft(), 0u);

    CSearchData expected = written;
    expected.m_GeneralOptionData.m_bOnlyFiles = FALSE;
    expected.m_GeneralOptionData.m_bLimitDepth = FALSE;
    expected.m_GeneralOptionData.m_nSearchDepth = 5;
    EXPECT_EQ(loaded, expected);
}

TEST_F(SearchDataTest, TruncatedArchiveThrowsAndLeavesTheObject) {
    CSearchData original = MakeDistinctSearchData();
    const std::vector<std::uint8_t> bytes = Store(original);
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        CSearchData target;
        target.Reset();
        const CSearchData before = target;
        CArchive ar(bytes.data(), size);
        EXPECT_THROW(target.Serialize(ar), CArchiveException) << "size " << size;
        EXPECT_EQ(target, before) << "size " << size;
    }
}

TEST_F(SearchDataTest, TruncatedPartThrows) {
    const std::vector<std::uint8_t> bytes = Words({1, 2, 3});
    CSizeOptionData size;
    CArchive sizeAr(bytes.data(), 7);
    EXPECT_THROW(size.Serialize(sizeAr), CArchiveException);

    // A string whose length runs past the end.
    const std::vector<std::uint8_t> shortString = {10, 'a', 'b'};
    CFindMainData main;
    CArchive mainAr(shortString.data(), shortString.size());
    EXPECT_THROW(main.Serialize(mainAr), CArchiveException);
}

TEST_F(SearchDataTest, DataFileVersionStartsAtCurrentAndIsSettable) {
    EXPECT_EQ(GetDataFileVersion(), 0x10104u);
    SetDataFileVersion(0x10009);
    EXPECT_EQ(GetDataFileVersion(), 0x10009u);
}

}  // namespace
