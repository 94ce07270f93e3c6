#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "details/ProviderTestSupport.h"
#include "readers/details/OleSummaryInfoProvider.h"
#include "support/ByteWriter.h"
#include "support/CompoundFileWriter.h"
#include "support/TempHome.h"

namespace {

using namespace zbtest;

const std::string kOleData = std::string(ZEMBROLT_TESTDATA) + "/ole2/";
const std::string kSummaryName = "\x05SummaryInformation";

class OleSummaryProviderTest : public ::testing::Test {
protected:
    void SetUp() override { m_provider.InitExtensions(); }

    // A compound file holding `set` as its summary stream.
    std::string WriteDocument(const Bytes& set, int version = 3) {
        return m_files.Write(".doc", ToString(WriteCompoundFile({{kSummaryName, set}}, version)));
    }
    BOOL Load(const Bytes& set) { return m_provider.Load(DiskItem(WriteDocument(set))); }

    NumberedFiles m_files{"ole"};
    COleSummaryInfoProvider m_provider;
};

// Expected values were taken once from a reference reader of the same files.
TEST_F(OleSummaryProviderTest, SampleDocuments) {
    ASSERT_TRUE(m_provider.Load(DiskItem(kOleData + "test-ole-file.doc")));
    EXPECT_TRUE(Shows(m_provider, {{4, "Laurence Ipsum"},
                                   {55, "Laurence Ipsum"},
                                   {53, "Normal.dotm"},
                                   {56, "2"},
                                   {50, "1 Pages"},
                                   {51, "7"},
                                   {52, "40"},
                                   {57, "Microsoft Office Word"},
                                   {58, "0"},
                                   {54, "0x04e4"},
                                   {2, ""}}));

    ASSERT_TRUE(m_provider.Load(DiskItem(kOleData + "xor_password_123456789012345.xls")));
    EXPECT_TRUE(Shows(m_provider, {{2, "Test File For Cracking"},
                                   {3, "Crack-a-plz"},
                                   {4, "RichRumble"},
                                   {5, "VelvetSweatShop, RC4, 40-bit, 1,099,511,627,776"},
                                   {57, "Microsoft Excel"}}));
    EXPECT_EQ(Shown(m_provider, 58), "1");  // password protected

    ASSERT_TRUE(m_provider.Load(DiskItem(kOleData + "rc4cryptoapi_password.ppt")));
    EXPECT_TRUE(Shows(m_provider, {{2, "Lorem ipsum"}, {57, "Microsoft Macintosh PowerPoint"}}));
    EXPECT_EQ(Shown(m_provider, 54), "0x2710");  // Mac Roman

    // An encrypted presentation keeps no summary stream.
    EXPECT_FALSE(m_provider.Load(DiskItem(kOleData + "encrypted.ppt")));
    EXPECT_EQ(Shown(m_provider, 54), "<none>");
}

TEST_F(OleSummaryProviderTest, AllFourteenColumnsFromBothFileVersions) {
    const Bytes set = WritePropertySet({{
        PropI2(1, 1252),
        PropString(2, "Title"),
        PropString(3, "Subject"),
        PropString(4, "Author"),
        PropString(5, "Keywords"),
        PropString(6, "Comments"),
        PropString(7, "Normal.dot"),
        PropString(8, "Last"),
        PropString(9, "12"),
        PropFiletime(10, 0x01D0000000000000ull),  // times are not columns
        PropI4(14, 3),
        PropI4(15, 250),
        PropI4(16, 1400),
        PropClipboard(17, Bytes(20, 1)),  // nor is the thumbnail
        PropString(18, "Writer"),
        PropI4(19, 2),
    }});
    for (const int version : {3, 4}) {
        ASSERT_TRUE(m_provider.Load(DiskItem(WriteDocument(set, version)))) << version;
        EXPECT_TRUE(Shows(m_provider, {{2, "Title"},
                                       {3, "Subject"},
                                       {4, "Author"},
                                       {5, "Keywords"},
                                       {6, "Comments"},
                                       {50, "3 Pages"},
                                       {51, "250"},
                                       {52, "1400"},
                                       {53, "Normal.dot"},
                                       {54, "0x04e4"},
                                       {55, "Last"},
                                       {56, "12"},
                                       {57, "Writer"},
                                       {58, "2"},
                                       {1, "<none>"}}));
    }
}

TEST_F(OleSummaryProviderTest, RevisionTextAndEmptyStrings) {
    ASSERT_TRUE(Load(WritePropertySet({{PropString(9, "")}})));
    EXPECT_EQ(Shown(m_provider, 56), "0");
    ASSERT_TRUE(Load(WritePropertySet({{PropString(9, "v7")}})));
    EXPECT_EQ(Shown(m_provider, 56), "0");
    ASSERT_TRUE(Load(WritePropertySet({{PropString(9, " 42 beta")}})));
    EXPECT_EQ(Shown(m_provider, 56), "42");
    // A count of 0 has no room for the NUL: an empty text, and the walk goes on.
    Bytes zeroCount;
    PutLe32(zeroCount, 0);
    ASSERT_TRUE(Load(WritePropertySet({{PropRaw(2, 30, zeroCount), PropString(3, "after")}})));
    EXPECT_TRUE(Shows(m_provider, {{2, ""}, {3, "after"}}));
}

TEST_F(OleSummaryProviderTest, LaterSectionWinsAndUnlistedTypesAreSkipped) {
    Bytes vector;  // a vector of two 4-byte integers
    PutLe32(vector, 2);
    PutLe32(vector, 5);
    PutLe32(vector, 6);
    ASSERT_TRUE(Load(WritePropertySet({
        {PropString(2, "First"), PropRaw(4, 0x1003, vector), PropString(3, "Kept")},
        {PropString(2, "Second")},
    })));
    EXPECT_TRUE(Shows(m_provider, {{2, "Second"}, {3, "Kept"}, {4, ""}}));
}

TEST_F(OleSummaryProviderTest, UnicodeSetsDecodeTheirStrings) {
    Bytes utf16;
    const std::u16string text = u"Tit\u00e9l\u4e2d";
    PutLe32(utf16, static_cast<std::uint32_t>((text.size() + 1) * 2));
    for (const char16_t unit : text)
        PutLe16(utf16, unit);
    PutLe16(utf16, 0);
    ASSERT_TRUE(Load(WritePropertySet({{PropI2(1, 1200), PropRaw(2, 30, utf16)}})));
    EXPECT_TRUE(Shows(m_provider, {{2, "Tit\u00e9l\u4e2d"}, {54, "0x04b0"}}));
}

TEST_F(OleSummaryProviderTest, NonDocumentsAndDamagedSetsGiveNoValues) {
    const std::string text = WriteFile(m_files.Dir() + "/text.doc", std::string(2048, 'x'));
    EXPECT_FALSE(m_provider.Load(DiskItem(text)));
    // A compound file without the stream.
    const std::string other =
        WriteFile(m_files.Dir() + "/other.doc",
                  ToString(WriteCompoundFile({{"WordDocument", Bytes(600, 7)}})));
    EXPECT_FALSE(m_provider.Load(DiskItem(other)));

    const Bytes good = WritePropertySet({{PropString(2, "Title")}});
    Bytes bom = good;
    SetLe16(bom, 0, 0xFEFF);
    EXPECT_FALSE(Load(bom));
    // A value offset beyond the stream fails even after earlier properties.
    Bytes late = WritePropertySet({{PropString(2, "Title"), PropString(3, "x")}});
    const std::size_t section = GetLe32(late, 44);
    SetLe32(late, section + 20, 0xFFFFFFF0);
    EXPECT_FALSE(Load(late));
    EXPECT_EQ(Shown(m_provider, 2), "<none>");
    // A text count past the stream.
    Bytes longText = good;
    SetLe32(longText, GetLe32(good, section + 12) + section + 4, 0x7FFFFFFF);
    EXPECT_FALSE(Load(longText));
}

TEST_F(OleSummaryProviderTest, HostileCompoundFilesEndCleanly) {
    const Bytes set = WritePropertySet({{PropString(2, "Title")}});
    // A stream big enough to leave the mini stream, so its sectors are chained
    // through the allocation table.
    Bytes big = set;
    big.resize(6000, 0);
    CompoundLayout layout;
    const Bytes file = WriteCompoundFile({{kSummaryName, big}}, 3, &layout);
    ASSERT_TRUE(m_provider.Load(DiskItem(WriteFile(m_files.Dir() + "/big.doc", ToString(file)))));
    EXPECT_EQ(Shown(m_provider, 2), "Title");

    const std::uint32_t first = layout.streamStarts.at(0);
    Bytes cycle = file;  // the stream's second sector leads back to its first
    SetLe32(cycle, layout.FatEntryOffset(first + 1), first);
    Bytes past = file;  // a sector beyond the end of the file
    SetLe32(past, layout.FatEntryOffset(first), 0x00FFFFFF);
    Bytes directory = file;  // the root's child is the root
    SetLe32(directory, layout.EntryOffset(0) + 76, 0);
    Bytes truncated(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
    for (const Bytes* hostile : {&cycle, &past, &directory, &truncated}) {
        const std::string path = m_files.Write(".doc", ToString(*hostile));
        EXPECT_FALSE(m_provider.Load(DiskItem(path)));
    }
}

TEST_F(OleSummaryProviderTest, ArchiveMembersFoldersAndPathlessItemsAreRefused) {
    const std::string path = WriteDocument(WritePropertySet({{PropString(2, "Title")}}));
    EXPECT_FALSE(m_provider.Load(MemberItem(path, "a.doc")));
    CProviderItem folder = DiskItem(path);
    folder.m_bFolder = TRUE;
    EXPECT_FALSE(m_provider.Load(folder));
    CProviderItem pathless = DiskItem(path);
    pathless.m_sPath.clear();
    EXPECT_FALSE(m_provider.Load(pathless));
    EXPECT_TRUE(m_provider.Load(DiskItem(path)));
}

TEST_F(OleSummaryProviderTest, ExtensionsAreBuiltInThenTheWordsOfTheExtensionsFile) {
    const std::vector<std::string>& builtIn = m_provider.GetExtensions();
    ASSERT_EQ(builtIn.size(), 89u);
    EXPECT_EQ(builtIn[0], "max");
    EXPECT_EQ(builtIn[3], "xla");
    EXPECT_EQ(builtIn[28], "xlz");
    EXPECT_EQ(builtIn[29], "mpa");
    EXPECT_EQ(builtIn[55], "ppt");
    EXPECT_EQ(builtIn[58], "vsa");
    EXPECT_EQ(builtIn[84], "adp");
    EXPECT_EQ(builtIn[88], "mda");

    const std::string file = std::string(std::getenv("XDG_CONFIG_HOME")) + "/zembrolt/oleext.txt";
    WriteFile(file, "  ABC  xyz\n\tDOC\n");
    COleSummaryInfoProvider extended;
    extended.InitExtensions();
    std::filesystem::remove(file);
    const std::vector<std::string>& all = extended.GetExtensions();
    ASSERT_EQ(all.size(), 92u);
    EXPECT_EQ(all[89], "abc");
    EXPECT_EQ(all[90], "xyz");
    EXPECT_EQ(all[91], "doc");  // no duplicate test
    EXPECT_TRUE(extended.IsSupported("Plan.ABC"));

    std::vector<std::string> words;
    COleSummaryInfoProvider::AppendExtensionWords(std::string(10001, 'a'), words);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].size(), 9999u);
    EXPECT_EQ(words[1], "aa");
}

}  // namespace
