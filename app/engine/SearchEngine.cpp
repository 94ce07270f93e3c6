#include "app/engine/SearchEngine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/engine/ArchiveMemberSearch.h"
#include "app/engine/DetailColumns.h"
#include "app/engine/FolderAccess.h"
#include "app/engine/ObjectsStatus.h"
#include "app/engine/ThumbnailQueue.h"
#include "platform/CTime.h"
#include "platform/DateUtils.h"
#include "platform/Log.h"
#include "platform/PathUtils.h"
#include "platform/StringTable.h"
#include "platform/shell/FileSystemFolder.h"
#include "platform/shell/ItemListEnum.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellHelper.h"
#include "platform/shell/ShellItem.h"
#include "platform/shell/ShellRoots.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/details/StopFlag.h"

namespace {

constexpr COLORREF kRed = 255;
constexpr COLORREF kBlue = 0xFF0000;

// The attributes the walk reads of each item. Asking every bit would make the
// namespace work out costly ones (sub-folder scans, validation) that no step
// of the walk looks at. Only folders have sub-folders in this namespace, so
// "folder or has sub-folders" is answered by the folder bit alone. Whether an
// item can be deleted only shows in a record that is kept, so it is asked
// once the name has passed, or with the rest where a listing made ahead
// brings mostly items whose names passed already.
constexpr ULONG kWalkAttributes = SFGAO_FOLDER | SFGAO_NONENUMERATED | SFGAO_CANCOPY |
                                  SFGAO_FILESYSTEM | SFGAO_REMOVABLE | SFGAO_LINK;
constexpr ULONG kEnterableAttributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
// Asked again of a record kept by a search in the last result.
constexpr ULONG kRecheckAttributes = 0xA0000021u;
// Asked of each folder of a multi-folder search.
constexpr ULONG kMultiFolderAttributes =
    SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_LINK | SFGAO_CANDELETE | SFGAO_CANCOPY;
static_assert(kMultiFolderAttributes == 0xA0010021u);

// The shell item of an existing path as a search root. The path is
// resolved first: a root named through a symbolic link ("/bin" on a system
// whose /bin links to usr/bin) is searched where the link leads, though the
// walk never follows a link below its root.
bool MakeShellRoot(const std::string& path, FOLDERITEM* root) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    const std::string real = resolved ? resolved : path;
    std::free(resolved);
    CShellHelper helper;
    LPITEMIDLIST parsed = nullptr;
    if (FAILED(helper.ParseDisplayName(real, &parsed, nullptr)) || !parsed)
        return false;
    root->m_pidlFull.reset(parsed);
    root->m_pidlParentFull.reset(ILCloneParent(parsed));
    root->m_pidl.reset(ILCloneFirst(ILFindLast(parsed)));
    root->m_pParentFolder = helper.BindToFolder(root->m_pidlParentFull.get());
    return root->m_pParentFolder && root->m_pidl && root->m_pidlParentFull;
}

// A root inside an archive: the longest leading part of `path` that is an
// archive file, and the rest as the folder inside it.
bool MakeArchiveRoot(const std::string& path, FOLDERITEM* root) {
    for (std::size_t end = path.size(); end > 0;) {
        const std::string head = path.substr(0, end);
        if (IsArchiveFileName(head) && FileExistsByOpen(head)) {
            if (!MakeShellRoot(head, root))
                return false;
            std::string inner = path.substr(end);
            std::replace(inner.begin(), inner.end(), '/', '\\');
            while (!inner.empty() && inner.front() == '\\')
                inner.erase(0, 1);
            while (!inner.empty() && inner.back() == '\\')
                inner.pop_back();
            root->m_nKind = FOLDERITEM_ARCHIVE;
            root->m_sInnerPath = inner;
            return true;
        }
        const std::size_t cut = path.find_last_of("/\\", end - 1);
        if (cut == std::string::npos || cut == 0)
            break;
        end = cut;
    }
    return false;
}

// Whether the archive at `path` holds the folder `inner`, as its reader
// knows folders. Reads the archive with the calling thread's readers, which
// the search then finds open.
bool ArchiveHoldsFolder(const std::string& path, const std::string& inner) {
    InitArchiveHandlers();
    const CArchiveHandler* handler = FindArchiveHandler(path);
    return handler && handler->FindFolder(inner) >= 0;
}

}  // namespace

