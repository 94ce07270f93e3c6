#include "readers/details/ProviderItem.h"

#include "readers/archives/ArchiveHandler.h"
#include "readers/archives/SourceStream.h"

BOOL CProviderItem::GetDiskFilePath(std::string* path) const {
    path->clear();
    if (m_bFolder || m_bInArchive || m_sPath.empty())
        return FALSE;
    *path = m_sPath;
    return TRUE;
}

BOOL CProviderItem::OpenStream(CSourceStream* stream) const {
    if (m_bFolder || m_sPath.empty())
        return FALSE;
    if (m_bInArchive)
        return OpenSourceStream(stream, m_sPath.c_str(), m_sInnerPath);
    return OpenSourceStream(stream, nullptr, m_sPath);
}
