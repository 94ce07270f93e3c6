#include "app/engine/HotKeyValue.h"

void CHotKeyValue::Serialize(CArchive& ar) {
    if (ar.IsStoring())
        ar << m_wVirtualKey << m_wModifiers;
    else
        ar >> m_wVirtualKey >> m_wModifiers;
}

std::string CHotKeyValue::GetText() const {
    return GetHotKeyModifierText(m_wModifiers) + GetVirtualKeyName(m_wVirtualKey);
}

BYTE HotKeyToAccelFlags(WORD modifiers) {
    BYTE flags = FVIRTKEY;
    if (modifiers & HOTKEYF_CONTROL)
        flags |= FCONTROL;
    if (modifiers & HOTKEYF_ALT)
        flags |= FALT;
    if (modifiers & HOTKEYF_SHIFT)
        flags |= FSHIFT;
    return flags;
}

WORD TranslateAccelerator(const std::vector<ACCEL>& table, WORD virtualKey, WORD modifiers) {
    const BYTE pressed = HotKeyToAccelFlags(modifiers);
    for (const ACCEL& accel : table) {
        if (accel.key == virtualKey && accel.fVirt == pressed)
            return accel.cmd;
    }
    return 0;
}