SearchRequestResult PrepareSearchRequest(const CSearchData& criteria, CSearchRequest* request) {
    CSearchSnapshot& snapshot = request->snapshot;
    snapshot.criteria = criteria;
    snapshot.patterns.clear();
    snapshot.includeNodes.clear();

    if (!CIncludeExpr(criteria.m_IncludeStringData).Parse(snapshot.includeNodes)) {
        return {SearchRequestError::InvalidIncludeString,
                LoadResourceString(IDS_INVALID_REGULAR_EXPRESSION)};
    }

    CSearchNameSpec spec;
    spec.m_sText = criteria.m_MainData.m_sFindString;
    spec.Parse(snapshot.patterns);
    PrepareNamePatterns(snapshot.patterns, criteria.m_GeneralOptionData.m_bCaseSensitive);

    // The names text splits at "\"; on disk the folder part's separators are "/".
    std::string lookIn = criteria.m_MainData.m_sFindRootPath;
    std::string folderPart = spec.GetFolderPart();
    if (!folderPart.empty()) {
        std::replace(folderPart.begin(), folderPart.end(), '\\', '/');
        if (!IsDirectory(folderPart)) {
            return {SearchRequestError::InvalidFolderPart,
                    FormatResourceString(IDS_NOT_A_VALID_DIRECTORY, folderPart)};
        }
        lookIn = folderPart;
    }

    if (g_arrArchiveExtensions.empty())
        InitArchiveExtensions();
    auto root = std::make_shared<FOLDERITEM>();
    if (lookIn.empty() || !(FileExists(lookIn) ? MakeShellRoot(lookIn, root.get())
                                               : MakeArchiveRoot(lookIn, root.get()))) {
        return {SearchRequestError::InvalidLookIn,
                FormatResourceString(IDS_NOT_A_VALID_DIRECTORY, lookIn)};
    }
    // A folder inside an archive must be one the archive holds.
    std::string archivePath;
    if (root->m_nKind == FOLDERITEM_ARCHIVE && !root->m_sInnerPath.empty() &&
        (!SHGetPathFromIDList(root->m_pidlFull.get(), &archivePath) ||
         !ArchiveHoldsFolder(archivePath, root->m_sInnerPath))) {
        return {SearchRequestError::InvalidLookIn,
                FormatResourceString(IDS_NOT_A_VALID_DIRECTORY, lookIn)};
    }
    // An archive file named as the place to look is searched from its top.
    if (root->m_nKind == FOLDERITEM_SHELL && !IsDirectory(lookIn)) {
        if (!IsArchiveFileName(lookIn)) {
            return {SearchRequestError::InvalidLookIn,
                    FormatResourceString(IDS_NOT_A_VALID_DIRECTORY, lookIn)};
        }
        root->m_nKind = FOLDERITEM_ARCHIVE;
    }
    request->root = std::move(root);
    request->rootIsDesktop = false;
    request->lookInText = lookIn;
    return {};
}

CSearchEngine::CSearchEngine(ISearchHost* host, IResultListView* view)
    : m_pHost(host), m_results(view) {}

CSearchEngine::~CSearchEngine() {
    StopSearch();
    WaitForSearch();
}

BOOL CSearchEngine::StartSearch(CSearchRequest request) {
    if (m_bSearching.load())
        return FALSE;
    WaitForSearch();  // the previous thread has ended; collect it
    m_toolSearch = nullptr;
    m_request = std::move(request);
    ClearStopFlags();  // here, so a Stop asked before the thread runs holds
    m_bSearching.store(true);
    m_thread = std::thread([this] { SearchThreadProc(); });
    return TRUE;
}

void CSearchEngine::ClearStopFlags() {
    m_faults.Reset();
    m_bStop.store(false);
    SetStopFlag(FALSE);
}

BOOL CSearchEngine::StartToolSearch(std::function<void(CSearchEngine&)> task) {
    if (m_bSearching.load())
        return FALSE;
    WaitForSearch();
    m_toolSearch = std::move(task);
    ClearStopFlags();
    m_bSearching.store(true);
    m_thread = std::thread([this] { SearchThreadProc(); });
    return TRUE;
}

BOOL CSearchEngine::AppendFoundRecord(CResultItem&& record) {
    std::size_t index = 0;
    return AppendResultInOrder(std::move(record), &index);
}

void CSearchEngine::StopSearch() {
    m_bStop.store(true);
    SetStopFlag(TRUE);
}

void CSearchEngine::WaitForSearch() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

int CSearchEngine::RunSearch(CSearchRequest request) {
    m_request = std::move(request);
    ClearStopFlags();
    const zb::CFaultTraceScope faults(&m_faults);
    return DoSearch();
}

void CSearchEngine::SearchThreadProc() {
    const zb::CFaultTraceScope faults(&m_faults);
    try {
        if (m_pHost)
            m_pHost->SetSearchButtonState(false);
        if (m_toolSearch)
            m_toolSearch(*this);
        else
            DoSearch();
    } catch (...) {
        LogErrorHere();
    }
    m_bSearching.store(false);
    if (m_pHost) {
        m_pHost->SetSearchButtonState(true);
        m_pHost->SearchEnded();
    }
}

