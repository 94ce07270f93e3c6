#pragma once
// One row of the result list, and a search root: the item's place in the
// shell namespace, its name, folder and type, size, attributes, times, the
// detail-column values and its thumbnail state (the pictures themselves are
// the Thumbnails view's). The record owns what it holds: a reference on its
// parent folder and both item lists; its texts and item lists lie, once it is
// stored, in its generation's arena (CResultArray packs them), and a copy has
// its own.

#include <cstdint>
#include <string>
#include <vector>

#include "app/engine/RecordIdList.h"
#include "app/engine/RecordText.h"
#include "app/engine/RecordValues.h"
#include "platform/FileInfo.h"
#include "platform/FileOperation.h"
#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellTypes.h"
#include "readers/details/ColumnInfo.h"

class CArchiveHandler;
class CResultArena;
class CSourceStream;

// Record flags.
constexpr DWORD RIF_FOLDER = 0x1;
constexpr DWORD RIF_IN_ARCHIVE = 0x2;  // a member of an archive
constexpr DWORD RIF_NO_PATH = 0x4;     // no file-system path
constexpr DWORD RIF_DELETABLE = 0x8;
constexpr DWORD RIF_ARCHIVE = 0x10;  // an archive file or a folder inside one (search roots)
// The size is not known (a member of a compressed file that records none, a
// file whose data cannot be read); m_nSize is then 0.
constexpr DWORD RIF_SIZE_UNKNOWN = 0x20;
// The item no longer exists: its row left the list, the record stays in the
// result array, and "search in last result" skips it.
constexpr DWORD RIF_VANISHED = 0x40;
// The hidden, system and archive bits of the file's user.DOSATTRIB were not
// read with its data (the search showed no attributes): m_dwAttributes lacks
// them until ReadResultDosAttributes; GetResultAttributes reads them on the
// way.
constexpr DWORD RIF_DOS_UNREAD = 0x80;

// Thumbnail states.
constexpr int THUMBNAIL_NONE = 1;
constexpr int THUMBNAIL_MADE = 2;
constexpr int THUMBNAIL_FAILED = 3;

class CResultItem {
public:
    CResultItem() = default;
    // Copies everything: the folder gains a reference, the item lists are
    // cloned, detail values are copied with their valid flags; a made
    // thumbnail is pending in the copy (its picture is not the copy's).
    CResultItem(const CResultItem& other);
    CResultItem& operator=(const CResultItem& other);
    CResultItem(CResultItem&&) noexcept = default;
    CResultItem& operator=(CResultItem&&) noexcept = default;
    ~CResultItem() = default;

    // For a member of an archive, its path inside the archive: the folder with
    // the archive's own path cut off the front, the separator dropped, a "\"
    // appended when anything is left, then the name. FALSE with an empty
    // result for any other record or when the full list has no path.
    BOOL GetPathInArchive(std::string* out) const;

    // The file-system path of the record's full list (for a member of an
    // archive: the archive's path). A record built with a path keeps it as its
    // folder and name, so it is not worked out from the list again. FALSE with
    // an empty result when there is none.
    BOOL GetFilePath(std::string* out) const;

    // Back to the state of a new record, keeping allocated detail slots'
    // storage out of the picture (they are cleared).
    void Clear();

    // The item's lists: `item` relative to the folder that holds it, `full`
    // absolute (for a member of an archive, both the archive's). An absolute
    // list that ends in `item` is kept as the folder's part and m_pidl, so
    // that the records of a folder share that part once they are stored.
    void SetItemLists(PidlPtr item, PidlPtr full);
    // The same for a walk, with the absolute list of the folder that holds
    // the item: the item's absolute list is that list and the item.
    void SetItemListsIn(PidlPtr item, LPCITEMIDLIST folderList);
    // The absolute list alone; m_pidl stays.
    void SetFullPidl(PidlPtr full);
    // The absolute list, made anew; null when the record has none.
    PidlPtr GetFullPidl() const;
    bool HasFullPidl() const { return static_cast<bool>(m_pidlFullHead); }

    // Packs the texts and item lists into the arena of the generation that
    // stores the record.
    void PackInto(CResultArena& arena);

