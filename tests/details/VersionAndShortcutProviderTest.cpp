#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "details/ProviderTestSupport.h"
#include "readers/details/FileVersionRecord.h"
#include "readers/details/LnkInfoProvider.h"
#include "readers/details/VersionInfoProvider.h"
#include "support/LnkWriter.h"
#include "support/PeWriter.h"
#include "support/TempHome.h"

namespace {

using namespace zbtest;

const std::string kData = std::string(ZEMBROLT_TESTDATA) + "/";

class VersionProviderTest : public ::testing::Test {
protected:
    void SetUp() override { m_provider.InitExtensions(); }
    std::string Write(const Bytes& bytes) { return m_files.Write(".dll", ToString(bytes)); }

    NumberedFiles m_files{"version"};
    CVersionInfoProvider m_provider;
};

// Expected strings were taken once from a reference reader of the same files.
TEST_F(VersionProviderTest, SampleExecutables) {
    ASSERT_TRUE(m_provider.Load(DiskItem(kData + "pe/EXE.exe")));
    EXPECT_TRUE(Shows(m_provider, {{1200, "Skippy the wonder cow"},
                                   {1201, "This is not a product"},
                                   {1202, "Phil Harvey"},
                                   {1203, "Copyright (c) 2008"},
                                   {1204, "5.6.7.8b"},
                                   {1205, "ExifTool EXE Test File"},
                                   {1206, "none"},
                                   {1207, ""},
                                   {1208, "1.2.3.4b"},
                                   {1209, "EXE.exe"},
                                   {1210, ""},
                                   {6, ""}}));

    ASSERT_TRUE(m_provider.Load(DiskItem(kData + "pe/Demo.dll")));
    EXPECT_TRUE(Shows(m_provider,
                      {{1202, "Umbrella Corporation"}, {1205, "T-Veronica"}, {1201, "AT1521"}}));

    ASSERT_TRUE(m_provider.Load(DiskItem(kData + "pe/NetFrameworkConsole.exe")));
    EXPECT_EQ(Shown(m_provider, 1203), "Copyright \u00a9  2017");

    // Without a version resource.
    EXPECT_FALSE(m_provider.Load(DiskItem(kData + "pe/TLSCallback_x64.dll")));
    EXPECT_EQ(Shown(m_provider, 1202), "<none>");
    EXPECT_FALSE(m_provider.Load(DiskItem(kData + "pe/dosexecutable.exe")));
}

TEST_F(VersionProviderTest, FirstTranslationOnlyWithCaseInsensitiveKeys) {
    const Bytes block = WriteVersionBlock(
        0x00020003, 0x00040005,
        {{"040704E4", {{"CompanyName", "Hersteller"}}},
         {"040904B0", {{"CompanyName", "Maker"}, {"Comments", "A note"}, {"FileVersion", "2.3"}}}},
        {0x04B00409, 0x04E40407});
    for (const bool plus : {false, true}) {
        ASSERT_TRUE(m_provider.Load(DiskItem(Write(WritePeImage(block, plus))))) << plus;
        EXPECT_TRUE(Shows(m_provider, {{1202, "Maker"}, {6, "A note"}, {1208, "2.3"}}));
        EXPECT_EQ(Shown(m_provider, 1201), "");  // missing: empty, the row counts
        EXPECT_EQ(m_provider.GetState(), PROVIDER_STATE_LOADED);
    }
    // A translation whose table is missing still loads, with empty strings.
    const Bytes orphan =
        WriteVersionBlock(1, 2, {{"040904b0", {{"CompanyName", "x"}}}}, {0x04E40407});
    ASSERT_TRUE(m_provider.Load(DiskItem(Write(WritePeImage(orphan)))));
    EXPECT_EQ(Shown(m_provider, 1202), "");
    // No translation list: nothing.
    const Bytes none = WriteVersionBlock(1, 2, {{"040904b0", {{"CompanyName", "x"}}}}, {});
    EXPECT_FALSE(m_provider.Load(DiskItem(Write(WritePeImage(none)))));
}

TEST_F(VersionProviderTest, HostileImagesEndCleanly) {
    const Bytes block =
        WriteVersionBlock(1, 2, {{"040904b0", {{"CompanyName", "x"}}}}, {0x04B00409});
    PeLayout layout;
    const Bytes good = WritePeImage(block, false, &layout);
    ASSERT_TRUE(m_provider.Load(DiskItem(Write(good))));
    Bytes farHeader = good;
    SetLe32(farHeader, 0x3C, 0xFFFFFFF0);
    Bytes manySections = good;
    SetLe16(manySections, PeLayout::kPeOffset + 6, 0xFFFF);
    Bytes zeroLength = good;
    SetLe16(zeroLength, layout.block, 0);
    Bytes hugeData = good;
    SetLe32(hugeData, layout.dataEntry + 4, 0x7FFFFFFF);
    Bytes rvaOutside = good;
    SetLe32(rvaOutside, layout.dataEntry, 0x7FFF0000);
    for (const Bytes* hostile : {&farHeader, &manySections, &zeroLength, &hugeData, &rvaOutside})
        EXPECT_FALSE(m_provider.Load(DiskItem(Write(*hostile))));
    for (std::size_t cut = 0; cut < good.size(); cut += 7)
        EXPECT_FALSE(m_provider.Load(
            DiskItem(Write(Bytes(good.begin(), good.begin() + static_cast<long>(cut))))));
}

TEST_F(VersionProviderTest, ExecutablesInsideArchivesAreRefused) {
    const std::string path = kData + "pe/EXE.exe";
    EXPECT_FALSE(m_provider.Load(MemberItem(path, "EXE.exe")));
    EXPECT_EQ(m_provider.GetExtensions(),
              (std::vector<std::string>{"exe", "dll", "ocx", "cpl", "scr", "sys", "vbx", "drv"}));
}

TEST_F(VersionProviderTest, FileVersionRecord) {
    CFileVersionRecord record;
    EXPECT_EQ(record.Read(m_files.Dir() + "/missing.dll"), CFileVersionRecord::STATUS_NO_FILE);
    const std::string text = WriteFile(m_files.Dir() + "/text.dll", "plain text, not an image");
    EXPECT_EQ(record.Read(text), CFileVersionRecord::STATUS_NO_RESOURCE);
    EXPECT_EQ(record.GetPath(), text);

    ASSERT_EQ(record.Read(kData + "pe/EXE.exe"), CFileVersionRecord::STATUS_READ);
    EXPECT_EQ(record.GetFileVersionMS(), 0x00010002u);
    EXPECT_EQ(record.GetTranslation() & 0xFFFF, 0x0409u);
    EXPECT_EQ(record.GetFileVersion(), "1.2.3.4b");
    EXPECT_EQ(record.GetLanguageName(), "English (United States)");

    // A resource without a FileVersion string: the query fails.
    const Bytes block =
        WriteVersionBlock(0x00050006, 0, {{"040904b0", {{"CompanyName", "x"}}}}, {0x04B00409});
    EXPECT_EQ(record.Read(Write(WritePeImage(block))), CFileVersionRecord::STATUS_QUERY_FAILED);
}

class ShortcutProviderTest : public ::testing::Test {
protected:
    void SetUp() override { m_provider.InitExtensions(); }
    BOOL Load(const LnkSpec& spec) {
        return m_provider.Load(DiskItem(m_files.Write(".lnk", ToString(WriteShellLink(spec)))));
    }

