#include "readers/details/VersionInfoProvider.h"

#include <cstdio>

#include "platform/VersionInfo.h"

namespace {

struct VersionString {
    const char* name;
    int column;
};

// The strings in index order, with their columns.
constexpr std::array<VersionString, CVersionInfoProvider::kStringCount> kVersionStrings = {{
    {"InternalName", 1200},
    {"ProductName", 1201},
    {"CompanyName", 1202},
    {"LegalCopyright", 1203},
    {"ProductVersion", 1204},
    {"FileDescription", 1205},
    {"LegalTrademarks", 1206},
    {"PrivateBuild", 1207},
    {"FileVersion", 1208},
    {"OriginalFilename", 1209},
    {"SpecialBuild", 1210},
    {"Comments", 6},
}};

constexpr std::array<int, CVersionInfoProvider::kStringCount> kVersionColumns = [] {
    std::array<int, CVersionInfoProvider::kStringCount> columns{};
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = kVersionStrings[i].column;
    return columns;
}();

}  // namespace

std::string VersionStringPath(std::uint32_t translation, const char* name) {
    char key[16];
    std::snprintf(key, sizeof key, "%04x%04x", translation & 0xFFFFu, translation >> 16);
    return std::string("\\StringFileInfo\\") + key + "\\" + name;
}

CVersionInfoProvider::CVersionInfoProvider() : CFixedColumnProvider(kVersionColumns) {}

BOOL CVersionInfoProvider::InitExtensions() {
    m_arrExtensions = {"exe", "dll", "ocx", "cpl", "scr", "sys", "vbx", "drv"};
    return TRUE;
}

BOOL CVersionInfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    for (std::string& text : m_strings)
        text.clear();
    std::string path;
    zb::VersionInfo version;
    if (!item.GetDiskFilePath(&path) || !version.Read(path))
        return FALSE;
    const std::vector<std::uint32_t> translations = version.Translations();
    if (translations.empty())
        return FALSE;
    for (std::size_t i = 0; i < kStringCount; ++i)
        version.QueryString(VersionStringPath(translations.front(), kVersionStrings[i].name),
                            m_strings[i]);
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CVersionInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED)
        return FALSE;
    for (std::size_t i = 0; i < kStringCount; ++i) {
        if (kVersionStrings[i].column == id) {
            value->text = m_strings[i];
            return TRUE;
        }
    }
    return FALSE;
}
