#include "readers/details/FileVersionRecord.h"

#include "platform/LanguageName.h"
#include "platform/PathUtils.h"
#include "platform/VersionInfo.h"
#include "readers/details/VersionInfoProvider.h"

int CFileVersionRecord::Read(const std::string& path) {
    if (!FileExists(path))
        return m_nStatus = STATUS_NO_FILE;
    m_sPath = path;
    zb::VersionInfo version;
    if (!version.Read(path))
        return m_nStatus = STATUS_NO_RESOURCE;
    const std::vector<std::uint32_t> translations = version.Translations();
    VS_FIXEDFILEINFO fixed;
    if (translations.empty() || !version.FixedInfo(fixed))
        return m_nStatus = STATUS_QUERY_FAILED;
    m_dwTranslation = translations.front();
    m_dwFileVersionMS = fixed.dwFileVersionMS;
    if (!version.QueryString(VersionStringPath(m_dwTranslation, "FileVersion"), m_sFileVersion))
        return m_nStatus = STATUS_QUERY_FAILED;
    m_sLanguageName = zb::VerLanguageName(static_cast<std::uint16_t>(m_dwTranslation & 0xFFFFu));
    return m_nStatus = STATUS_READ;
}