int CSearchEngine::DoSearch() {
    m_nWalkDepth = 0;
    const CTime start = CTime::GetCurrentTime();
    const auto started = m_steadyClock();
    LogPrintf(kRed, "Start : %s", FormatDateTime(start).c_str());
    m_results.SetLimit(m_request.resultLimit);
    // The bits cost an extended-attribute call by path per file; without the
    // column that shows them they are read when something asks for them.
    m_dosBits = m_pDetailColumns && !m_pDetailColumns->IsColumnVisible(COLUMN_ID_ATTRIBUTE)
                    ? zb::DosBits::Later
                    : zb::DosBits::Read;
    const unsigned workers = m_request.scanThreads < 0
                                 ? CContentScanPool::DefaultThreadCount()
                                 : static_cast<unsigned>(m_request.scanThreads);
    m_request.snapshot.contentAnswers = std::make_shared<CContentAnswerCache>();
    m_request.snapshot.pageTextThreads = static_cast<int>(workers) + 1;
    m_pCriteria = std::make_unique<CCriteriaTest>(m_request.snapshot, m_bStop);
    if (m_pCriteria->HasContainedText() && workers > 0) {
        m_pScanPool = std::make_unique<CContentScanPool>(m_request.snapshot, m_bStop, workers);
        m_commitScanned = [this](CResultItem&& record, CContentScanPool::Outcome outcome) {
            if (outcome == CContentScanPool::Outcome::Failed)
                return true;
            // Without a condition on them, size, attributes and times of a
            // file on disk are read only for the files that are kept (an
            // archive member's come from its archive; a record the walk
            // queued as passed has them already).
            if (outcome == CContentScanPool::Outcome::Passed && !m_pCriteria->NeedsFileData() &&
                !(record.m_dwFlags & RIF_IN_ARCHIVE)) {
                std::string path;
                if (record.GetFilePath(&path))
                    ReadResultItemFileData(record, path, -1, nullptr, m_dosBits);
            }
            std::size_t index = 0;
            return AppendResultInOrder(std::move(record), &index) != FALSE;
        };
    }

    if (m_pHost) {
        m_pHost->BeginSearchUi();
        m_pHost->RemoveDupNoColumn();
    }
    const CGeneralOptionData& general = m_request.snapshot.criteria.m_GeneralOptionData;
    // The readers exist before the walk: which files are archives decides
    // whether a file's contents are scanned as they lie or its members are.
    InitArchiveHandlers();
    try {
        if (!m_request.folders.empty()) {
            if (!general.m_bAppendResultToLastSearch)
                ClearResults();
            SearchFolders();
        } else if (general.m_bSearchInLastResult) {
            SearchInLastResult();
        } else {
            if (!general.m_bAppendResultToLastSearch)
                ClearResults();
            CFolderReadAhead::Options ahead;
            ahead.subFolders = general.m_bIncludeSubFolder != FALSE;
            ahead.limitDepth = general.m_bLimitDepth != FALSE;
            ahead.maxDepth = general.m_nSearchDepth;
            ahead.archives = general.m_bSearhInCompressedFiles && general.m_bIncludeSubFolder;
            ahead.mayBeArchive = [this](const std::string& name) { return MayBeArchive(name); };
            ahead.leavePageTextToWalk = m_pScanPool != nullptr;
            if (m_request.aheadEntries > 0)
                ahead.maxEntries = m_request.aheadEntries;
            ahead.dosBits = m_dosBits;
            m_pReadAhead = std::make_unique<CFolderReadAhead>(m_request.snapshot, m_bStop, workers,
                                                              std::move(ahead));
            if (m_request.root)
                SearchRoot(m_request.root.get());
        }
    } catch (...) {
        // A fault ends the walk where it stands; the search still ends as
        // usual, with the rows found so far.
        LogErrorHere();
    }
    m_pReadAhead.reset();
    if (m_pScanPool) {
        m_pScanPool->CommitAll(m_commitScanned);
        m_pScanPool.reset();
    }
    m_results.FlushRows();
    if (m_pHost) {
        m_pHost->EndSearchUi();
        m_pHost->BringToFront();
    }
    UpdateStatusText();

    const CTime end = CTime::GetCurrentTime();
    LogPrintf(kRed, "End : %s", FormatDateTime(end).c_str());
    const std::int64_t used = std::max<std::int64_t>(
        0, std::chrono::duration_cast<std::chrono::seconds>(m_steadyClock() - started).count());
    LogPrintf(kBlue, "Used : %02d:%02d:%02d", static_cast<int>((used / 3600) % 24),
              static_cast<int>((used / 60) % 60), static_cast<int>(used % 60));
    // The multi-folder list ends with its search.
    m_request.folders.clear();
    return 0;
}

void CSearchEngine::ClearResults() {
    if (m_pThumbnails)
        m_pThumbnails->Clear();
    m_results.ReleaseResults();
}

std::string CSearchEngine::UpdateStatusText() {
    const std::string status = ObjectsStatusText(*m_results.GetResults());
    SetStatusText(status);
    return status;
}

void CSearchEngine::SetStatusText(const std::string& text) {
    m_sStatusText = text;
    if (m_pHost)
        m_pHost->SetStatusText(text);
}

void CSearchEngine::ShowSearchingStatus(const CResultItem& record) {
    std::string where = record.m_sName.str();
    // The root folder "/" is its own name and has no folder.
    if (!(record.m_dwFlags & RIF_NO_PATH) && record.m_sName != "/") {
        where = record.m_sFolder.view();
        if (where.empty() || where.back() != '/')
            where += '/';
        where += record.m_sName;
    }
    SetStatusText(FormatResourceString(IDS_SEARCHING_IN, where));
}

BOOL CSearchEngine::MatchCriteria(const CResultItem& record, bool withContainedText) {
    return m_pCriteria ? m_pCriteria->MatchCriteria(record, withContainedText) : FALSE;
}

bool CSearchEngine::IsDeeperAllowed() const {
    const CGeneralOptionData& general = m_request.snapshot.criteria.m_GeneralOptionData;
    return !general.m_bLimitDepth || m_nWalkDepth < general.m_nSearchDepth;
}

BOOL CSearchEngine::AppendResult(CResultItem&& record, std::size_t* index, bool fillDetails) {
    // A refusal (the limit, or a fault while listing an archive) ends the
    // search; the records queued after it are dropped.
    if (m_pScanPool && !m_pScanPool->CommitAll(m_commitScanned)) {
        m_bStop.store(true);
        return FALSE;
    }
    // A Stop asked while those were handed over holds: rows end where it came.
    if (m_bStop.load(std::memory_order_relaxed))
        return FALSE;
    return AppendResultInOrder(std::move(record), index, fillDetails);
}

