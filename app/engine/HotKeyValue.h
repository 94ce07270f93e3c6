#pragma once
// A hot key as the hot-key control gives it: a virtual-key code and the
// control's modifier flags (1 Shift, 2 Ctrl, 4 Alt, 8 extended key), stored as
// two 16-bit words in that order. Macros carry one; the window turns them
// into accelerators that run the macro while it is active.

#include <string>
#include <vector>

#include "platform/Archive.h"
#include "platform/VirtualKeyNames.h"
#include "platform/WinTypes.h"

class CHotKeyValue {
public:
    CHotKeyValue() = default;
    CHotKeyValue(WORD virtualKey, WORD modifiers)
        : m_wVirtualKey(virtualKey), m_wModifiers(modifiers) {}
    virtual ~CHotKeyValue() = default;
    CHotKeyValue(const CHotKeyValue&) = default;
    CHotKeyValue& operator=(const CHotKeyValue&) = default;
    friend bool operator==(const CHotKeyValue&, const CHotKeyValue&) = default;

    // No hot key: the key code is 0.
    bool IsEmpty() const { return m_wVirtualKey == 0; }
    // The key code's word, then the modifiers' word.
    void Serialize(CArchive& ar);
    // The modifier text followed by the key name ("Ctrl + Shift + K").
    std::string GetText() const;

    WORD m_wVirtualKey = 0;
    WORD m_wModifiers = 0;
};

// Accelerator flags.
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

// FVIRTKEY, with FCONTROL, FALT and FSHIFT for the hot key's Ctrl, Alt and
// Shift; the extended-key flag has no accelerator flag and is left out.
BYTE HotKeyToAccelFlags(WORD modifiers);

// One accelerator: the key with its flags, and the command it sends.
struct ACCEL {
    BYTE fVirt = 0;
    WORD key = 0;
    WORD cmd = 0;
};

// The command of the first accelerator whose key and Ctrl, Alt and Shift
// flags are those pressed (`modifiers` as hot-key flags); 0 when none is.
WORD TranslateAccelerator(const std::vector<ACCEL>& table, WORD virtualKey, WORD modifiers);
