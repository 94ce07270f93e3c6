#pragma once
// The search: a worker thread that walks the shell namespace depth first from
// a root (and the members of archives met on the way), tests every item
// against a snapshot of the criteria and collects the records that pass, in
// the walk's order. One search runs at a time; Stop sets the stop flags and
// the walk ends before its next item. The engine never touches a widget: what
// the search does to the window goes through ISearchHost.
//
// Folders on disk are listed, entered and their items read through one open
// descriptor that moves with the walk (CFolderCursor), so neither the depth
// of a tree nor the length of its paths limits the rows found. The walk is a
// loop over a stack of its own (each folder's listing and place in it), so
// a deep tree costs none of the thread's stack. Other threads
// list those folders and test their files ahead of the walk
// (CFolderReadAhead); the walk takes their answers in its own order.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/engine/ContentScanPool.h"
#include "app/engine/CriteriaTest.h"
#include "app/engine/FolderCursor.h"
#include "app/engine/FolderReadAhead.h"
#include "app/engine/ResultList.h"
#include "app/engine/SearchHost.h"
#include "app/engine/SearchSnapshot.h"
#include "platform/FaultTrace.h"
#include "platform/shell/FolderItem.h"

class CArchiveHandler;
class CDetailColumns;
class CThumbnailQueue;

// One folder of a multi-folder search: the search's own copy of the place and
// the text the "look in" box shows while it is searched.
struct CSearchFolder {
    std::shared_ptr<const FOLDERITEM> root;
    std::string pathText;
};

// What Find hands the search: the snapshot of the criteria and the root.
struct CSearchRequest {
    CSearchSnapshot snapshot;
    std::shared_ptr<const FOLDERITEM> root;  // null: nothing is walked
    bool rootIsDesktop = false;              // the tree's root item is selected
    std::string lookInText;                  // the "look in" text, for items without a path
    // Not empty: a multi-folder search, which walks these one after the other
    // (and not `root`); "search in last result" does not apply to it.
    std::vector<CSearchFolder> folders;
    int resultLimit = CResultList::kDefaultLimit;
    // Threads that list folders and read contents (and archives) beside the
    // walk: -1 as many as the machine suggests, 0 none (the walk does all of
    // it itself).
    int scanThreads = -1;
    // The most entries listed ahead of the walk; 0: the read-ahead's own
    // (CFolderReadAhead::kMaxEntriesAhead).
    std::size_t aheadEntries = 0;
};

// Why a request could not be built from the window's input.
enum class SearchRequestError {
    None,
    InvalidIncludeString,  // the include string does not compile
    InvalidFolderPart,     // the names text names a folder that does not exist
    InvalidLookIn,         // the look-in text is no folder, archive or path inside one
};

// What PrepareSearchRequest answers: the kind of refusal and its message.
struct SearchRequestResult {
    SearchRequestError error = SearchRequestError::None;
    std::string message;  // the text to show; empty when the request was built

    bool Ok() const { return error == SearchRequestError::None; }
};

// Builds a request from the criteria as the window holds them: the names text
// is split into the folder part and the patterns, the include string compiled,
// and the root found from the folder part or else the look-in path (a path
// inside an archive, "/x/a.zip\sub", makes an archive root). The patterns and
// the compiled expression are in the request also when the place is refused.
SearchRequestResult PrepareSearchRequest(const CSearchData& criteria, CSearchRequest* request);

class CSearchEngine {
public:
    // Calls of the search go to `host`, its rows to `view`; either may be
    // null (nothing is shown).
    CSearchEngine(ISearchHost* host, IResultListView* view);
    // Stops a running search and waits for its thread to end.
    ~CSearchEngine();
    CSearchEngine(const CSearchEngine&) = delete;
    CSearchEngine& operator=(const CSearchEngine&) = delete;