    zb::ComPtr<IShellFolder> m_pParentFolder;  // for a member: the archive's folder
    // Relative to the parent (for a member: the archive's). Set through
    // SetItemLists while the record has an absolute list, which ends in it.
    CRecordIdList m_pidl;
    DWORD m_dwFlags = 0;
    DWORD m_dwAttributes = 0;
    CRecordText m_sName;
    CRecordText m_sFolder;  // no trailing separator; members: archive path "\" inner folder
    CRecordText m_sTypeName;
    std::uint64_t m_nSize = 0;
    int m_iIcon = -1;
    FILETIME m_ftCreation;
    FILETIME m_ftLastAccess;
    FILETIME m_ftLastWrite;
    // For a member of an archive: its index in its archive's reader, as the
    // listing gave it (-1 when not known). Members whose names differ only
    // in case, or not at all, are told apart by it; a reader uses it only
    // while the member's name still matches.
    int m_nArchiveEntry = -1;
    CRecordValues m_arrValues;
    int m_iThumbnailState = THUMBNAIL_NONE;

private:
    // The absolute list without its last item, which is m_pidl; or, when it
    // does not end in m_pidl, the whole list (m_bFullWhole).
    CRecordIdList m_pidlFullHead;
    bool m_bFullWhole = false;
};

// Builds `record` from a shell item: the record takes the parent folder
// reference and both lists. Size, attributes and times come from the file;
// when it has no path or cannot be read they are empty (a folder keeps its
// folder attribute), never a previous item's values.
void MakeResultItem(CResultItem& record, zb::ComPtr<IShellFolder> parent, PidlPtr item,
                    PidlPtr full, ULONG shellAttributes, const std::string& folderText);

// The same in two steps, for walks that read a file's data only once its name
// has passed: everything but size, attributes and times, then the file data.
// `path` receives the item's path; FALSE when it has none (the record is then
// complete). A caller that knows the path of `full` already passes it in
// `path` with `pathKnown` set.
BOOL MakeResultItemWithoutFileData(CResultItem& record, zb::ComPtr<IShellFolder> parent,
                                   PidlPtr item, PidlPtr full, ULONG shellAttributes,
                                   const std::string& folderText, std::string* path,
                                   bool pathKnown = false);
// The same for a walk that knows the absolute list of the folder holding
// `item`, `folderList`.
BOOL MakeResultItemOfFolder(CResultItem& record, zb::ComPtr<IShellFolder> parent, PidlPtr item,
                            LPCITEMIDLIST folderList, ULONG shellAttributes,
                            const std::string& folderText, std::string* path, bool pathKnown);
// Reads size, attributes and times of the item at `path`; an item that cannot
// be read keeps empty times, the folder attribute the namespace gave it and
// an unknown size. With an open folder `dirFd` (and its ".hidden" list) the
// item is read by its name inside that folder. With DosBits::Later the bits
// of user.DOSATTRIB are left unread (RIF_DOS_UNREAD).
void ReadResultItemFileData(CResultItem& record, const std::string& path, int dirFd = -1,
                            const zb::HiddenNames* hidden = nullptr,
                            zb::DosBits dos = zb::DosBits::Read);
// The same with the data read already: `info`, or null when it could not be
// read.
void SetResultItemFileData(CResultItem& record, const zb::FileInfo* info);

// The record's attribute word, whole: the bits of user.DOSATTRIB that its
// search left unread are read now (the record is not changed, so any thread
// that may read the record may ask).
DWORD GetResultAttributes(const CResultItem& record);
// Reads the bits of user.DOSATTRIB the search left unread into the record;
// for those that change or write its attributes (Change Attributes).
void ReadResultDosAttributes(CResultItem& record);

// Builds `record` for member `entry` of the archive open in `handler`; the
// parent folder and lists are the archive file's. When the handler cannot
// describe the member the record is left as it was and FALSE comes back.
BOOL MakeArchiveEntryItem(CArchiveHandler* handler, int entry, CResultItem& record,
                          zb::ComPtr<IShellFolder> parent, PidlPtr item, PidlPtr full);

// Asks for the small icon index and the type name of a record about to be
// shown: members by name, other records by their full list, and records
// without a path once more by name for what is still missing.
void FillResultTypeInfo(CResultItem& record);

// Builds the record again from its item after the item changed on disk: its
// folder is asked for the item's attributes, size, attributes and times are
// read again, and the icon and type name are asked anew. Detail values and
// the thumbnail stay. FALSE, with the record unchanged, when the folder no
// longer knows the item.
BOOL RefreshResultItem(CResultItem& record);

// Renames the record's item on disk to `newName` within its folder, never
// replacing another item, and then points the record at the new name (new
// item lists, RefreshResultItem). Members of archives, archive files and
// items without a path are refused (Failed). The record changes only when
// the rename succeeded; on Failed, `error` holds errno.
zb::RenameResult RenameResultItem(CResultItem& record, const std::string& newName, int* error);

// Whether the record's item still exists for its folder (the folder
// validates it).
BOOL IsResultItemValid(const CResultItem& record);

// Opens the stream on a result record: its file on disk, or for a record
// inside an archive the member within that archive; 1 or 0.
BOOL OpenResultStream(CSourceStream* stream, const CResultItem& record);
