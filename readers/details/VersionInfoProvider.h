#pragma once
// The detail provider of Windows executables and libraries: the eleven
// standard version strings and "Comments" of the version resource, in the
// first translation it lists. Files inside archives get no values.

#include <array>
#include <cstdint>
#include <string>

#include "readers/details/FixedColumnProvider.h"

// "\StringFileInfo\<language><code page>\<name>" for the translation entry
// `translation` (language in the low 16 bits, code page in the high ones),
// both in four lower-case hexadecimal digits.
std::string VersionStringPath(std::uint32_t translation, const char* name);

class CVersionInfoProvider : public CFixedColumnProvider {
public:
    static constexpr std::size_t kStringCount = 12;

    CVersionInfoProvider();

    // "exe" "dll" "ocx" "cpl" "scr" "sys" "vbx" "drv".
    BOOL InitExtensions() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded: the column's string (empty when the resource lacks it).
    BOOL GetValue(int id, COLUMNVALUE* value) override;

private:
    std::array<std::string, kStringCount> m_strings;
};
