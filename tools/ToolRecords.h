#pragma once
// What the file tools share about result records: which records they may
// change on disk, how a record is made for a file or an archive member they
// found (through the shell namespace, the way a search makes it), and how a
// renamed record is pointed at its new name.

#include <string>

#include "app/engine/ResultItem.h"
#include "platform/Log.h"
#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellTypes.h"

// Colours of the tools' log lines.
constexpr COLORREF kToolLogRed = RGB(255, 0, 0);
constexpr COLORREF kToolLogBlue = RGB(0, 0, 255);

// TRUE with the record's path when it is a file or folder on disk that the
// tools may change: not inside an archive and with a file-system path.
BOOL IsChangeableRecord(const CResultItem& record, std::string* path);

// Makes records for paths; consecutive files of one folder share the parse
// and bind of that folder.
class CToolRecordMaker {
public:
    // Why a record could not be made.
    enum Result {
        MADE = 0,
        FOLDER_NOT_PARSED,
        FOLDER_NOT_BOUND,
        NAME_NOT_PARSED,
        NO_ARCHIVE_HANDLER,
        ENTRY_NOT_FOUND,
    };

    // A record for the file (or folder) at `path`: its folder parsed from
    // the desktop and bound, its name parsed there, its attributes asked,
    // then built as a search builds one (size, times and attributes read).
    Result MakeFileRecord(const std::string& path, CResultItem& record);
    // A record for member `memberPath` of the archive at `archivePath`.
    Result MakeMemberRecord(const std::string& archivePath, const std::string& memberPath,
                            CResultItem& record);

private:
    Result ParseItem(const std::string& path, zb::ComPtr<IShellFolder>* folder, PidlPtr* child,
                     PidlPtr* full, ULONG* attributes);

    std::string m_sFolder;  // the folder parsed last
    zb::ComPtr<IShellFolder> m_pFolder;
    PidlPtr m_pidlFolder;
};

// Points a record whose file was renamed at `newName`: a new child list
// parsed in its parent folder and a new absolute list parsed from the
// desktop. When both parse, the old lists go, the new ones are stored and the
// record takes the name; otherwise it is left as it was and FALSE comes back.
bool ReparseRenamedRecord(CResultItem& record, const std::string& newName);