    NumberedFiles m_files{"lnk"};
    CLnkInfoProvider m_provider;
};

// Expected values were taken once from a reference reader of the same files.
TEST_F(ShortcutProviderTest, SampleShortcuts) {
    ASSERT_TRUE(m_provider.Load(DiskItem(kData + "lnk/testshortcut.lnk")));
    EXPECT_TRUE(Shows(m_provider, {{1252, "C:\\Documents and Settings\\owner\\Desktop\\test.txt"},
                                   {1253, "C:\\Documents and Settings\\owner\\Desktop"},
                                   {1250, ""},
                                   {1251, ""},
                                   {1205, ""}}));

    ASSERT_TRUE(m_provider.Load(DiskItem(kData + "lnk/console_properties_block.lnk")));
    EXPECT_EQ(Shown(m_provider, 1252),
              "C:\\Windows\\SysWOW64\\WindowsPowerShell\\v1.0\\powershell.exe");
    EXPECT_TRUE(Shows(m_provider, {{1205, "Performs object-based (command-line) functions"},
                                   {1253, "%HOMEDRIVE%%HOMEPATH%"}}));

    ASSERT_TRUE(m_provider.Load(DiskItem(kData + "lnk/microsoft_example.lnk")));
    EXPECT_TRUE(Shows(m_provider, {{1252, "C:\\test\\a.txt"}, {1253, "C:\\test"}}));
}

TEST_F(ShortcutProviderTest, BuiltShortcuts) {
    LnkSpec spec;
    spec.hotKey = 0x0646;  // Ctrl + Alt + F
    spec.items = {ComputerItem(), DriveItem("D:\\"), FileItem("LONGFO~1", "Long Folder", true),
                  FileItem("FILENA~1.TXT", "File name.txt", false)};
    spec.name = "A description";
    spec.workingDirectory = "D:\\Long Folder";
    spec.arguments = "/s \"x y\"";
    for (const bool unicode : {true, false}) {
        spec.unicode = unicode;
        ASSERT_TRUE(Load(spec)) << unicode;
        EXPECT_TRUE(Shows(m_provider, {{1251, "Ctrl + Alt + F"},
                                       {1252, "D:\\Long Folder\\File name.txt"},
                                       {1250, "/s \"x y\""},
                                       {1253, "D:\\Long Folder"},
                                       {1205, "A description"}}));
    }
    // A target that is no file-system object: an empty target, the other values.
    LnkSpec printer;
    printer.items = {RootItem(Bytes(16, 0x21))};
    printer.arguments = "-p";
    printer.hotKey = 0x0170;  // Shift + F1
    ASSERT_TRUE(Load(printer));
    EXPECT_TRUE(Shows(m_provider, {{1252, ""}, {1250, "-p"}, {1251, "Shift + F1"}, {1205, ""}}));
}

TEST_F(ShortcutProviderTest, DamagedShortcutsAndMembersGiveNothing) {
    LnkSpec spec;
    spec.items = {ComputerItem(), DriveItem("C:\\")};
    spec.arguments = "x";
    const Bytes good = WriteShellLink(spec);
    Bytes badClsid = good;
    badClsid[4] ^= 1;
    Bytes badSize = good;
    badSize[0] = 0x4D;
    for (const Bytes* bad : {&badClsid, &badSize}) {
        EXPECT_FALSE(m_provider.Load(DiskItem(m_files.Write(".lnk", ToString(*bad)))));
        EXPECT_EQ(Shown(m_provider, 1250), "<none>");
    }
    const std::string path = WriteFile(m_files.Dir() + "/good.lnk", ToString(good));
    EXPECT_FALSE(m_provider.Load(MemberItem(path, "x.lnk")));
    EXPECT_TRUE(m_provider.Load(DiskItem(path)));
    // A damaged link-information block: whatever is read, the load ends.
    m_provider.Load(DiskItem(kData + "lnk/malformed_broken_link_info.lnk"));
}

}  // namespace
