#include "platform/VirtualKeyNames.h"

#include <algorithm>
#include <iterator>

namespace {

struct KeyName {
    WORD code;
    const char* name;
};

// The keys with a fixed name, by code.
constexpr KeyName kKeyNames[] = {
    {1, "Left Button"},
    {2, "Right Button"},
    {3, "Cancel"},
    {4, "Middle Button"},
    {8, "Backspace"},
    {9, "Tab"},
    {12, "Clear"},
    {13, "Return"},
    {16, "Shift"},
    {17, "Ctrl"},
    {18, "Menu"},
    {19, "Pause"},
    {20, "CapsLock"},
    {21, "Hangul"},
    {23, "Junja"},
    {24, "Final"},
    {25, "Kanji"},
    {27, "Escape"},
    {28, "Convert"},
    {29, "No Convert"},
    {30, "Accept"},
    {31, "Mode Change"},
    {32, " "},
    {33, "Page Up"},
    {34, "Page Down"},
    {35, "End"},
    {36, "Home"},
    {37, "Left"},
    {38, "Up"},
    {40, "Down"},
    {41, "Select"},
    {42, "Print"},
    {43, "Execute"},
    {44, "Snapshot"},
    {45, "Insert"},
    {46, "Delete"},
    {47, "Help"},
    {91, "Left Win"},
    {92, "Right Win"},
    {93, "Application"},
    {106, "*"},
    {107, "+"},
    {108, "Seperator"},
    {109, "-"},
    {110, "."},
    {111, "/"},
    {144, "Num Lock"},
    {145, "Scroll"},
    {160, "Left Shift"},
    {161, "Right Shift"},
    {162, "Left Control"},
    {163, "Right Control"},
    {164, "Left Menu"},
    {165, "Right Menu"},
    {246, "Attn"},
    {247, "Crsel"},
    {248, "Exsel"},
    {249, "Ereof"},
    {250, "Play"},
    {251, "Zoom"},
    {252, "No Name"},
    {253, "PA1"},
    {254, "OEM Clear"},
};

}  // namespace

std::string GetHotKeyModifierText(WORD flags) {
    std::string text;
    if ((flags & HOTKEYF_CONTROL) != 0)
        text += "Ctrl + ";
    if ((flags & HOTKEYF_ALT) != 0)
        text += "Alt + ";
    if ((flags & HOTKEYF_SHIFT) != 0)
        text += "Shift + ";
    if ((flags & HOTKEYF_EXT) != 0)
        text += "Ext + ";
    return text;
}

std::string GetVirtualKeyName(WORD code) {
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return std::string(1, static_cast<char>(code));
    if (code >= 96 && code <= 105)
        return "Num " + std::to_string(code - 96);
    if (code >= 112 && code <= 135)
        return "F" + std::to_string(code - 111);
    const auto found = std::find_if(std::begin(kKeyNames), std::end(kKeyNames),
                                    [code](const KeyName& key) { return key.code == code; });
    return found != std::end(kKeyNames) ? std::string(found->name) : std::string();
}
