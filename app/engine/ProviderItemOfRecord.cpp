#include "app/engine/ProviderItemOfRecord.h"

CProviderItem MakeProviderItem(const CResultItem& record) {
    CProviderItem item;
    item.m_sName = record.m_sName;
    item.m_bFolder = (record.m_dwFlags & RIF_FOLDER) != 0 ? TRUE : FALSE;
    item.m_bInArchive = (record.m_dwFlags & RIF_IN_ARCHIVE) != 0 ? TRUE : FALSE;
    if (!(record.m_dwFlags & RIF_NO_PATH))
        record.GetFilePath(&item.m_sPath);
    if (item.m_bInArchive && !record.GetPathInArchive(&item.m_sInnerPath))
        item.m_sPath.clear();
    return item;
}