    // Starts the search thread; FALSE when a search runs already.
    BOOL StartSearch(CSearchRequest request);
    // Runs a tool's search (the redundant-file finder) on the search thread
    // in place of a search: the Find button shows "Stop" while it runs, Stop
    // sets the flag it polls, and it ends as a search ends (button, beep).
    // FALSE when a search runs already.
    BOOL StartToolSearch(std::function<void(CSearchEngine&)> task);
    // The flag a tool's search polls before every item.
    const std::atomic<bool>& GetStopFlag() const { return m_bStop; }
    // Appends a record a tool's search found and takes it into the list; 0
    // (and the search stops) at the result limit.
    BOOL AppendFoundRecord(CResultItem&& record);
    ISearchHost* GetHost() const { return m_pHost; }

    // Sets the stop flags; the walk ends before its next item.
    void StopSearch();
    bool IsSearching() const { return m_bSearching.load(); }
    // Waits until the search thread has ended (never call from the host's
    // callbacks).
    void WaitForSearch();

    // Runs the search driver on the calling thread with `request` (the folder
    // listings of the window use this with no thread running).
    int RunSearch(CSearchRequest request);

    // Empties the thumbnail queue, the results and the list.
    void ClearResults();

    // The columns whose detail values the search fills for each record it
    // keeps, and the thumbnail queue that clearing the results empties; both
    // are the owner's and must outlive the engine's searches. Without them
    // records get no detail values.
    void SetDetailColumns(CDetailColumns* columns) { m_pDetailColumns = columns; }
    void SetThumbnailQueue(CThumbnailQueue* queue) { m_pThumbnails = queue; }
    // "%d Objects" with the count and total size of the rows; also shown in
    // the status bar.
    std::string UpdateStatusText();

    CResultList& GetResultList() { return m_results; }

    // The clock the time a search used is measured by: a steady one, so the
    // time shown is the time that passed, whatever the wall clock does and
    // however the search's start and end fall on its seconds. Tests set it.
    using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;
    void SetSteadyClock(SteadyClock clock) { m_steadyClock = std::move(clock); }

    // The walk (public for the multi-folder search and the finders, which
    // drive it with their own roots).
    void SearchRoot(const FOLDERITEM* root);
    void SearchArchiveRoot(const FOLDERITEM& root);
    void SearchInLastResult();
    // The multi-folder search's walk: each folder of the request in turn
    // while the search is not stopped, the folders the walk may not enter
    // skipped, until the list holds the result limit.
    void SearchFolders();
    BOOL MatchCriteria(const CResultItem& record, bool withContainedText = true);

private:
    // One folder the walk stands in; the walk: the folders it stands in,
    // on a stack of its own (going deeper costs none of the thread's), and
    // the item in hand.
    struct FolderLevel;
    class FolderWalk;

    // Makes `level`, the innermost of `walk`, stand for `folder`, which the
    // walk's descriptor stands in, with its listing: the one made ahead when
    // given, else made now.
    void OpenFolder(FolderWalk& walk, FolderLevel& level, zb::ComPtr<IShellFolder> folder,
                    LPCITEMIDLIST absolute, const std::string& pathText,
                    const std::string& folderPath, CFolderReadAhead::FolderPtr ahead);
    // Walks the folders of `walk` item by item, depth first, until it has
    // left them all; FALSE when the walk must end.
    BOOL WalkFolders(FolderWalk& walk);
    // The listing ahead of a folder on disk the walk stands in, made now; null
    // when there is none (not on disk, or no read-ahead).
    CFolderReadAhead::FolderPtr ListAhead(IShellFolder* folder, const std::string& folderPath);
    // The innermost folder's next item (one listed ahead comes with the
    // answer found for it); null at the end of its listing or when the
    // search stops.
    PidlPtr NextChild(FolderWalk& walk);

