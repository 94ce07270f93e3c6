#pragma once
// The detail provider of shell shortcut (.lnk) files: arguments, hot key,
// target path, working directory and description. Shortcuts inside archives
// get no values.

#include <string>

#include "readers/details/FixedColumnProvider.h"

// The text of a shortcut's hot key (the modifier flags in the high byte, the
// virtual-key code in the low one), like "Ctrl + Alt + F".
std::string GetShortcutHotKeyText(WORD hotKey);

class CLnkInfoProvider : public CFixedColumnProvider {
public:
    CLnkInfoProvider();

    // "lnk".
    BOOL InitExtensions() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded: the column's text. The target is empty when it is no
    // file-system object; the hot key reads like "Ctrl + Alt + F".
    BOOL GetValue(int id, COLUMNVALUE* value) override;

private:
    std::string m_sTarget;
    std::string m_sArguments;
    std::string m_sWorkingDirectory;
    std::string m_sHotKey;
    std::string m_sDescription;
};