bool CSearchEngine::MayBeArchive(const std::string& path) const {
    for (const auto& handler : g_arrArchiveHandlers) {
        if (handler->MatchExtension(path))
            return true;
    }
    return false;
}

BOOL CSearchEngine::AppendResultInOrder(CResultItem&& record, std::size_t* index,
                                        bool fillDetails) {
    if (fillDetails && m_pDetailColumns)
        m_pDetailColumns->FillDetailColumns(record);
    const std::ptrdiff_t at = m_results.Append(std::move(record));
    if (at < 0) {
        m_bStop.store(true);
        return FALSE;
    }
    *index = static_cast<std::size_t>(at);
    if (!m_results.AddResultItem()) {
        m_bStop.store(true);
        return FALSE;
    }
    return TRUE;
}

void CSearchEngine::MakeRootRecord(const FOLDERITEM& root, CResultItem& record) {
    ULONG attributes = kWalkAttributes;
    LPCITEMIDLIST item = root.m_pidl.get();
    if (!root.m_pParentFolder || !item ||
        FAILED(root.m_pParentFolder->GetAttributesOf(1, &item, &attributes)))
        attributes = 0;
    MakeResultItem(record, root.m_pParentFolder, PidlPtr(ILClone(root.m_pidl.get())),
                   PidlPtr(ILClone(root.m_pidlFull.get())), attributes, m_request.lookInText);
}

namespace {

// A text that each level of the walk sets in turn (a path, the bytes of an
// item list): a level whose text extends the one of the level outside it
// keeps only the length to go back to, so the texts of a chain of folders
// however deep cost no more than the innermost one. A fixed suffix (an item
// list's terminator) stays at the end.
class CNestedText {
public:
    // What a level's text replaced: the outer text's length, or the whole
    // outer text when the level's does not extend it.
    struct Mark {
        std::size_t length = 0;
        std::optional<std::string> whole;
    };

    explicit CNestedText(std::string_view suffix = {}) : m_suffix(suffix), m_text(suffix) {}

    // The innermost level's text, suffix included.
    const std::string& Text() const { return m_text; }
    // The text of a new innermost level, without the suffix.
    Mark Set(std::string_view body) {
        const std::size_t length = m_text.size() - m_suffix.size();
        if (body.size() >= length && body.compare(0, length, m_text, 0, length) == 0) {
            m_text.insert(length, body.substr(length));
            return {length, std::nullopt};
        }
        Mark mark{0, std::move(m_text)};
        m_text.assign(body);
        m_text += m_suffix;
        return mark;
    }
    // Back to the text of the level outside the one that `mark` came from.
    void Restore(Mark& mark) {
        if (mark.whole) {
            m_text = std::move(*mark.whole);
            return;
        }
        m_text.resize(mark.length);
        m_text += m_suffix;
    }

private:
    std::string m_suffix;
    std::string m_text;
};

// The bytes of an item list without its terminator.
std::string_view ItemListBody(LPCITEMIDLIST list) {
    const std::size_t size = ILGetSize(list);
    return {reinterpret_cast<const char*>(list), size >= sizeof(WORD) ? size - sizeof(WORD) : 0};
}

}  // namespace

// One folder the walk stands in: its listing, how far the walk has come in
// it, and what leaving it undoes.
struct CSearchEngine::FolderLevel {
    zb::ComPtr<IShellFolder> folder;
    bool deeper = false;  // sub-folders and archives may be entered
    bool searchArchives = false;
    // The folder's ".hidden" list, read on first need: the read-ahead's for
    // a folder listed ahead, else its own.
    const zb::HiddenNames* hidden = nullptr;
    zb::HiddenNames ownHidden;
    // The listing: made ahead (with an answer for each item), else the
    // namespace's; neither when the folder cannot be listed.
    CFolderReadAhead::FolderPtr ahead;
    zb::ComPtr<IEnumIDList> items;
    std::size_t nextIndex = 0;  // in the listing made ahead
    // What entering did, for leaving to undo.
    bool opened = false;  // its texts are set and it counts in the walk's depth
    bool enteredCursor = false;
    std::optional<CNestedText::Mark> statusMark;
    CNestedText::Mark pathTextMark;
    CNestedText::Mark folderPathMark;
    CNestedText::Mark absoluteMark;
};

// The walk: the folders it stands in, the innermost last (its own stack, so
// the depth of a tree costs none of the thread's), the texts of the
// innermost one, and the item in hand. Leaving a folder undoes what entering
// it did, in the reverse order; whatever is left when the walk goes (a
// fault) is left then.
class CSearchEngine::FolderWalk {
public:
    explicit FolderWalk(CSearchEngine& engine) : m_engine(engine) {}
    ~FolderWalk() {
        while (!m_levels.empty())
            Leave(false);
    }
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    bool Empty() const { return m_levels.empty(); }
    FolderLevel& Top() { return *m_levels.back(); }
    // A new innermost level that has done nothing yet.
    FolderLevel& Push() { return *m_levels.emplace_back(std::make_unique<FolderLevel>()); }
    // Sets the innermost level's texts and counts it in the walk's depth
    // (`level` is the innermost).
    void Open(FolderLevel& level, const std::string& pathText, const std::string& folderPath,
              LPCITEMIDLIST absolute) {
        level.pathTextMark = m_pathText.Set(pathText);
        level.folderPathMark = m_folderPath.Set(folderPath);
        level.absoluteMark = m_absolute.Set(ItemListBody(absolute));
        ++m_engine.m_nWalkDepth;
        level.opened = true;
    }
    // Leaves the innermost level; the status text it replaced comes back
    // unless `restoreStatus` is false.
    void Leave(bool restoreStatus = true) {
        FolderLevel& level = *m_levels.back();
        if (level.ahead)
            m_engine.m_pReadAhead->Leave(level.ahead);
        if (level.opened) {
            --m_engine.m_nWalkDepth;
            m_pathText.Restore(level.pathTextMark);
            m_folderPath.Restore(level.folderPathMark);
            m_absolute.Restore(level.absoluteMark);
        }
        if (level.statusMark) {
            if (restoreStatus)
                m_engine.SetStatusText(m_savedStatus.Text());
            m_savedStatus.Restore(*level.statusMark);
        }
        if (level.enteredCursor)
            m_engine.m_cursor.Leave();
        m_levels.pop_back();
    }
    void LeaveAll() {
        while (!m_levels.empty())
            Leave();
    }
    // Keeps the status text the innermost level replaces, to show it again
    // when the level is left.
    void SaveStatus(FolderLevel& level, const std::string& status) {
        level.statusMark = m_savedStatus.Set(status);
    }

