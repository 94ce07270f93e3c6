#include "app/engine/HotKeyValue.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/engine/SearchMacro.h"

namespace {

std::vector<std::uint8_t> Stored(CHotKeyValue value) {
    std::vector<std::uint8_t> bytes;
    CArchive ar(bytes);
    value.Serialize(ar);
    return bytes;
}

TEST(HotKeyValue, TwoWordsKeyThenModifiers) {
    EXPECT_EQ(Stored(CHotKeyValue('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT)),
              (std::vector<std::uint8_t>{0x4B, 0x00, 0x03, 0x00}));
    EXPECT_EQ(Stored(CHotKeyValue(0x1234, 0xABCD)),
              (std::vector<std::uint8_t>{0x34, 0x12, 0xCD, 0xAB}));
    const std::vector<std::uint8_t> bytes{0x70, 0x00, 0x0C, 0x00};
    CArchive in(bytes.data(), bytes.size());
    CHotKeyValue read;
    read.Serialize(in);
    EXPECT_EQ(read, CHotKeyValue(112, HOTKEYF_ALT | HOTKEYF_EXT));
    EXPECT_EQ(Stored(read), bytes);
    CArchive shortInput(bytes.data(), 3);
    EXPECT_THROW(read.Serialize(shortInput), CArchiveException);
}

TEST(HotKeyValue, Text) {
    EXPECT_TRUE(CHotKeyValue().IsEmpty());
    EXPECT_TRUE(CHotKeyValue(0, HOTKEYF_CONTROL).IsEmpty());
    EXPECT_EQ(CHotKeyValue('K', HOTKEYF_SHIFT | HOTKEYF_CONTROL).GetText(), "Ctrl + Shift + K");
    EXPECT_EQ(CHotKeyValue('F', HOTKEYF_ALT | HOTKEYF_CONTROL).GetText(), "Ctrl + Alt + F");
    // The extended-key flag of a stored hot key is shown.
    EXPECT_EQ(CHotKeyValue(46, HOTKEYF_EXT).GetText(), "Ext + Delete");
    EXPECT_EQ(CHotKeyValue(101, 0).GetText(), "Num 5");
}

TEST(HotKeyValue, AcceleratorsIgnoreTheExtendedFlag) {
    EXPECT_EQ(HotKeyToAccelFlags(0), FVIRTKEY);
    EXPECT_EQ(HotKeyToAccelFlags(HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT),
              FVIRTKEY | FSHIFT | FCONTROL | FALT);
    const std::vector<ACCEL> table{
        {HotKeyToAccelFlags(HOTKEYF_CONTROL | HOTKEYF_SHIFT), 'K', 36000},
        {HotKeyToAccelFlags(HOTKEYF_CONTROL | HOTKEYF_EXT), 'K', 36001},
        {HotKeyToAccelFlags(HOTKEYF_CONTROL), 'K', 36002},
    };
    EXPECT_EQ(TranslateAccelerator(table, 'K', HOTKEYF_CONTROL | HOTKEYF_SHIFT), 36000);
    // The first of two accelerators with the same key wins.
    EXPECT_EQ(TranslateAccelerator(table, 'K', HOTKEYF_CONTROL), 36001);
    EXPECT_EQ(TranslateAccelerator(table, 'K', HOTKEYF_CONTROL | HOTKEYF_EXT), 36001);
    EXPECT_EQ(TranslateAccelerator(table, 'K', 0), 0);
    EXPECT_EQ(TranslateAccelerator(table, 'K', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    EXPECT_EQ(TranslateAccelerator(table, 'L', HOTKEYF_CONTROL), 0);
}

TEST(SearchMacro, StoredAsNameHotKeyAndCriteria) {
    CSearchMacro macro;
    EXPECT_EQ(macro.m_sName, "");
    EXPECT_TRUE(macro.m_HotKey.IsEmpty());
    macro.m_sName = "Sources";
    macro.m_HotKey = CHotKeyValue('S', HOTKEYF_ALT | HOTKEYF_EXT);
    macro.m_SearchData.m_MainData.m_sFindString = "*.cpp";
    macro.m_SearchData.m_MainData.m_sFindRootPath = "/src";

    std::vector<std::uint8_t> bytes;
    CArchive out(bytes);
    CSearchMacro(macro).Serialize(out);
    std::vector<std::uint8_t> expected{7, 'S', 'o', 'u', 'r', 'c', 'e', 's', 'S', 0, 0x0C, 0};
    CArchive criteria(expected);
    CSearchData(macro.m_SearchData).Serialize(criteria);
    EXPECT_EQ(bytes, expected);

    CArchive in(bytes.data(), bytes.size());
    CSearchMacro read;
    read.Serialize(in);
    EXPECT_EQ(read, macro);
    EXPECT_EQ(in.BytesLeft(), 0u);
}

TEST(SearchMacro, MenuText) {
    CSearchMacro macro;
    macro.m_sName = "Text files";
    EXPECT_EQ(MacroMenuText(macro), "Text files");
    macro.m_HotKey = CHotKeyValue('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT);
    EXPECT_EQ(MacroMenuText(macro), "Text files\tCtrl + Shift + K");
}

}  // namespace
