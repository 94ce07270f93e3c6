#include "readers/details/LnkInfoProvider.h"

#include <array>

#include "platform/ShellLink.h"
#include "platform/VirtualKeyNames.h"

namespace {

constexpr int kFileDescription = 1205;
constexpr int kArguments = 1250;
constexpr int kHotKey = 1251;
constexpr int kLinkTarget = 1252;
constexpr int kWorkingDirectory = 1253;
constexpr std::array<int, 5> kLnkColumns = {kArguments, kHotKey, kLinkTarget, kWorkingDirectory,
                                            kFileDescription};

}  // namespace

std::string GetShortcutHotKeyText(WORD hotKey) {
    return GetHotKeyModifierText(hotKey >> 8) + GetVirtualKeyName(hotKey & 0xFF);
}

CLnkInfoProvider::CLnkInfoProvider() : CFixedColumnProvider(kLnkColumns) {}

BOOL CLnkInfoProvider::InitExtensions() {
    m_arrExtensions = {"lnk"};
    return TRUE;
}

BOOL CLnkInfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    for (std::string* text :
         {&m_sTarget, &m_sArguments, &m_sWorkingDirectory, &m_sHotKey, &m_sDescription})
        text->clear();
    std::string path;
    zb::ShellLink link;
    if (!item.GetDiskFilePath(&path) || !link.Load(path))
        return FALSE;
    m_sTarget = link.TargetPath();
    m_sArguments = link.Arguments();
    m_sDescription = link.Name();
    m_sHotKey = GetShortcutHotKeyText(link.HotKey());
    m_sWorkingDirectory = link.WorkingDirectory();
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CLnkInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED)
        return FALSE;
    switch (id) {
        case kLinkTarget:
            value->text = m_sTarget;
            return TRUE;
        case kArguments:
            value->text = m_sArguments;
            return TRUE;
        case kWorkingDirectory:
            value->text = m_sWorkingDirectory;
            return TRUE;
        case kHotKey:
            value->text = m_sHotKey;
            return TRUE;
        case kFileDescription:
            value->text = m_sDescription;
            return TRUE;
        default:
            return FALSE;
    }
}