    // The innermost folder's texts: the text for items without a path of
    // their own, its path on disk (empty when it has none), its item list.
    const std::string& PathText() const { return m_pathText.Text(); }
    const std::string& FolderPath() const { return m_folderPath.Text(); }
    LPCITEMIDLIST Absolute() const {
        return reinterpret_cast<LPCITEMIDLIST>(m_absolute.Text().data());
    }

    // The item in hand.
    CResultItem scratch;
    std::string childPath;  // its path on disk
    std::string childName;  // its name in the folder on disk; empty when not on disk
    // In the listing made ahead: its place, whether its contents were found
    // to hold the text there, and its data read there (null: not read).
    std::size_t aheadIndex = 0;
    bool contentHolds = false;
    const zb::FileInfo* aheadData = nullptr;

private:
    CSearchEngine& m_engine;
    std::vector<std::unique_ptr<FolderLevel>> m_levels;
    CNestedText m_pathText;
    CNestedText m_folderPath;
    CNestedText m_absolute{std::string_view("\0\0", sizeof(WORD))};
    CNestedText m_savedStatus;
};

namespace {

// The next item of a listing; null at its end.
PidlPtr NextItem(IEnumIDList* items) {
    for (;;) {
        LPITEMIDLIST fetched = nullptr;
        ULONG count = 0;
        if (items->Next(1, &fetched, &count) != S_OK || count == 0)
            return nullptr;
        if (fetched)
            return PidlPtr(fetched);
    }
}

ULONG AttributesOf(IShellFolder* folder, LPCITEMIDLIST item, ULONG asked) {
    return SUCCEEDED(folder->GetAttributesOf(1, &item, &asked)) ? asked : 0;
}

}  // namespace

void CSearchEngine::SearchRoot(const FOLDERITEM* root) {
    if (!root)
        return;
    std::string path;
    if (!root->m_pidlFull || !SHGetPathFromIDList(root->m_pidlFull.get(), &path))
        TouchLogicalDrives();

    CResultItem scratch;
    if (root->m_nKind == FOLDERITEM_ARCHIVE) {
        MakeRootRecord(*root, scratch);
        ShowSearchingStatus(scratch);
        SearchArchiveRoot(*root);
        return;
    }
    zb::ComPtr<IShellFolder> folder = root->m_pParentFolder;
    if (!m_request.rootIsDesktop) {
        folder.Reset();
        if (!root->m_pParentFolder || !root->m_pidl ||
            FAILED(root->m_pParentFolder->BindToObject(root->m_pidl.get(), &folder)) || !folder)
            return;
    }
    MakeRootRecord(*root, scratch);
    ShowSearchingStatus(scratch);
    // The root is the walk's outermost level; leaving it, on any way out,
    // moves the descriptor back.
    FolderWalk walk(*this);
    FolderLevel& level = walk.Push();
    level.enteredCursor = EnterFolderAt(folder.Get());
    if (!level.enteredCursor)
        return;
    LPCITEMIDLIST absolute = root->m_pidlFull.get();
    std::string folderPath;
    if (!SHGetPathFromIDList(absolute, &folderPath))
        folderPath.clear();
    OpenFolder(walk, level, std::move(folder), absolute, m_request.lookInText, folderPath, nullptr);
    WalkFolders(walk);
}

bool CSearchEngine::EnterFolderAt(IShellFolder* folder) {
    if (const auto* onDisk = dynamic_cast<const zb::CFileSystemFolder*>(folder))
        return m_cursor.EnterPath(onDisk->Directory());
    m_cursor.EnterNone();
    return true;
}

zb::ComPtr<IEnumIDList> CSearchEngine::ListFolder(IShellFolder* folder) {
    constexpr DWORD kItems = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;
    auto* onDisk = dynamic_cast<zb::CFileSystemFolder*>(folder);
    if (onDisk && m_cursor.Fd() >= 0) {
        zb::CItemListBuilder items;
        if (FAILED(onDisk->ListItemsAt(m_cursor.Fd(), kItems, &items)))
            return {};
        return zb::ComPtr<zb::CIdListEnum>::Make(std::move(items));
    }
    zb::ComPtr<IEnumIDList> items;
    if (!folder || FAILED(folder->EnumObjects(kItems, &items)))
        return {};
    return items;
}

