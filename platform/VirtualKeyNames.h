#pragma once
// Display texts of a hot key as the hot-key control stores it: a virtual-key
// code and the control's modifier flags. Shared by the macros' hot keys and
// the hot-key column of shortcut files.

#include <string>

#include "platform/WinTypes.h"

// The hot-key control's modifier flags.
constexpr WORD HOTKEYF_SHIFT = 0x01;
constexpr WORD HOTKEYF_CONTROL = 0x02;
constexpr WORD HOTKEYF_ALT = 0x04;
constexpr WORD HOTKEYF_EXT = 0x08;

// "Ctrl + ", "Alt + ", "Shift + " and "Ext + " for the flags that are set,
// in that order.
std::string GetHotKeyModifierText(WORD flags);

// The key's display name: the letter or digit itself, "Num 0" to "Num 9",
// "F1" to "F24", or a fixed name ("Page Up", "Seperator", ...); an empty text
// for a code without a name.
std::string GetVirtualKeyName(WORD code);
