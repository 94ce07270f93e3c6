#include "platform/VirtualKeyNames.h"

#include <gtest/gtest.h>

namespace {

TEST(VirtualKeyNames, ModifierTextsInTheirOrder) {
    EXPECT_EQ(GetHotKeyModifierText(0), "");
    EXPECT_EQ(GetHotKeyModifierText(HOTKEYF_SHIFT), "Shift + ");
    EXPECT_EQ(GetHotKeyModifierText(HOTKEYF_SHIFT | HOTKEYF_CONTROL), "Ctrl + Shift + ");
    EXPECT_EQ(GetHotKeyModifierText(0x0F), "Ctrl + Alt + Shift + Ext + ");
    EXPECT_EQ(GetHotKeyModifierText(HOTKEYF_EXT | HOTKEYF_ALT), "Alt + Ext + ");
    // Bits above the four flags name nothing.
    EXPECT_EQ(GetHotKeyModifierText(0x0100 | HOTKEYF_CONTROL), "Ctrl + ");
}

TEST(VirtualKeyNames, KeyNames) {
    EXPECT_EQ(GetVirtualKeyName('K'), "K");
    EXPECT_EQ(GetVirtualKeyName('0'), "0");
    EXPECT_EQ(GetVirtualKeyName(96), "Num 0");
    EXPECT_EQ(GetVirtualKeyName(105), "Num 9");
    EXPECT_EQ(GetVirtualKeyName(112), "F1");
    EXPECT_EQ(GetVirtualKeyName(135), "F24");
    EXPECT_EQ(GetVirtualKeyName(136), "");
    EXPECT_EQ(GetVirtualKeyName(32), " ");
    EXPECT_EQ(GetVirtualKeyName(33), "Page Up");
    EXPECT_EQ(GetVirtualKeyName(37), "Left");
    EXPECT_EQ(GetVirtualKeyName(39), "Right");
    EXPECT_EQ(GetVirtualKeyName(108), "Seperator");
    EXPECT_EQ(GetVirtualKeyName(254), "OEM Clear");
    for (const int unnamed : {0, 5, 22, 200, 255, 0x1234})
        EXPECT_EQ(GetVirtualKeyName(static_cast<WORD>(unnamed)), "") << unnamed;
}

}  // namespace
