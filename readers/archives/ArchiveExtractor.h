#pragma once
// Extraction of archive members into a private folder.
//
// Every output path is built by one sanitiser: a member's inner path becomes
// a relative path that cannot leave the folder (no absolute names, no ".."
// and no empty segments; "." segments are dropped). Folders and files are created relative to open
// folder descriptors with O_NOFOLLOW, so a symlink found on the way is never
// followed. The folder is made once (mode 0700, under $TMPDIR or /tmp); the
// extractor remembers every file it wrote and every folder it made and
// deletes them, deepest first, when it is cleaned up or destroyed.
//
// A member that cannot be extracted completely (read or write failure, a
// member that ends before its known size, or a cancel) is removed again and
// never reported as extracted.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"
#include "readers/archives/ArchiveHandler.h"

// Turns a member's inner path ("\" separators; "/" counts as a separator as
// well) into a relative path with "/" separators; "." segments are dropped
// ("./a.txt" is "a.txt", as tools write the members of "."). FALSE, with an
// empty result, for a path that starts with a separator, an empty or ".."
// segment, a segment holding a NUL byte or one longer than a file name may
// be, and for a path with nothing left.
BOOL SanitiseArchivePath(const std::string& inner, std::string* relative);

// The folder under which the private extraction folder is made: $TMPDIR when
// it is set to an absolute path, else "/tmp".
std::string GetExtractionTempBase();

// The caller's side of a running extraction.
class IExtractionProgress {
public:
    virtual ~IExtractionProgress() = default;
    // `bytes` more bytes of the member were written; FALSE cancels.
    virtual BOOL OnBytesWritten(std::int64_t bytes) = 0;
};

// The times an extracted file gets (UTC). Creation time cannot be set on
// Linux; the last-access and last-write times are.
struct CExtractedFileTimes {
    FILETIME m_ftCreation;
    FILETIME m_ftLastAccess;
    FILETIME m_ftLastWrite;
};

enum class ExtractResult {
    Extracted,  // the whole member was written
    Refused,    // the inner path is not safe, or a symlink lies on its way: nothing written
    Skipped,    // the member is not found or the output cannot be created: nothing written
    Failed,     // the member cannot be opened, a read or write failed or the member ended
                // short: the partial file is removed (GetLastFailure says why, where the
                // reader knows)
    Cancelled,  // the progress callback cancelled: the partial file is removed
};

class CArchiveExtractor {
public:
    // The private folder is made under GetExtractionTempBase() on first need.
    CArchiveExtractor();
    // The private folder is made under `base` on first need.
    explicit CArchiveExtractor(std::string base);
    // Deletes everything it extracted (Cleanup).
    ~CArchiveExtractor();
    CArchiveExtractor(const CArchiveExtractor&) = delete;
    CArchiveExtractor& operator=(const CArchiveExtractor&) = delete;

    // Makes the private folder if it does not exist yet; TRUE when it exists.
    BOOL CreateFolder();
    // The private folder's path, without a trailing "/"; empty until made.
    const std::string& GetFolder() const { return m_strFolder; }

    // Extracts member `inner` of the archive open in `handler` (the member at
    // index `entry` when its name is exactly `inner`, as a listing reported
    // it; -1 when the index is not known) into the
    // private folder, keeping its folder inside the archive: creates the
    // missing folders, opens the member, replaces any earlier copy, copies it
    // block by block through `buffer` (grown to the handler's block size when
    // smaller), sets the file's times and closes the member. The copy goes on
    // until the member's end (a read of 0 bytes); a known size caps it once it
    // is exceeded, unless the handler reads to the end. `path` receives the
    // written file's full path for Extracted. With `under` (a safe relative
    // folder, as SanitiseArchivePath gives) the member's path is kept below
    // that folder of the private folder.
    ExtractResult ExtractMember(CArchiveHandler& handler, const std::string& inner, int entry,
                                const CExtractedFileTimes& times, std::vector<char>& buffer,
                                IExtractionProgress* progress, std::string* path,
                                const std::string& under = std::string());
    // Why the last ExtractMember that gave Failed failed, as its reader said;
    // None when the reader gave no reason (a write failed, the member ended
    // before its size).
    ArchiveFailure GetLastFailure() const { return m_lastFailure; }

    // Full paths of the files extracted and of the folders made, in the order
    // they were first written or made.
    std::vector<std::string> GetExtractedFiles() const;
    std::vector<std::string> GetCreatedFolders() const;

    // Deletes every extracted file, then every folder it made (deepest
    // first), then the private folder itself when it is empty. Only names
    // inside the private folder are touched, and symlinks are never followed.
    void Cleanup();

private:
    // Opens the folder `relative` ("/" separated, may be empty for the
    // private folder itself), making the missing ones when `create` is set;
    // -1 when it cannot, or when a part of it is not a real folder.
    int OpenFolder(const std::string& relative, bool create);
    // Copies the open member into `fd`.
    ExtractResult CopyMember(CArchiveHandler& handler, int entry, int fd, std::vector<char>& buffer,
                             IExtractionProgress* progress);
    // Unlinks `relative` inside the private folder.
    void RemoveRelative(const std::string& relative, bool folder);
    void ForgetFile(const std::string& relative);

    std::string m_strBase;
    std::string m_strFolder;
    int m_rootFd = -1;
    std::vector<std::string> m_arrFiles;    // relative to the private folder
    std::vector<std::string> m_arrFolders;  // relative to the private folder
    ArchiveFailure m_lastFailure = ArchiveFailure::None;
};
