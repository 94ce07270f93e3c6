#pragma once
// The common interface of every archive reader, and the process-wide list of
// reader objects through which the search, extraction and the input stream
// find the reader for an archive path.
//
// Member paths inside an archive use "\" as separator; the archive's root is
// the empty path; a folder member's stored name ends with "\". Entry indices
// are 0-based positions in the reader's member table, -1 means "none". Every
// operation reports failure by its result (0, -1 or nullptr) and never shows
// a message; GetLastFailure then says why.
//
// What a new reader implements: derive from CTableArchiveHandler (see
// TableArchiveHandler.h), which keeps the member table, the lookups, the
// folder walk and the open/close bookkeeping; the reader parses its format
// into the table and decodes members. Its rules:
// - Read gives the bytes placed in the buffer, 0 at the end of the member and
//   -1 on failure. Bytes decoded before a failure may still come first, so a
//   short read is not the end: callers read until 0 or -1. After a failure
//   every further read of that opening fails too.
// - A member that cannot be unpacked (encrypted, an unknown method) is listed
//   but OpenEntry refuses it, with Encrypted or UnsupportedMethod as the
//   reason. Content is never guessed or padded.
// - Every failure sets its reason through SetFailure before returning.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

// What a reader reports for one member.
struct CArchiveEntryInfo {
    std::string m_strName;      // full inner path as stored (a folder's ends with "\")
    std::int64_t m_nSize = -1;  // uncompressed size; -1 when unknown
    FILETIME m_ftTime;          // member time as LOCAL time
};

// Why the last failed operation of a reader failed (GetLastFailure).
enum class ArchiveFailure {
    None,               // nothing has failed
    CannotOpen,         // the archive file could not be opened or read
    BadArchive,         // not an archive of the kind, or damaged headers or member data
    BadMember,          // no such member, a folder, or a member that is not open
    Encrypted,          // the member is encrypted
    UnsupportedMethod,  // the member is packed in a way the reader cannot unpack
    DecoderFailed,      // the decoder could not be set up
};

// A short English text for a reason, for the log ("the member is encrypted").
const char* DescribeArchiveFailure(ArchiveFailure failure);

// Flag bits of a reader (GetFlags).
constexpr int ARCHIVE_FLAG_USABLE = 0x1;
// Members are listed but their contents cannot be unpacked.
constexpr int ARCHIVE_FLAG_NO_UNPACK = 0x4;
// Extraction reads until a short block, without a cap by the recorded size.
constexpr int ARCHIVE_FLAG_READ_TO_END = 0x8;

class CArchiveHandler {
public:
    CArchiveHandler() = default;
    virtual ~CArchiveHandler() = default;
    CArchiveHandler(const CArchiveHandler&) = delete;
    CArchiveHandler& operator=(const CArchiveHandler&) = delete;

    // 1 if the lower-cased name is longer than one of the extensions and
    // ends with "." followed by it.
    virtual BOOL MatchExtension(const std::string& name) const;

    // Opens the archive and reads its member table; 1 at once when already
    // open on that path (IsOpenOn). Opening another archive closes the
    // previous one; a failed open leaves the handler closed.
    virtual BOOL Open(const std::string& path) = 0;
    // Closes the archive and frees the member table.
    virtual void Close() = 0;

    // The first / next member, in table order, that is not a folder; -1 when none.
    virtual int FirstFile() const = 0;
    virtual int NextFile(int i) const = 0;
    // The member whose inner path is exactly `name`; failing that, one whose
    // path equals it with case ignored; -1 if none.
    virtual int FindEntry(const std::string& name) const = 0;

    virtual BOOL IsEntryOpen(int i) const = 0;
    // The member's index if it is found and open for reading, else -1.
    virtual int FindOpenEntry(const std::string& name) const;
    // Finds the member and opens it for reading; its index, or -1.
    virtual int OpenEntryByName(const std::string& name);
    // Member `index` when its inner path is exactly `name` (the index and
    // name a listing reported), else FindEntry(name). Two members whose names
    // differ only in case, or not at all, are told apart this way.
    int FindEntryAt(int index, const std::string& name) const;
    // FindEntryAt, then OpenEntry; the index, or -1.
    int OpenEntryAt(int index, const std::string& name);
    // Opens member i for reading from its first byte; 1 or 0.
    virtual BOOL OpenEntry(int i) = 0;
    // Ends reading of member i; 1.
    virtual BOOL CloseEntry(int i) = 0;
    // Bytes placed in the buffer (fewer than asked at the end of the member);
    // -1 on failure or when the member is not open.
    virtual int Read(int i, void* buffer, int count) = 0;
    // Bytes of member i delivered so far; -1 when it is not open.
    virtual std::int64_t GetBytesRead(int i) const = 0;
    // Uncompressed size of member i; -1 when unknown.
    virtual std::int64_t GetEntrySize(int i) const = 0;

    // Fills the extension list, the block size and the flags; 1.
    virtual BOOL Init() { return TRUE; }
    virtual BOOL IsOpen() const = 0;