BOOL CSearchEngine::StopWalk() {
    m_bStop.store(true);
    return FALSE;
}

void CSearchEngine::OpenFolder(FolderWalk& walk, FolderLevel& level,
                               zb::ComPtr<IShellFolder> folder, LPCITEMIDLIST absolute,
                               const std::string& pathText, const std::string& folderPath,
                               CFolderReadAhead::FolderPtr ahead) {
    walk.Open(level, pathText, folderPath, absolute);
    level.folder = std::move(folder);
    level.ahead = ahead ? std::move(ahead) : ListAhead(level.folder.Get(), walk.FolderPath());
    if (!level.ahead)
        level.items = ListFolder(level.folder.Get());
    const CGeneralOptionData& general = m_request.snapshot.criteria.m_GeneralOptionData;
    level.deeper = IsDeeperAllowed();
    level.searchArchives =
        general.m_bSearhInCompressedFiles && general.m_bIncludeSubFolder && level.deeper;
}

BOOL CSearchEngine::WalkFolders(FolderWalk& walk) {
    while (!walk.Empty()) {
        PidlPtr child = m_bStop.load(std::memory_order_relaxed) ? nullptr : NextChild(walk);
        if (!child) {
            walk.Leave();
            continue;
        }
        if (!VisitChild(walk, std::move(child))) {
            walk.LeaveAll();
            return FALSE;
        }
    }
    return TRUE;
}

CFolderReadAhead::FolderPtr CSearchEngine::ListAhead(IShellFolder* folder,
                                                     const std::string& folderPath) {
    if (!m_pReadAhead || !m_pCriteria || folderPath.empty() || m_cursor.Fd() < 0 ||
        !dynamic_cast<zb::CFileSystemFolder*>(folder))
        return nullptr;
    return m_pReadAhead->ListHere(folderPath, m_nWalkDepth, m_cursor.Fd(), *m_pCriteria);
}

PidlPtr CSearchEngine::NextChild(FolderWalk& walk) {
    FolderLevel& level = walk.Top();
    walk.contentHolds = false;
    walk.aheadData = nullptr;
    if (level.items)
        return NextItem(level.items.Get());
    if (!level.ahead)
        return nullptr;
    const zb::CItemListBuilder& items = CFolderReadAhead::Items(*level.ahead);
    while (level.nextIndex < items.Count() && !m_bStop.load(std::memory_order_relaxed)) {
        const std::size_t i = level.nextIndex++;
        const CFolderReadAhead::Answer answer =
            m_pReadAhead->Resolve(*level.ahead, i, *m_pCriteria, m_cursor.Fd());
        if (answer == CFolderReadAhead::Answer::Skip)
            continue;
        const zb::ShellItem item = items.At(i);
        PidlPtr child(zb::MakeItemList(item.kind, item.detail, item.name));
        if (!child) {
            // No memory: the listing ends as the namespace's would.
            level.nextIndex = items.Count();
            return nullptr;
        }
        walk.aheadIndex = i;
        walk.contentHolds = answer == CFolderReadAhead::Answer::ContentHolds;
        walk.aheadData = CFolderReadAhead::FileData(*level.ahead, i);
        return child;
    }
    return nullptr;
}

BOOL CSearchEngine::VisitChild(FolderWalk& walk, PidlPtr child) {
    FolderLevel& level = walk.Top();
    const bool deletableAsked = level.ahead != nullptr;
    const ULONG attributes = AttributesOf(level.folder.Get(), child.get(),
                                          kWalkAttributes | (deletableAsked ? SFGAO_CANDELETE : 0));
    // An entry of a folder on disk lies at the folder's path and its name;
    // other items get their path from the namespace.
    zb::ShellItem decoded;
    walk.childName.clear();
    if (!walk.FolderPath().empty() && zb::DecodeItem(child.get(), &decoded) &&
        decoded.kind == zb::ItemKind::Entry) {
        walk.childName.assign(decoded.name);
        zb::JoinPath(walk.FolderPath(), walk.childName, &walk.childPath);
    }
    const bool dataPending = MakeResultItemOfFolder(walk.scratch, level.folder, std::move(child),
                                                    walk.Absolute(), attributes, walk.PathText(),
                                                    &walk.childPath, !walk.childName.empty());
    // An item whose absolute list cannot be made is passed over.
    if (!walk.scratch.HasFullPidl())
        return TRUE;

    // A file whose contents decide is read by the pool while the walk goes
    // on, and so is an archive with its members; the rows keep their place.
    const bool archiveForPool = m_pScanPool && dataPending && level.searchArchives &&
                                !(attributes & SFGAO_FOLDER) && MayBeArchive(walk.childPath);
    std::optional<CResultItem> queued;
    const bool passes = TestChild(walk, attributes, dataPending, deletableAsked, &queued);
    if (archiveForPool)
        return QueueArchive(walk, std::move(queued));
    if (queued) {
        const bool pushed = passes ? m_pScanPool->PushPassed(std::move(*queued), m_commitScanned)
                                   : m_pScanPool->Push(std::move(*queued), m_commitScanned);
        return pushed ? TRUE : StopWalk();
    }

    const CResultItem* current = &walk.scratch;
    if (passes) {
        std::size_t index = 0;
        if (!AppendResult(std::move(walk.scratch), &index))
            return StopWalk();
        current = &m_results.GetAt(index);
    }
    if (attributes & SFGAO_FOLDER)
        return EnterSubFolder(walk, *current, attributes);
    if (dataPending && level.searchArchives)
        return SearchChildArchive(walk, *current);
    return TRUE;
}

