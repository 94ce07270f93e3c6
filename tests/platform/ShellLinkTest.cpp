#include "platform/ShellLink.h"

#include <gtest/gtest.h>

#include <string>

#include "support/LnkWriter.h"

namespace {

using zb::ShellLink;
using zbtest::Bytes;
using zbtest::LnkSpec;

const std::string kData = std::string(ZEMBROLT_TESTDATA) + "/lnk/";

// Expected values were taken from a reference reader of the same files and
// checked by hand against the bytes.
TEST(ShellLink, ReadsTheFormatsExampleShortcut) {
    ShellLink link;
    ASSERT_TRUE(link.Load(kData + "microsoft_example.lnk"));
    EXPECT_EQ(link.LocalBasePath(), "C:\\test\\a.txt");
    EXPECT_EQ(link.IdListPath(), "C:\\test\\a.txt");
    EXPECT_EQ(link.TargetPath(), "C:\\test\\a.txt");
    EXPECT_EQ(link.RelativePath(), ".\\a.txt");
    EXPECT_EQ(link.WorkingDirectory(), "C:\\test");
    EXPECT_EQ(link.Name(), "");
    EXPECT_EQ(link.Arguments(), "");
    EXPECT_EQ(link.HotKey(), 0);
    EXPECT_EQ(link.ShowCommand(), 1u);
    EXPECT_EQ(link.FileAttributes(), 0x20u);
}

TEST(ShellLink, ReadsRealShortcuts) {
    ShellLink link;
    ASSERT_TRUE(link.Load(kData + "console_properties_block.lnk"));
    const std::string powershell = "C:\\Windows\\SysWOW64\\WindowsPowerShell\\v1.0\\powershell.exe";
    EXPECT_EQ(link.LocalBasePath(), powershell);
    EXPECT_EQ(link.IdListPath(), powershell);  // long names, not WINDOW~1
    EXPECT_EQ(link.Name(), "Performs object-based (command-line) functions");
    EXPECT_EQ(link.WorkingDirectory(), "%HOMEDRIVE%%HOMEPATH%");
    EXPECT_EQ(link.IconLocation(),
              "%SystemRoot%\\syswow64\\WindowsPowerShell\\v1.0\\powershell.exe");
    EXPECT_EQ(link.FileSize(), 454656u);

    // An advertised shortcut: no link information, the target from the list.
    ASSERT_TRUE(link.Load(kData + "darwin_block.lnk"));
    EXPECT_EQ(link.LinkInfoPath(), "");
    EXPECT_EQ(link.TargetPath(),
              "C:\\Windows\\Installer\\{DB8757A3-1B62-4136-8D95-D2CB9F00E36C}\\test_icon.ico");
    EXPECT_EQ(link.Name(), "This is the shortcut description");

    ASSERT_TRUE(link.Load(kData + "malformed_broken_link_info.lnk"));
    EXPECT_EQ(link.TargetPath(), "C:\\Program Files\\xt\\xt.exe");
    EXPECT_EQ(link.RelativePath(), "..\\..\\..\\..\\..\\..\\Program Files\\xt\\xt.exe");
    EXPECT_EQ(link.WorkingDirectory(), "C:\\Program Files\\xt");

    // A list that starts at the desktop names no path of its own.
    ASSERT_TRUE(link.Load(kData + "testshortcut.lnk"));
    EXPECT_EQ(link.IdListPath(), "");
    EXPECT_EQ(link.TargetPath(), "C:\\Documents and Settings\\owner\\Desktop\\test.txt");
}

TEST(ShellLink, NetworkTargetsAndEightBitPaths) {
    ShellLink link;
    ASSERT_TRUE(link.Load(kData + "network_info.lnk"));
    EXPECT_EQ(link.NetName(), "\\\\10.0.0.150\\LMmetal");
    EXPECT_EQ(
        link.TargetPath(),
        "\\\\10.0.0.150\\LMmetal\\A - LM METAL LIFT\\01.OBCHOD - BROŽURY - Prodejní a technické "
        "informace o produktech\\ETN\\ETN-Katalog-ENG\\Katalog ETN 10_2017\\Lift-programme\\"
        "ETN-lift programme 2017.pdf");
    EXPECT_EQ(link.IdListPath().substr(0, 21), "Z:\\A - LM METAL LIFT\\");

    // Eight-bit paths read as Windows-1252 whatever code page wrote them.
    ASSERT_TRUE(link.Load(kData + "invalid_date3.lnk"));
    EXPECT_EQ(link.LocalBasePath(), "C:\\Users\\Ïîëüçîâàòåëü\\Desktop\\\xC2\xA0");
}

TEST(ShellLink, GeneratedShortcuts) {
    LnkSpec spec;
    spec.hotKey = 0x0646;  // Ctrl + Alt + F
    spec.items = {zbtest::ComputerItem(), zbtest::DriveItem("D:\\"),
                  zbtest::FileItem("LONGFO~1", "Long Folder", true),
                  zbtest::FileItem("FILE~1.TXT", "File name.txt", false)};
    spec.name = "Description";
    spec.arguments = "--flag \"x y\"";
    spec.workingDirectory = "D:\\Long Folder";
    ShellLink link;
    ASSERT_TRUE(link.Load(zbtest::WriteShellLink(spec)));
    EXPECT_EQ(link.HotKey(), 0x0646);
    EXPECT_EQ(link.HotKey() >> 8, ShellLink::kHotKeyControl | ShellLink::kHotKeyAlt);
    EXPECT_EQ(link.TargetPath(), "D:\\Long Folder\\File name.txt");
    EXPECT_EQ(link.Arguments(), "--flag \"x y\"");
    EXPECT_EQ(link.Name(), "Description");

    spec.unicode = false;  // eight-bit string data is Windows-1252
    spec.name = "caf\xE9 \x80";
    ASSERT_TRUE(link.Load(zbtest::WriteShellLink(spec)));
    EXPECT_EQ(link.Name(), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(link.WorkingDirectory(), "D:\\Long Folder");

    // A control-panel target has no path, but the other values stay.
    spec.items = {zbtest::RootItem(Bytes(16, 0x21)), zbtest::FileItem("X", "X", false)};
    ASSERT_TRUE(link.Load(zbtest::WriteShellLink(spec)));
    EXPECT_EQ(link.TargetPath(), "");
    EXPECT_EQ(link.Name(), "caf\xC3\xA9 \xE2\x82\xAC");

    LnkSpec info;
    info.linkInfo = true;
    info.unicodeLinkInfo = true;
    info.localBasePath = "E:\\dir";
    info.suffix = "file.txt";
    ASSERT_TRUE(link.Load(zbtest::WriteShellLink(info)));
    EXPECT_EQ(link.TargetPath(), "E:\\dir\\file.txt");
    info.localBasePath.clear();
    info.netName = "\\\\server\\share";
    ASSERT_TRUE(link.Load(zbtest::WriteShellLink(info)));
    EXPECT_EQ(link.TargetPath(), "\\\\server\\share\\file.txt");
}

TEST(ShellLink, DamagedShortcuts) {
    LnkSpec spec;
    spec.items = {zbtest::ComputerItem(), zbtest::DriveItem("C:\\")};
    spec.linkInfo = true;
    spec.localBasePath = "C:\\a";
    spec.name = "n";
    spec.iconLocation = "icon";
    const Bytes good = zbtest::WriteShellLink(spec);
    ShellLink link;
    ASSERT_TRUE(link.Load(good));

    Bytes header = good;
    header[0] = 0x4D;
    EXPECT_FALSE(link.Load(header));
    Bytes clsid = good;
    clsid[5] ^= 1;
    EXPECT_FALSE(link.Load(clsid));
    EXPECT_FALSE(link.Load(Bytes(good.begin(), good.begin() + 0x4B)));

    Bytes listPast = good;  // the item list runs past the end
    zbtest::SetLe16(listPast, 0x4C, 0xFFFF);
    EXPECT_FALSE(link.Load(listPast));

    const std::size_t info = 0x4C + 2 + zbtest::GetLe32(good, 0x4C) % 0x10000;
    Bytes infoSize = good;  // a size that cannot hold itself
    zbtest::SetLe32(infoSize, info, 2);
    EXPECT_FALSE(link.Load(infoSize));

    Bytes infoOffsets = good;  // offsets outside the link information
    zbtest::SetLe32(infoOffsets, info + 16, 0xFFFFFF00);
    ASSERT_TRUE(link.Load(infoOffsets));
    EXPECT_EQ(link.LocalBasePath(), "");
    EXPECT_EQ(link.TargetPath(), "C:\\");  // from the list
    EXPECT_EQ(link.IconLocation(), "icon");

    Bytes unterminated = good;  // the path runs to the end of the link information
    const std::size_t infoEnd = info + zbtest::GetLe32(good, info);
    zbtest::SetLe32(unterminated, info + 16, static_cast<std::uint32_t>(infoEnd - info - 1));
    unterminated[infoEnd - 1] = 'x';
    ASSERT_TRUE(link.Load(unterminated));
    EXPECT_EQ(link.LocalBasePath(), "");

    Bytes longString = good;  // 65535 characters at the end of the file
    zbtest::SetLe16(longString, longString.size() - 4 - 2 - 8, 0xFFFF);
    EXPECT_FALSE(link.Load(longString));
    EXPECT_EQ(link.Name(), "");

    for (std::size_t size = 0; size < good.size(); ++size) {
        link.Load(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)));
    }
    EXPECT_FALSE(link.Load(kData + "missing.lnk"));
}

}  // namespace
