#pragma once
// A place to search as the folder tree hands it over: a shell item, an archive
// file, or a folder inside an archive. Its first fields mirror the result
// record's (parent folder, relative and absolute lists, kind as flag 0x10).

#include <string>

#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellTypes.h"

constexpr int FOLDERITEM_SHELL = 0;
constexpr int FOLDERITEM_ARCHIVE = 16;  // an archive file or a folder inside one

struct FOLDERITEM {
    zb::ComPtr<IShellFolder> m_pParentFolder;
    PidlPtr m_pidl;      // relative to the parent (inside an archive: the archive's)
    PidlPtr m_pidlFull;  // absolute (inside an archive: the archive's)
    int m_nKind = FOLDERITEM_SHELL;
    std::string m_sInnerPath;  // folder inside an archive, parts joined by "\"
    PidlPtr m_pidlParentFull;  // absolute list of the parent item; null for the root
};

// A folder chosen in the folder picker: the place and the path it was shown by
// (a file-system path, or a path of display names).
struct SELECTEDFOLDER : FOLDERITEM {
    std::string m_sPath;
};

// Makes `to` a copy of `from` that owns its own lists (the folder is shared).
void CopyFolderItem(const FOLDERITEM& from, FOLDERITEM& to);
