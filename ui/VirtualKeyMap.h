#pragma once
// Qt's keys as the stored virtual-key codes of hot keys: letters, digits,
// F1 to F24, the keypad (Qt's keypad modifier), the navigation keys and a few
// others, all through one table.

#include <Qt>

#include "platform/WinTypes.h"

// The virtual-key code of `key` (keypad keys carry Qt::KeypadModifier); 0 for
// a key that has none. The shifted digits of the US layout ("!" for 1) give
// their digit's code.
WORD VirtualKeyFromQtKey(int key, Qt::KeyboardModifiers modifiers);

// The hot-key flags of Qt's Ctrl, Alt and Shift. The extended-key flag has
// no counterpart and is never set.
WORD HotKeyFlagsFromQt(Qt::KeyboardModifiers modifiers);
