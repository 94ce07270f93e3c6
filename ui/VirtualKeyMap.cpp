#include "ui/VirtualKeyMap.h"

#include <array>

#include "platform/VirtualKeyNames.h"

namespace {

struct KeyEntry {
    int qtKey = 0;
    bool keypad = false;  // only with Qt::KeypadModifier; else only without it
    WORD code = 0;
};

constexpr KeyEntry kNamedKeys[] = {
    // Keys outside the keypad.
    {Qt::Key_Backspace, false, 8},
    {Qt::Key_Tab, false, 9},
    {Qt::Key_Clear, false, 12},
    {Qt::Key_Return, false, 13},
    {Qt::Key_Enter, false, 13},
    {Qt::Key_Pause, false, 19},
    {Qt::Key_CapsLock, false, 20},
    {Qt::Key_Escape, false, 27},
    {Qt::Key_Space, false, 32},
    {Qt::Key_PageUp, false, 33},
    {Qt::Key_PageDown, false, 34},
    {Qt::Key_End, false, 35},
    {Qt::Key_Home, false, 36},
    {Qt::Key_Left, false, 37},
    {Qt::Key_Up, false, 38},
    {Qt::Key_Right, false, 39},
    {Qt::Key_Down, false, 40},
    {Qt::Key_Select, false, 41},
    {Qt::Key_Print, false, 44},
    {Qt::Key_Execute, false, 43},
    {Qt::Key_Insert, false, 45},
    {Qt::Key_Delete, false, 46},
    {Qt::Key_Help, false, 47},
    {Qt::Key_Menu, false, 93},
    {Qt::Key_NumLock, false, 144},
    {Qt::Key_ScrollLock, false, 145},
    // The shifted digits of the US layout.
    {Qt::Key_Exclam, false, '1'},
    {Qt::Key_At, false, '2'},
    {Qt::Key_NumberSign, false, '3'},
    {Qt::Key_Dollar, false, '4'},
    {Qt::Key_Percent, false, '5'},
    {Qt::Key_AsciiCircum, false, '6'},
    {Qt::Key_Ampersand, false, '7'},
    {Qt::Key_Asterisk, false, '8'},
    {Qt::Key_ParenLeft, false, '9'},
    {Qt::Key_ParenRight, false, '0'},
    // The keypad: its operators, and its navigation keys with Num Lock off.
    {Qt::Key_Asterisk, true, 106},
    {Qt::Key_Plus, true, 107},
    {Qt::Key_Minus, true, 109},
    {Qt::Key_Period, true, 110},
    {Qt::Key_Comma, true, 110},
    {Qt::Key_Slash, true, 111},
    {Qt::Key_Enter, true, 13},
    {Qt::Key_Clear, true, 12},
    {Qt::Key_PageUp, true, 33},
    {Qt::Key_PageDown, true, 34},
    {Qt::Key_End, true, 35},
    {Qt::Key_Home, true, 36},
    {Qt::Key_Left, true, 37},
    {Qt::Key_Up, true, 38},
    {Qt::Key_Right, true, 39},
    {Qt::Key_Down, true, 40},
    {Qt::Key_Insert, true, 45},
    {Qt::Key_Delete, true, 46},
};

constexpr std::size_t kTableSize = 26 + 10 + 10 + 24 + std::size(kNamedKeys);

// Letters, digits (outside and on the keypad), F1 to F24, then the keys above.
constexpr std::array<KeyEntry, kTableSize> kKeys = [] {
    std::array<KeyEntry, kTableSize> keys{};
    std::size_t n = 0;
    for (int i = 0; i < 26; ++i)
        keys[n++] = {Qt::Key_A + i, false, static_cast<WORD>('A' + i)};
    for (int i = 0; i < 10; ++i)
        keys[n++] = {Qt::Key_0 + i, false, static_cast<WORD>('0' + i)};
    for (int i = 0; i < 10; ++i)
        keys[n++] = {Qt::Key_0 + i, true, static_cast<WORD>(96 + i)};
    for (int i = 0; i < 24; ++i)
        keys[n++] = {Qt::Key_F1 + i, false, static_cast<WORD>(112 + i)};
    for (const KeyEntry& entry : kNamedKeys)
        keys[n++] = entry;
    return keys;
}();

}  // namespace

WORD VirtualKeyFromQtKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    for (const KeyEntry& entry : kKeys) {
        if (entry.qtKey == key && entry.keypad == keypad)
            return entry.code;
    }
    return 0;
}

WORD HotKeyFlagsFromQt(Qt::KeyboardModifiers modifiers) {
    WORD flags = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        flags |= HOTKEYF_SHIFT;
    if (modifiers.testFlag(Qt::ControlModifier))
        flags |= HOTKEYF_CONTROL;
    if (modifiers.testFlag(Qt::AltModifier))
        flags |= HOTKEYF_ALT;
    return flags;
}
