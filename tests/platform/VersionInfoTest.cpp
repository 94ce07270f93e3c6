#include "platform/VersionInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/LanguageName.h"
#include "support/PeWriter.h"

namespace {

using zb::VersionInfo;
using zbtest::Bytes;
using zbtest::PeLayout;

const std::string kData = std::string(ZEMBROLT_TESTDATA) + "/pe/";

std::string String(const VersionInfo& info, const std::string& path) {
    std::string text;
    return info.QueryString(path, text) ? text : "<none>";
}

bool ReadBytes(VersionInfo& info, const Bytes& bytes) {
    zb::MemorySource source(bytes);
    return info.Read(source);
}

// Expected values were taken from a reference reader of the same files.
TEST(VersionInfo, ReadsTheVersionResourceOfAnExecutable) {
    VersionInfo info;
    ASSERT_TRUE(info.Read(kData + "EXE.exe"));
    VS_FIXEDFILEINFO fixed;
    ASSERT_TRUE(info.FixedInfo(fixed));
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00030004u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00050006u);
    EXPECT_EQ(info.Translations(), (std::vector<std::uint32_t>{0x04B00409}));
    // The file spells its table "040904B0": keys compare without letter case.
    EXPECT_EQ(String(info, "\\StringFileInfo\\040904b0\\CompanyName"), "Phil Harvey");
    EXPECT_EQ(String(info, "\\StringFileInfo\\040904b0\\FileVersion"), "1.2.3.4b");
    EXPECT_EQ(String(info, "\\StringFileInfo\\040904b0\\InternalName"), "Skippy the wonder cow");
    EXPECT_EQ(String(info, "\\StringFileInfo\\040904b0\\LegalTrademarks"), "none");
    EXPECT_EQ(String(info, "\\StringFileInfo\\040904b0\\Comments"), "<none>");
    EXPECT_EQ(info.Root().key, "VS_VERSION_INFO");
    EXPECT_EQ(info.Query("\\"), &info.Root());
}

TEST(VersionInfo, ReadsLibrariesAndEmptyStrings) {
    VersionInfo dll;
    ASSERT_TRUE(dll.Read(kData + "Demo.dll"));
    EXPECT_EQ(dll.Translations(), (std::vector<std::uint32_t>{0x04B00809}));
    EXPECT_EQ(String(dll, "\\StringFileInfo\\080904b0\\CompanyName"), "Umbrella Corporation");
    EXPECT_EQ(String(dll, "\\StringFileInfo\\080904b0\\FileDescription"), "T-Veronica");
    EXPECT_EQ(zb::VerLanguageName(0x0809), "English (United Kingdom)");

    VersionInfo net;
    ASSERT_TRUE(net.Read(kData + "NetFrameworkConsole.exe"));
    EXPECT_EQ(net.Translations(), (std::vector<std::uint32_t>{0x04B00000}));
    EXPECT_EQ(String(net, "\\StringFileInfo\\000004b0\\LegalCopyright"),
              "Copyright \xC2\xA9  2017");
    EXPECT_EQ(String(net, "\\StringFileInfo\\000004b0\\CompanyName"), "");  // present, empty

    VersionInfo sfx;
    ASSERT_TRUE(sfx.Read(kData + "test_read_format_7zip_sfx_pe.exe"));
    VS_FIXEDFILEINFO fixed;
    ASSERT_TRUE(sfx.FixedInfo(fixed));
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00180009u);
    EXPECT_EQ(String(sfx, "\\StringFileInfo\\040904b0\\ProductName"), "7-Zip");
}

TEST(VersionInfo, FilesWithoutAVersionResource) {
    VersionInfo info;
    for (const char* name :
         {"TLSCallback_x64.dll", "dosexecutable.exe", "newexecutable.exe", "portableexecutable.exe",
          "malformed_7zip_sfx_modified_pe.exe", "missing.exe"}) {
        EXPECT_FALSE(info.Read(kData + name)) << name;
        EXPECT_TRUE(info.Translations().empty());
        EXPECT_EQ(info.Query("\\"), nullptr);
    }
}

