#include "platform/shell/FolderItem.h"

void CopyFolderItem(const FOLDERITEM& from, FOLDERITEM& to) {
    to.m_pParentFolder = from.m_pParentFolder;
    to.m_pidl.reset(ILClone(from.m_pidl.get()));
    to.m_pidlFull.reset(ILClone(from.m_pidlFull.get()));
    to.m_nKind = from.m_nKind;
    to.m_sInnerPath = from.m_sInnerPath;
    to.m_pidlParentFull.reset(ILClone(from.m_pidlParentFull.get()));
}