    // The folder's items: read through the walk's descriptor for a folder on
    // disk, else from the namespace; null when it cannot be listed.
    zb::ComPtr<IEnumIDList> ListFolder(IShellFolder* folder);
    // Makes the walk's descriptor stand in `folder` (entered by path when
    // it is a folder on disk); false when it cannot be opened.
    bool EnterFolderAt(IShellFolder* folder);
    // One item of the innermost folder: tests it, takes it into the results
    // when it passes (or queues it for its contents), then goes into it when
    // it is a sub-folder (a new innermost level) or an archive. FALSE ends
    // the walk.
    BOOL VisitChild(FolderWalk& walk, PidlPtr child);
    // The record's test; TRUE when it passes at once. A record whose
    // contents decide is moved into `queued` for the pool instead, and so is
    // one that passes while the pool still reads files before it (TRUE; its
    // data read already).
    // `deletableAsked`: the attributes held whether the item can be deleted.
    bool TestChild(FolderWalk& walk, ULONG attributes, bool dataPending, bool deletableAsked,
                   std::optional<CResultItem>* queued);
    // Reads size, attributes and times of the walk's current item.
    void ReadChildData(FolderWalk& walk, CResultItem& record);
    // Hands an archive and its own record (when it passed) to the pool.
    BOOL QueueArchive(FolderWalk& walk, std::optional<CResultItem> record);
    // Enters a sub-folder the search may go into: it becomes the innermost
    // level of the walk.
    BOOL EnterSubFolder(FolderWalk& walk, const CResultItem& record, ULONG attributes);
    // Searches the members of a file that an archive reader opens.
    BOOL SearchChildArchive(FolderWalk& walk, const CResultItem& record);
    // The one place the walk is stopped: sets the stop flag; FALSE.
    BOOL StopWalk();

    // Searches the members of the archive file at `path`, item `item` of
    // `folder` (whose absolute list is `folderAbsolute`); FALSE when the
    // search must end.
    BOOL SearchInArchiveAt(IShellFolder* folder, LPCITEMIDLIST item, const std::string& path,
                           LPCITEMIDLIST folderAbsolute);
    int DoSearch();
    void SearchThreadProc();
    // Clears the stop flags before a search starts.
    void ClearStopFlags();
    // Appends a passing record and takes it into the list; 0 at the limit.
    // Records still queued for their content go first. A record the walk
    // found has its detail columns filled first; one kept from the last
    // result (`fillDetails` false) keeps the values it has.
    BOOL AppendResult(CResultItem&& record, std::size_t* index, bool fillDetails = true);
    BOOL AppendResultInOrder(CResultItem&& record, std::size_t* index, bool fillDetails = true);
    // Whether a file may be read by an archive reader (its name says so).
    bool MayBeArchive(const std::string& path) const;
    void ShowSearchingStatus(const CResultItem& record);
    void SetStatusText(const std::string& text);
    void MakeRootRecord(const FOLDERITEM& root, CResultItem& record);
    bool IsDeeperAllowed() const;

    ISearchHost* m_pHost;
    CDetailColumns* m_pDetailColumns = nullptr;
    CThumbnailQueue* m_pThumbnails = nullptr;
    CResultList m_results;
    CSearchRequest m_request;
    std::unique_ptr<CCriteriaTest> m_pCriteria;
    // Lists folders on disk and tests their files ahead of the walk.
    std::unique_ptr<CFolderReadAhead> m_pReadAhead;
    // Tests on several threads the contents the read-ahead did not answer
    // and searches archives.
    std::unique_ptr<CContentScanPool> m_pScanPool;
    CContentScanPool::Commit m_commitScanned;
    std::atomic<bool> m_bStop{false};
    // The first fault a search turns into "no match" is traced.
    zb::CFaultTrace m_faults{"the search"};
    std::atomic<bool> m_bSearching{false};
    std::function<void(CSearchEngine&)> m_toolSearch;  // runs instead of a search when set
    std::thread m_thread;
    int m_nWalkDepth = 0;
    CFolderCursor m_cursor;  // the walk's place on disk
    // Whether records read the bits of user.DOSATTRIB with their data: only
    // when the attributes are shown (no condition of a search tests them).
    zb::DosBits m_dosBits = zb::DosBits::Read;
    SteadyClock m_steadyClock = [] { return std::chrono::steady_clock::now(); };
    std::string m_sStatusText;
};