    // Index of the folder's own entry ("sub\deep" names "sub\deep\"); -1 for
    // the root (the empty path) or when not found.
    virtual int FindFolder(const std::string& folder) const = 0;
    // The member after i that is a direct child of the folder, or with
    // `subtree` any member below it; -1 when the folder's members end.
    virtual int NextChild(int i, const std::string& folder, BOOL subtree) const = 0;
    // 1 when answered, with *has = 1 if a folder member lies below the folder.
    virtual BOOL HasSubfolders(const std::string& folder, BOOL* has) const = 0;
    // 1 with the member's attributes (0x10 for a folder); 0 for a bad index.
    virtual BOOL GetAttributes(int i, DWORD* attributes) const = 0;
    virtual BOOL GetFileInfo(int i, CArchiveEntryInfo* info) const = 0;
    // 1 with the member's inner path (a folder's without its trailing "\").
    virtual BOOL GetName(int i, std::string* name) const = 0;

    // Where member i lies in the archive itself: reading many members in
    // increasing order of this value never moves backwards through the
    // archive's data. By default the index.
    virtual std::int64_t GetReadOrder(int i) const { return i; }

    // The reason of the last failed operation; None after a successful Open.
    ArchiveFailure GetLastFailure() const { return m_failure; }

    // 1 if open and the path equals the open archive's path, case ignored,
    // and names the same file with the same size and modification time as
    // when it was opened, so a table is never served for a file that was
    // replaced or changed since.
    BOOL IsOpenOn(const std::string& path) const;
    void GetExtensions(std::vector<std::string>* extensions) const {
        *extensions = m_arrExtensions;
    }
    int GetFlags() const { return m_nFlags; }
    int GetBlockSize() const { return m_nBlockSize; }

protected:
    // Records the reason of a failure; returns -1 (for Read and lookups).
    int SetFailure(ArchiveFailure failure) const {
        m_failure = failure;
        return -1;
    }

    // What identifies the file an archive was opened from.
    struct CFileStamp {
        bool valid = false;  // false when the file could not be looked at
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;

        static CFileStamp Of(const std::string& path);
        friend bool operator==(const CFileStamp&, const CFileStamp&) = default;
    };
    // Records `path` as the open archive, with the stamp the file had
    // before it was read.
    void SetOpenPath(const std::string& path, const CFileStamp& stamp) {
        m_strPath = path;
        m_stamp = stamp;
    }
    void ClearOpenPath() { SetOpenPath({}, CFileStamp{}); }

    std::string m_strPath;  // the archive that is open; empty until the first open
    int m_nFlags = 0;       // ARCHIVE_FLAG_* bits, set by Init
    int m_nBlockSize = 0;   // bytes extraction reads at a time, set by Init
    std::vector<std::string> m_arrExtensions;  // lower case, without the dot

private:
    CFileStamp m_stamp;  // of the file at m_strPath when it was opened
    mutable ArchiveFailure m_failure = ArchiveFailure::None;
};

using CArchiveHandlerList = std::vector<std::unique_ptr<CArchiveHandler>>;

// The process-wide list of readers and the list of archive extensions.
extern CArchiveHandlerList g_arrArchiveHandlers;
extern std::vector<std::string> g_arrArchiveExtensions;

// Empties the list, then appends one reader of each kind in the fixed order
// (ZIP, RAR, TAR, GZ, CAB, ACE, ARJ, BZ2) and calls Init on each; returns the
// count.
int CreateArchiveHandlers(CArchiveHandlerList& list);
// Closes and deletes every reader of the list.
void DeleteArchiveHandlers(CArchiveHandlerList& list);
// Close on every reader; returns the count.
int CloseArchiveHandlers(CArchiveHandlerList& list);
// Builds the global list on first need; returns its count.
int InitArchiveHandlers();
void CloseAllArchives();
// Closes and deletes the global readers (program exit).
void FreeArchiveHandlers();
// The largest block size of the global readers; 0 for an empty list.
int GetMaxBlockSize();
// The first reader, in list order, that matches the path's extension AND
// opens it; nullptr when none. The readers are the calling thread's own list
// while one is installed (CThreadArchiveHandlers), else the global ones.
CArchiveHandler* FindArchiveHandler(const std::string& path);
CArchiveHandler* FindArchiveHandlerIn(const std::string& path, const CArchiveHandlerList& list);

// Installs a reader list as the calling thread's own for its lifetime, so
// that threads reading archives side by side never share a reader: a reader
// holds the state of the one archive and member it has open. The list must
// outlive the object; the thread's previous list is restored at the end.
class CThreadArchiveHandlers {
public:
    explicit CThreadArchiveHandlers(CArchiveHandlerList& list);
    ~CThreadArchiveHandlers();
    CThreadArchiveHandlers(const CThreadArchiveHandlers&) = delete;
    CThreadArchiveHandlers& operator=(const CThreadArchiveHandlers&) = delete;

private:
    CArchiveHandlerList* m_pPrevious;
};

// Fills g_arrArchiveExtensions with the archive extensions the folder tree
// expands, in their fixed order.
void InitArchiveExtensions();
// 1 if the lower-cased name is longer than one of g_arrArchiveExtensions and
// ends with "." followed by it.
BOOL IsArchiveFileName(const std::string& name);