TEST(VersionInfo, GeneratedImagesOfBothKinds) {
    const Bytes block =
        zbtest::WriteVersionBlock(0x00020003, 0x00040005,
                                  {{"040904B0", {{"CompanyName", "Maker"}, {"Comments", "A note"}}},
                                   {"040704e4", {{"CompanyName", "Hersteller"}}}},
                                  {0x04B00409, 0x04E40407});
    for (const bool plus : {false, true}) {
        VersionInfo info;
        ASSERT_TRUE(ReadBytes(info, zbtest::WritePeImage(block, plus)));
        EXPECT_EQ(info.Translations(), (std::vector<std::uint32_t>{0x04B00409, 0x04E40407}));
        EXPECT_EQ(String(info, "\\StringFileInfo\\040904b0\\Comments"), "A note");
        EXPECT_EQ(String(info, "\\stringfileinfo\\040704E4\\companyname"), "Hersteller");
        VS_FIXEDFILEINFO fixed;
        ASSERT_TRUE(info.FixedInfo(fixed));
        EXPECT_EQ(fixed.dwFileVersionLS, 0x00040005u);
    }
}

TEST(VersionInfo, DamagedImagesFailOrLoseOnlyTheirDamagedPart) {
    const Bytes block =
        zbtest::WriteVersionBlock(1, 2, {{"040904b0", {{"A", "x"}, {"B", "y"}}}}, {0x04B00409});
    PeLayout layout;
    const Bytes good = zbtest::WritePeImage(block, false, &layout);
    VersionInfo info;
    ASSERT_TRUE(ReadBytes(info, good));

    const auto read = [&](std::size_t offset, std::uint32_t value, int width) {
        Bytes bytes = good;
        width == 2 ? zbtest::SetLe16(bytes, offset, value) : zbtest::SetLe32(bytes, offset, value);
        return ReadBytes(info, bytes);
    };
    EXPECT_FALSE(read(0x3C, 0xFFFFFFF0, 4));                    // PE header past the end
    EXPECT_FALSE(read(PeLayout::kPeOffset + 6, 0xFFFF, 2));     // section table past the end
    EXPECT_FALSE(read(layout.sectionTable + 12, 0x900000, 4));  // resources in no section
    EXPECT_FALSE(read(layout.dataEntry, 0x7FFFFFF0, 4));        // data outside the sections
    EXPECT_FALSE(read(layout.dataEntry + 4, 0x7FFFFFFF, 4));    // huge data size
    EXPECT_FALSE(read(layout.block, 0, 2));                     // a node of length 0
    EXPECT_FALSE(
        read(PeLayout::kResourceOffset + 20, 0x80000000u, 4));  // the type list points to itself
    EXPECT_FALSE(
        read(PeLayout::kResourceOffset + 12, 0xFFFF, 2));  // 65535 named entries past the end

    // A string table claiming more than its parent holds loses its strings only.
    Bytes bytes = good;
    const std::size_t stringFileInfo =
        layout.block + 92;  // after the root's header, key and fixed info
    ASSERT_EQ(bytes[stringFileInfo + 6], 'S');
    const std::size_t table = stringFileInfo + 36;
    zbtest::SetLe16(bytes, table, 0xFFF0);
    ASSERT_TRUE(ReadBytes(info, bytes));
    EXPECT_EQ(info.Query("\\StringFileInfo\\040904b0"), nullptr);
    EXPECT_EQ(info.Translations(), (std::vector<std::uint32_t>{0x04B00409}));

    for (std::size_t size = 0; size < good.size(); size += 7) {
        ReadBytes(info, Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)));
    }
}

TEST(VersionInfo, LanguageNames) {
    EXPECT_EQ(zb::VerLanguageName(0x0409), "English (United States)");
    EXPECT_EQ(zb::VerLanguageName(0x0000), "Language Neutral");
    EXPECT_EQ(zb::VerLanguageName(0x1C09), "English");  // a region missing from the list
    EXPECT_EQ(zb::VerLanguageName(0x03FF), "Unknown language");
}

}  // namespace