bool CSearchEngine::TestChild(FolderWalk& walk, ULONG attributes, bool dataPending,
                              bool deletableAsked, std::optional<CResultItem>* queued) {
    CResultItem& record = walk.scratch;
    // The file's data is read only for names that pass; a name that fails
    // ends the test before anything else is looked at.
    if (!m_pCriteria || !m_pCriteria->MatchName(record))
        return false;
    // Asked with the rest, the record has it already.
    if (!deletableAsked &&
        (AttributesOf(walk.Top().folder.Get(), record.m_pidl.get(), SFGAO_CANDELETE) &
         SFGAO_CANDELETE))
        record.m_dwFlags |= RIF_DELETABLE;
    const bool readFirst = dataPending && m_pCriteria->NeedsFileData();
    if (readFirst)
        ReadChildData(walk, record);
    if (walk.contentHolds) {
        // The read-ahead found the text in the file; the rest is tested here.
        const bool passes = MatchCriteria(record, false) != FALSE;
        if (passes && !readFirst)
            ReadChildData(walk, record);
        // Files before it are still being read: the row, with its data read
        // here, waits behind them in the pool's queue while the walk goes on.
        if (passes && m_pScanPool && !m_pScanPool->Empty())
            queued->emplace(std::move(record));
        return passes;
    }
    if (m_pScanPool && dataPending && !(record.m_dwFlags & RIF_FOLDER) &&
        !(attributes & SFGAO_FOLDER)) {
        if (MatchCriteria(record, false))
            queued->emplace(std::move(record));
        return false;
    }
    const bool passes = MatchCriteria(record) != FALSE;
    if (passes && dataPending && !readFirst)
        ReadChildData(walk, record);
    return passes;
}

void CSearchEngine::ReadChildData(FolderWalk& walk, CResultItem& record) {
    if (walk.aheadData) {
        SetResultItemFileData(record, walk.aheadData);
        return;
    }
    const int dirFd = walk.childName.empty() ? -1 : m_cursor.Fd();
    if (dirFd < 0) {
        ReadResultItemFileData(record, walk.childPath, -1, nullptr, m_dosBits);
        return;
    }
    FolderLevel& level = walk.Top();
    if (!level.hidden) {
        if (level.ahead) {
            level.hidden = &CFolderReadAhead::HiddenList(*level.ahead, dirFd);
        } else {
            level.ownHidden = zb::HiddenNames::Load(dirFd);
            level.hidden = &level.ownHidden;
        }
    }
    ReadResultItemFileData(record, walk.childPath, dirFd, level.hidden, m_dosBits);
}

BOOL CSearchEngine::QueueArchive(FolderWalk& walk, std::optional<CResultItem> record) {
    auto source = std::make_unique<CArchiveSource>();
    const CResultItem& item = record ? *record : walk.scratch;
    source->path = walk.childPath;
    source->folder = walk.Top().folder;
    source->item.reset(ILClone(item.m_pidl.get()));
    source->folderAbsolute.reset(ILClone(walk.Absolute()));
    return m_pScanPool->PushArchive(std::move(record), std::move(source), m_commitScanned)
               ? TRUE
               : StopWalk();
}

BOOL CSearchEngine::EnterSubFolder(FolderWalk& walk, const CResultItem& record, ULONG attributes) {
    const CGeneralOptionData& general = m_request.snapshot.criteria.m_GeneralOptionData;
    FolderLevel& outer = walk.Top();
    if (!general.m_bIncludeSubFolder || !outer.deeper || !(attributes & kEnterableAttributes) ||
        (attributes & SFGAO_NONENUMERATED))
        return TRUE;
    // On disk a folder is searchable when it opens from its parent's
    // descriptor (a link never does).
    const bool onDisk = !walk.childName.empty() && m_cursor.Fd() >= 0;
    if (onDisk ? (attributes & SFGAO_LINK) != 0 : !IsShellItemSearchable(record, attributes))
        return TRUE;
    zb::ComPtr<IShellFolder> sub;
    if (FAILED(outer.folder->BindToObject(record.m_pidl.get(), &sub)) || !sub)
        return TRUE;
    // The level is on the walk before its descriptor moves, so that leaving
    // the level, on any way out, moves the descriptor back.
    FolderLevel& level = walk.Push();
    level.enteredCursor = onDisk ? m_cursor.EnterName(walk.childName) : EnterFolderAt(sub.Get());
    if (!level.enteredCursor) {
        walk.Leave();
        return TRUE;
    }
    CFolderReadAhead::FolderPtr ahead;
    dev_t device = 0;
    ino_t inode = 0;
    if (onDisk && outer.ahead && m_cursor.Identity(&device, &inode))
        ahead = m_pReadAhead->Enter(*outer.ahead, walk.aheadIndex, m_cursor.Fd(), device, inode,
                                    *m_pCriteria);
    walk.SaveStatus(level, m_sStatusText);
    ShowSearchingStatus(record);
    // A folder on disk lies at its parent's path and its name; asking the
    // namespace would rebuild the whole path level by level.
    std::string folderPath;
    const PidlPtr absolute = record.GetFullPidl();
    if (!walk.childName.empty())
        folderPath = std::move(walk.childPath);
    else if (!SHGetPathFromIDList(absolute.get(), &folderPath))
        folderPath.clear();
    OpenFolder(walk, level, std::move(sub), absolute.get(), walk.PathText() + '/' + record.m_sName,
               folderPath, std::move(ahead));
    return TRUE;
}

