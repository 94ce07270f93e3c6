#include "app/engine/DataFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "app/engine/DataFileVersion.h"
#include "engine/FreshUserFolders.h"
#include "platform/PosixFile.h"
#include "platform/ProgramKey.h"
#include "support/ColumnLists.h"

namespace {

// The option sheet's section: the active page and a history.
class FakeSheet : public IDataFileSection {
public:
    BOOL WriteDataFile(CArchive& ar) override {
        if (failWrite)
            return FALSE;
        ar << activePage;
        history.SaveComboHistory(ar);
        return TRUE;
    }
    BOOL ReadDataFile(CArchive& ar) override {
        ++reads;
        if (failRead)
            return FALSE;
        ar >> activePage;
        return history.LoadComboHistory(ar);
    }

    std::int32_t activePage = 0;
    CComboHistory history;
    bool failWrite = false;
    bool failRead = false;
    int reads = 0;
};

CComboHistory MakeHistory(std::initializer_list<CComboHistory::Item> items) {
    // Built through the stored form, which is how a history gets its scores.
    std::vector<std::uint8_t> bytes;
    CArchive out(bytes);
    out.WriteCount(items.size());
    for (const auto& item : items)
        out << item.text << item.score;
    CArchive in(bytes.data(), bytes.size());
    CComboHistory history;
    EXPECT_TRUE(history.LoadComboHistory(in));
    return history;
}

CSearchData MakeSearch(const std::string& names, const std::string& place, int seed) {
    CSearchData data;
    data.Reset();
    data.m_MainData.m_sFindString = names;
    data.m_MainData.m_sFindRootPath = place;
    data.m_MainData.m_bAdvanceOption = seed & 1;
    data.m_GeneralOptionData.m_bCaseSensitive = TRUE;
    data.m_GeneralOptionData.m_bOnlyFiles = TRUE;
    data.m_GeneralOptionData.m_bLimitDepth = TRUE;
    data.m_GeneralOptionData.m_nSearchDepth = seed + 2;
    data.m_IncludeStringData.m_sIncludeStr = "\"quoted\" AND text";
    data.m_IncludeStringData.m_bRegularExpression = TRUE;
    data.m_SizeOptionData.m_nSize = 1000 + seed;
    data.m_SizeOptionData.m_iSizeOptionType = 2;
    data.m_TimeOptionData.m_tLatestTime = CTime(1700000000 + seed);
    data.m_TimeOptionData.m_tEarliestTime = CTime(1600000000);
    data.m_TimeOptionData.m_nPrevHour = 5;
    data.m_DateOptionData.m_iDateOptionType = 3;
    data.m_DateOptionData.m_iPrevDate = 7;
    data.m_DateOptionData.m_tLatestDate = CTime(1690000000);
    data.m_DateOptionData.m_tEarliestDate = CTime(1500000000);
    return data;
}

using zbtest::ColumnIds;
using zbtest::Columns;

std::vector<int> DefaultColumnIds() {
    CColumnInfoArray columns;
    GetDefaultVisibleColumns(columns);
    return ColumnIds(columns);
}

CDataFileContents MakeContents() {
    CDataFileContents contents;
    contents.m_sFindString = "*.txt;*.doc";
    contents.m_Groups = {{"Text", "*.txt"}, {"Long", std::string(300, 'p')}, {"Empty", ""}};
    contents.m_FileNameHistory = MakeHistory({{"*.txt", 1000000}, {"*.cpp", 999950}});
    contents.m_LookInHistory = MakeHistory({{"/home/user", 1000100}});
    contents.m_RecentSearches = {MakeSearch("*.txt", "/home", 1), MakeSearch("", "/tmp", 2)};
    CSearchMacro macro;
    macro.m_sName = "Sources";
    macro.m_HotKey.m_wVirtualKey = 'K';
    macro.m_HotKey.m_wModifiers = 3;
    macro.m_SearchData = MakeSearch("*.cpp", "/src", 3);
    contents.m_Macros = {macro};
    contents.m_VisibleColumns = Columns({1001, 1003, 1002});
    return contents;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class DataFileTest : public ::testing::Test {
protected:
    void TearDown() override { SetDataFileVersion(kCurrentDataFileVersion); }

    std::string Path() const { return m_folders.DataHome() + "/zembrolt/Zembrolt.dat"; }

    static void ExpectEqual(const CDataFileContents& a, const CDataFileContents& b) {
        EXPECT_EQ(a.m_sFindString, b.m_sFindString);
        EXPECT_EQ(a.m_Groups, b.m_Groups);
        EXPECT_EQ(a.m_FileNameHistory.GetItems(), b.m_FileNameHistory.GetItems());
        EXPECT_EQ(a.m_LookInHistory.GetItems(), b.m_LookInHistory.GetItems());
        EXPECT_EQ(a.m_RecentSearches, b.m_RecentSearches);
        EXPECT_EQ(a.m_Macros, b.m_Macros);
        EXPECT_EQ(ColumnIds(a.m_VisibleColumns), ColumnIds(b.m_VisibleColumns));
    }

    zbtest::FreshUserFolders m_folders;
};

// Writes a CSearchData as a program of an older version wrote it: only
// `generalWords` of the general part.
void WriteOldSearch(CArchive& ar, const CSearchData& data, int generalWords) {
    const CFindMainData& main = data.m_MainData;
    ar << main.m_sFindString << main.m_sFindRootPath << main.m_bAdvanceOption;
    const CGeneralOptionData& g = data.m_GeneralOptionData;
    const std::int32_t general[9] = {g.m_bSearhInCompressedFiles,
                                     g.m_bSearchInLastResult,
                                     g.m_bCaseSensitive,
                                     g.m_bIncludeSubFolder,
                                     g.m_bGetFileDetail,
                                     g.m_bAppendResultToLastSearch,
                                     g.m_bLimitDepth,
                                     g.m_nSearchDepth,
                                     g.m_bOnlyFiles};
    for (int i = 0; i < generalWords; ++i)
        ar << general[i];
    CSearchData rest(data);
    rest.m_IncludeStringData.Serialize(ar);
    rest.m_SizeOptionData.Serialize(ar);
    rest.m_TimeOptionData.Serialize(ar);
    rest.m_DateOptionData.Serialize(ar);
}

TEST_F(DataFileTest, PathIsInTheUserDataFolder) {
    EXPECT_EQ(GetDataFilePath(), m_folders.DataHome() + "/zembrolt/Zembrolt.dat");
    const std::string home = std::getenv("HOME");
    setenv("XDG_DATA_HOME", "relative/path", 1);
    EXPECT_EQ(GetDataFilePath(), home + "/.local/share/zembrolt/Zembrolt.dat");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(GetDataFilePath(), home + "/.local/share/zembrolt/Zembrolt.dat");
}

TEST_F(DataFileTest, RoundTripIsEqualAndByteForByte) {
    const CDataFileContents saved = MakeContents();
    FakeSheet sheet;
    sheet.activePage = 2;
    sheet.history = MakeHistory({{"needle", 1000000}});
    ASSERT_TRUE(SaveDataFile(GetDataFilePath(), saved, sheet));
    const std::string first = ReadFile(Path());
    EXPECT_EQ(first.substr(0, 8), std::string("ZBDF\x04\x01\x01\x00", 8));

    CDataFileContents loaded;
    FakeSheet loadedSheet;
    ASSERT_TRUE(LoadDataFile(Path(), loaded, loadedSheet));
    ExpectEqual(saved, loaded);
    EXPECT_EQ(loadedSheet.activePage, 2);
    EXPECT_EQ(loadedSheet.history.GetItems(), sheet.history.GetItems());
    EXPECT_EQ(GetDataFileVersion(), 0x10104u);

    ASSERT_TRUE(SaveDataFile(Path(), loaded, loadedSheet));
    EXPECT_EQ(ReadFile(Path()), first);
    struct stat info {};
    ASSERT_EQ(stat(Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(DataFileTest, LayoutOfASmallFile) {
    CDataFileContents contents;
    contents.m_sFindString = "*.c";
    contents.m_Groups = {{"C", "*.c"}};
    CSearchMacro macro;
    macro.m_sName = "M";
    macro.m_HotKey.m_wVirtualKey = 0x4B;
    macro.m_HotKey.m_wModifiers = 0x0102;
    macro.m_SearchData = MakeSearch("", "", 0);
    contents.m_Macros = {macro};
    contents.m_VisibleColumns = Columns({1001});
    FakeSheet sheet;
    sheet.activePage = 4;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(BuildDataFileBytes(contents, sheet, bytes));

    std::vector<std::uint8_t> expected = {
        'Z', 'B', 'D', 'F', 0x04, 0x01, 0x01, 0x00,                         // magic, version
        3,   '*', '.', 'c',                                                 // file-name text
        1,   0,   0,   0,   1,    'C',  3,    '*',  '.',  'c', 0, 0, 0, 0,  // file-name history
        0,   0,   0,   0,                                                   // look-in history
        4,   0,   0,   0,   0,    0,    0,    0,                            // sheet
        0,   0,   0,   0,                                                   // recent searches
        1,   0,   0,   0,   1,    'M',  0x4B, 0x00, 0x02, 0x01};
    CSearchData search(macro.m_SearchData);
    CArchive searchAr(expected);
    search.Serialize(searchAr);
    const std::uint8_t columns[] = {1, 0, 0, 0, 0xE9, 0x03, 0, 0};  // one column, id 1001
    expected.insert(expected.end(), std::begin(columns), std::end(columns));
    EXPECT_EQ(bytes, expected);
}

TEST_F(DataFileTest, Version10009ReadsEightGeneralWordsAndMergesBuiltInGroups) {
    const CSearchData recent = MakeSearch("*.log", "/var/log", 4);
    const CSearchData macroSearch = MakeSearch("*.h", "/usr/include", 5);
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    ar.Write("ZBDF", 4);
    ar << std::uint32_t{0x10009} << std::string("*.log");
    ar << std::uint32_t{2} << std::string("Audio") << std::string("*.mp3") << std::string("Zip")
       << std::string("*.zip");
    ar << std::uint32_t{0} << std::uint32_t{0};  // histories
    ar << std::int32_t{1} << std::uint32_t{0};   // sheet
    ar << std::uint32_t{1};
    WriteOldSearch(ar, recent, 8);
    ar << std::uint32_t{1} << std::string("Headers") << std::uint16_t{'H'} << std::uint16_t{2};
    WriteOldSearch(ar, macroSearch, 8);
    ar << std::uint32_t{1} << std::int32_t{1001};
    const std::string path = zbtest::WriteFile(Path(), std::string(bytes.begin(), bytes.end()));

    CDataFileContents loaded;
    FakeSheet sheet;
    ASSERT_TRUE(LoadDataFile(path, loaded, sheet));
    EXPECT_EQ(GetDataFileVersion(), 0x10009u);

    std::vector<std::string> names;
    for (const CFileTypeGroup& group : loaded.m_Groups)
        names.push_back(group.m_sName);
    EXPECT_EQ(names,
              (std::vector<std::string>{"AV", "All Files", "Audio", "Compressed Files", "Database",
                                        "Develop Project", "Executable Files", "Html", "Image",
                                        "Office Documents", "Source Code", "Zip"}));
    EXPECT_EQ(loaded.m_Groups[2].m_sPatterns, "*.mp3");

    // The only-files flag was not in the file: it keeps its value after
    // construction (a recent search) or reset (a macro), both 0.
    ASSERT_EQ(loaded.m_RecentSearches.size(), 1u);
    CSearchData expectedRecent(recent);
    expectedRecent.m_GeneralOptionData.m_bOnlyFiles = FALSE;
    EXPECT_EQ(loaded.m_RecentSearches[0], expectedRecent);
    ASSERT_EQ(loaded.m_Macros.size(), 1u);
    EXPECT_EQ(loaded.m_Macros[0].m_sName, "Headers");
    EXPECT_EQ(loaded.m_Macros[0].m_HotKey.m_wVirtualKey, 'H');
    EXPECT_EQ(loaded.m_Macros[0].m_HotKey.m_wModifiers, 2);
    CSearchData expectedMacro(macroSearch);
    expectedMacro.m_GeneralOptionData.m_bOnlyFiles = FALSE;
    EXPECT_EQ(loaded.m_Macros[0].m_SearchData, expectedMacro);
}

TEST_F(DataFileTest, Version10104KeepsTheStoredGroupsAsTheyAre) {
    CDataFileContents saved = MakeContents();
    saved.m_Groups = {{"Zip", "*.zip"}, {"Audio", "*.mp3"}};
    FakeSheet sheet;
    ASSERT_TRUE(SaveDataFile(Path(), saved, sheet));
    CDataFileContents loaded;
    ASSERT_TRUE(LoadDataFile(Path(), loaded, sheet));
    EXPECT_EQ(loaded.m_Groups, saved.m_Groups);
}

TEST_F(DataFileTest, OtherVersionBecomesTheProcessVersionEvenWhenTheLoadFails) {
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    ar.Write("ZBDF", 4);
    ar << std::uint32_t{0x10008};
    CDataFileContents loaded;
    FakeSheet sheet;
    EXPECT_FALSE(ReadDataFileBytes(bytes.data(), bytes.size(), loaded, sheet));
    EXPECT_EQ(GetDataFileVersion(), 0x10008u);
}

TEST_F(DataFileTest, EveryTruncationFailsAndKeepsTheSectionsReadBefore) {
    const CDataFileContents saved = MakeContents();
    FakeSheet sheet;
    sheet.activePage = 3;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(BuildDataFileBytes(saved, sheet, bytes));

    // Where each section ends.
    auto sizeOf = [](auto&& write) {
        std::vector<std::uint8_t> part;
        CArchive ar(part);
        write(ar);
        return part.size();
    };
    const std::size_t afterText = 8 + sizeOf([&](CArchive& ar) { ar << saved.m_sFindString; });
    const std::size_t afterGroups = afterText + sizeOf([&](CArchive& ar) {
                                        ar.WriteCount(saved.m_Groups.size());
                                        for (const auto& g : saved.m_Groups)
                                            ar << g.m_sName << g.m_sPatterns;
                                    });
    const std::size_t afterNames =
        afterGroups + sizeOf([&](CArchive& ar) { saved.m_FileNameHistory.SaveComboHistory(ar); });
    const std::size_t afterLookIn =
        afterNames + sizeOf([&](CArchive& ar) { saved.m_LookInHistory.SaveComboHistory(ar); });
    const std::size_t afterRecent = afterLookIn + 8 + sizeOf([&](CArchive& ar) {
                                        ar.WriteCount(saved.m_RecentSearches.size());
                                        for (CSearchData s : saved.m_RecentSearches)
                                            s.Serialize(ar);
                                    });
    const std::size_t afterMacros = bytes.size() - 4 - 4 * saved.m_VisibleColumns.size();
    ASSERT_LT(afterRecent, afterMacros);

    for (std::size_t size = 0; size < bytes.size(); ++size) {
        CDataFileContents loaded;
        loaded.m_sFindString = "before";
        loaded.m_Groups = {{"Before", "*.b"}};
        FakeSheet loadedSheet;
        ASSERT_FALSE(ReadDataFileBytes(bytes.data(), size, loaded, loadedSheet)) << size;
        EXPECT_EQ(loaded.m_sFindString, size >= afterText ? saved.m_sFindString : "before") << size;
        if (size >= afterGroups)
            EXPECT_EQ(loaded.m_Groups, saved.m_Groups) << size;
        else
            EXPECT_EQ(loaded.m_Groups, (CFileTypeGroupArray{{"Before", "*.b"}})) << size;
        EXPECT_EQ(loaded.m_FileNameHistory.GetItems().size(),
                  size >= afterNames ? saved.m_FileNameHistory.GetItems().size() : 0u)
            << size;
        EXPECT_EQ(loaded.m_LookInHistory.GetItems().size(),
                  size >= afterLookIn ? saved.m_LookInHistory.GetItems().size() : 0u)
            << size;
        EXPECT_EQ(loadedSheet.activePage, size >= afterLookIn + 4 ? 3 : 0) << size;
        EXPECT_EQ(loaded.m_RecentSearches.size(),
                  size >= afterRecent ? saved.m_RecentSearches.size() : 0u)
            << size;
        EXPECT_EQ(loaded.m_Macros.size(), size >= afterMacros ? saved.m_Macros.size() : 0u) << size;
        EXPECT_TRUE(loaded.m_VisibleColumns.empty()) << size;

        // The caller then installs the defaults.
        SetDataFileDefaults(loaded);
        EXPECT_EQ(loaded.m_Groups.size(), 11u);
        EXPECT_EQ(ColumnIds(loaded.m_VisibleColumns), DefaultColumnIds());
    }
    CDataFileContents whole;
    EXPECT_TRUE(ReadDataFileBytes(bytes.data(), bytes.size(), whole, sheet));
}

TEST_F(DataFileTest, CountsAbove7FFFAreRefused) {
    // 32,768 groups of two empty strings: the bytes are all there.
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    ar.Write("ZBDF", 4);
    ar << std::uint32_t{0x10104} << std::string("x") << std::uint32_t{32768};
    bytes.resize(bytes.size() + 2 * 32768, 0);
    CDataFileContents loaded;
    FakeSheet sheet;
    EXPECT_FALSE(ReadDataFileBytes(bytes.data(), bytes.size(), loaded, sheet));
    EXPECT_TRUE(loaded.m_Groups.empty());
    SetDataFileDefaults(loaded);
    EXPECT_EQ(loaded.m_Groups.size(), 11u);
    EXPECT_EQ(loaded.m_VisibleColumns.size(), 5u);

    // 32,767 groups are fine.
    CDataFileContents many;
    many.m_Groups.assign(32767, CFileTypeGroup{"g", "*.g"});
    std::vector<std::uint8_t> manyBytes;
    ASSERT_TRUE(BuildDataFileBytes(many, sheet, manyBytes));
    CDataFileContents manyLoaded;
    EXPECT_TRUE(ReadDataFileBytes(manyBytes.data(), manyBytes.size(), manyLoaded, sheet));
    EXPECT_EQ(manyLoaded.m_Groups.size(), 32767u);

    // A negative count fails too.
    std::vector<std::uint8_t> negative;
    CArchive neg(negative);
    neg.Write("ZBDF", 4);
    neg << std::uint32_t{0x10104} << std::string("x") << std::int32_t{-1};
    EXPECT_FALSE(ReadDataFileBytes(negative.data(), negative.size(), loaded, sheet));
}

TEST_F(DataFileTest, HistoryCountOutOfRangeFails) {
    CDataFileContents contents;
    FakeSheet sheet;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(BuildDataFileBytes(contents, sheet, bytes));
    // The file-name history's count follows the magic, version, text and groups.
    const std::size_t at = 4 + 4 + 1 + 4;
    for (const std::uint32_t count : {0x8000u, 0xFFFFFFFFu, 0x7FFFu}) {
        std::vector<std::uint8_t> broken = bytes;
        std::memcpy(&broken[at], &count, 4);
        CDataFileContents loaded;
        EXPECT_FALSE(ReadDataFileBytes(broken.data(), broken.size(), loaded, sheet)) << count;
        EXPECT_TRUE(loaded.m_FileNameHistory.GetItems().empty());
    }
}

TEST_F(DataFileTest, SavingTooManyEntriesKeepsAFileThatLoads) {
    CDataFileContents contents;
    for (int i = 0; i < 0x7FFF + 3; ++i) {
        CSearchData search;
        search.Reset();
        search.m_MainData.m_sFindString = std::to_string(i);
        contents.m_RecentSearches.push_back(search);
    }
    FakeSheet sheet;
    ASSERT_TRUE(SaveDataFile(Path(), contents, sheet));
    CDataFileContents loaded;
    ASSERT_TRUE(LoadDataFile(Path(), loaded, sheet));
    ASSERT_EQ(loaded.m_RecentSearches.size(), 0x7FFFu);
    // The newest are kept.
    EXPECT_EQ(loaded.m_RecentSearches.front().m_MainData.m_sFindString, "3");
    EXPECT_EQ(loaded.m_RecentSearches.back().m_MainData.m_sFindString, std::to_string(0x7FFF + 2));
}

TEST_F(DataFileTest, AnUnknownColumnIdIsLeftOutAndTheRestLoads) {
    CDataFileContents saved = MakeContents();
    FakeSheet sheet;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(BuildDataFileBytes(saved, sheet, bytes));
    // The middle one of the three stored column ids becomes one no table holds.
    const std::int32_t unknown = 9999;
    std::memcpy(&bytes[bytes.size() - 8], &unknown, 4);

    CDataFileContents loaded;
    FakeSheet loadedSheet;
    ASSERT_TRUE(ReadDataFileBytes(bytes.data(), bytes.size(), loaded, loadedSheet));
    saved.m_VisibleColumns = Columns({1001, 1002});
    ExpectEqual(loaded, saved);
}

TEST_F(DataFileTest, DupNoColumnIsNeverStored) {
    CDataFileContents contents;
    contents.m_VisibleColumns = Columns({1001, kDupNoColumnId, 1002});
    FakeSheet sheet;
    ASSERT_TRUE(SaveDataFile(Path(), contents, sheet));
    CDataFileContents loaded;
    ASSERT_TRUE(LoadDataFile(Path(), loaded, sheet));
    EXPECT_EQ(ColumnIds(loaded.m_VisibleColumns), (std::vector<int>{1001, 1002}));
}

TEST_F(DataFileTest, EmptyMissingAndForeignFilesGiveTheDefaults) {
    CDataFileContents loaded;
    loaded.m_sFindString = "kept";
    FakeSheet sheet;
    EXPECT_FALSE(LoadDataFile(Path(), loaded, sheet));  // missing
    zbtest::WriteFile(Path(), "");
    EXPECT_FALSE(LoadDataFile(Path(), loaded, sheet));  // zero length: fails at the magic
    zbtest::WriteFile(Path(), "ZBDE\x04\x01\x01\x00\x00");
    EXPECT_FALSE(LoadDataFile(Path(), loaded, sheet));  // wrong magic
    EXPECT_EQ(loaded.m_sFindString, "kept");
    EXPECT_EQ(sheet.reads, 0);
    SetDataFileDefaults(loaded);
    EXPECT_EQ(loaded.m_Groups.size(), 11u);
    EXPECT_EQ(ColumnIds(loaded.m_VisibleColumns), DefaultColumnIds());

    // A folder in its place is no file.
    const std::string folder = zbtest::MakeTempDir("notafile");
    EXPECT_FALSE(LoadDataFile(folder, loaded, sheet));
    EXPECT_FALSE(LoadDataFile("", loaded, sheet));
}

TEST_F(DataFileTest, HugeStringLengthFailsWithoutReadingPastTheEnd) {
    std::string bytes("ZBDF\x04\x01\x01\x00", 8);
    bytes += std::string("\xFF\xFF\xFF\xF0\xFF\xFF\x7F", 7);  // a 2 GiB text, then nothing
    CDataFileContents loaded;
    FakeSheet sheet;
    EXPECT_FALSE(ReadDataFileBytes(bytes.data(), bytes.size(), loaded, sheet));
}

TEST_F(DataFileTest, SheetSectionFailureFailsTheLoadAndTheSave) {
    const CDataFileContents saved = MakeContents();
    FakeSheet sheet;
    ASSERT_TRUE(SaveDataFile(Path(), saved, sheet));
    const std::string before = ReadFile(Path());

    FakeSheet failing;
    failing.failRead = true;
    CDataFileContents loaded;
    EXPECT_FALSE(LoadDataFile(Path(), loaded, failing));
    EXPECT_EQ(loaded.m_LookInHistory.GetItems(), saved.m_LookInHistory.GetItems());
    EXPECT_TRUE(loaded.m_RecentSearches.empty());

    // A save whose sheet section fails leaves the old file.
    failing.failWrite = true;
    CDataFileContents other = MakeContents();
    other.m_sFindString = "different";
    EXPECT_FALSE(SaveDataFile(Path(), other, failing));
    EXPECT_EQ(ReadFile(Path()), before);
}

TEST_F(DataFileTest, SaveThatCannotWriteKeepsTheOldFile) {
    FakeSheet sheet;
    // The folder cannot be made: a file stands where it should be.
    const std::string blocker = zbtest::WriteFile(m_folders.DataHome() + "/blocked", "x");
    EXPECT_FALSE(SaveDataFile(blocker + "/Zembrolt.dat", MakeContents(), sheet));
    EXPECT_FALSE(SaveDataFile("", MakeContents(), sheet));

    // When the new file cannot take the old one's place (here a folder stands
    // there), the save fails and leaves no temporary file behind.
    const std::string target = m_folders.DataHome() + "/target/Zembrolt.dat";
    const std::string kept = zbtest::WriteFile(target + "/inside", "kept");
    EXPECT_FALSE(SaveDataFile(target, MakeContents(), sheet));
    EXPECT_EQ(ReadFile(kept), "kept");
    std::vector<std::string> names;
    ASSERT_TRUE(zb::ListFolderNames(m_folders.DataHome() + "/target", &names));
    EXPECT_EQ(names, std::vector<std::string>{"Zembrolt.dat"});
}

TEST_F(DataFileTest, CorruptDataFileLeavesTheRegistryAlone) {
    CRegKey key;
    ASSERT_EQ(OpenProgramKey(key, true), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString("Find Root Path", "/kept"), ERROR_SUCCESS);
    key.Close();
    const std::string registry = ReadFile(m_folders.RegistryFile());

    zbtest::WriteFile(Path(), "ZBDF\x04\x01\x01\x00\xFF\xFF\xFF garbage");
    CDataFileContents loaded;
    FakeSheet sheet;
    EXPECT_FALSE(LoadDataFile(Path(), loaded, sheet));
    EXPECT_EQ(ReadFile(m_folders.RegistryFile()), registry);
}

}  // namespace