BOOL CSearchEngine::SearchChildArchive(FolderWalk& walk, const CResultItem& record) {
    return SearchInArchiveAt(walk.Top().folder.Get(), record.m_pidl.get(), walk.childPath,
                             walk.Absolute())
               ? TRUE
               : StopWalk();
}

void CSearchEngine::SearchArchiveRoot(const FOLDERITEM& root) {
    std::string path;
    if (!root.m_pidlFull || !SHGetPathFromIDList(root.m_pidlFull.get(), &path) || !m_pCriteria)
        return;
    InitArchiveHandlers();
    CArchiveHandler* handler = FindArchiveHandler(path);
    if (!handler)
        return;
    // Closed like an archive met during the walk, on every way out: a later
    // search opens the file afresh.
    const std::unique_ptr<CArchiveHandler, void (*)(CArchiveHandler*)> closing(
        handler, [](CArchiveHandler* open) { open->Close(); });
    const BOOL subtree = m_request.snapshot.criteria.m_GeneralOptionData.m_bIncludeSubFolder;
    std::vector<int> members;
    for (const int i : ArchiveFolderMembers(*handler, root.m_sInnerPath, subtree)) {
        DWORD attributes = 0;
        handler->GetAttributes(i, &attributes);
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
            members.push_back(i);
    }
    const auto build = [&](int entry, CResultItem& record) {
        PidlPtr full(CShellHelper::ConcatPidls(root.m_pidlParentFull.get(), root.m_pidl.get()));
        return MakeArchiveEntryItem(handler, entry, record, root.m_pParentFolder,
                                    PidlPtr(ILClone(root.m_pidl.get())), std::move(full));
    };
    TestArchiveMembers(*handler, members, build, *m_pCriteria, m_bStop,
                       [this](CResultItem&& member) {
                           std::size_t index = 0;
                           return AppendResult(std::move(member), &index) != FALSE;
                       });
}

BOOL CSearchEngine::SearchInArchiveAt(IShellFolder* folder, LPCITEMIDLIST item,
                                      const std::string& path, LPCITEMIDLIST folderAbsolute) {
    if (!m_pCriteria)
        return TRUE;
    InitArchiveHandlers();
    return SearchArchiveMembers(folder, item, path, folderAbsolute, *m_pCriteria, m_bStop,
                                [this](CResultItem&& member) {
                                    std::size_t index = 0;
                                    return AppendResult(std::move(member), &index) != FALSE;
                                });
}

void CSearchEngine::SearchFolders() {
    const int limit = m_request.resultLimit;
    for (const CSearchFolder& folder : m_request.folders) {
        if (m_bStop.load())
            break;
        const FOLDERITEM* root = folder.root.get();
        if (!root || !root->m_pidl)
            continue;
        m_request.lookInText = folder.pathText;
        m_request.rootIsDesktop = !root->m_pidlFull || ILIsEmpty(root->m_pidlFull.get());
        if (m_pHost)
            m_pHost->SetLookInText(folder.pathText);
        ULONG attributes = kMultiFolderAttributes;
        LPCITEMIDLIST item = root->m_pidl.get();
        if (!root->m_pParentFolder ||
            FAILED(root->m_pParentFolder->GetAttributesOf(1, &item, &attributes)))
            attributes = 0;
        CResultItem scratch;
        MakeResultItem(scratch, root->m_pParentFolder, PidlPtr(ILClone(root->m_pidl.get())),
                       PidlPtr(ILClone(root->m_pidlFull.get())), attributes, folder.pathText);
        if (IsShellItemSearchable(scratch, attributes))
            SearchRoot(root);
        if (limit > 0 && m_results.GetRowCount() >= static_cast<std::size_t>(limit))
            break;
    }
}

void CSearchEngine::SearchInLastResult() {
    if (m_pHost)
        m_pHost->RemoveDupNoColumn();
    // Set the earlier records aside; the list starts empty.
    const std::shared_ptr<CResultArray> earlier = m_results.GetResults();
    std::vector<const CResultItem*> rows;
    rows.reserve(earlier->GetCount());
    for (std::size_t i = 0; i < earlier->GetCount(); ++i)
        rows.push_back(&earlier->GetAt(i));
    ClearResults();

    for (const CResultItem* record : rows) {
        if (m_bStop.load(std::memory_order_relaxed))
            break;
        if (record->m_dwFlags & (RIF_ARCHIVE | RIF_VANISHED))
            continue;
        if (!MatchCriteria(*record))
            continue;
        CResultItem copy(*record);
        if (!(copy.m_dwFlags & RIF_IN_ARCHIVE) && copy.m_pParentFolder && copy.m_pidl) {
            ULONG attributes = kRecheckAttributes;
            LPCITEMIDLIST item = copy.m_pidl.get();
            if (SUCCEEDED(copy.m_pParentFolder->GetAttributesOf(1, &item, &attributes))) {
                copy.m_dwFlags &= ~(RIF_FOLDER | RIF_DELETABLE);
                if (attributes & SFGAO_FOLDER)
                    copy.m_dwFlags |= RIF_FOLDER;
                if (attributes & SFGAO_CANDELETE)
                    copy.m_dwFlags |= RIF_DELETABLE;
            }
        }
        std::size_t index = 0;
        if (!AppendResult(std::move(copy), &index, false))
            break;
    }
}
