#include "app/engine/FolderReadAhead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "platform/FileInfo.h"
#include "platform/PathUtils.h"
#include "platform/PosixFile.h"
#include "platform/shell/FileSystemFolder.h"

namespace {

// A folder's listing: not taken yet, being made, made, or failed.
enum : std::uint8_t { kUnlisted, kListing, kListed, kFailed };

// An entry: the three answers, then a file whose contents are still to be
// tested, and one whose test has been taken.
enum : std::uint8_t { kVisit, kSkip, kHolds, kPending, kClaimed };

// Files one thread takes at a time from a folder.
constexpr std::uint32_t kReadBatch = 8;

CFolderReadAhead::Answer AnswerOf(std::uint8_t state) {
    switch (state) {
        case kSkip:
            return CFolderReadAhead::Answer::Skip;
        case kHolds:
            return CFolderReadAhead::Answer::ContentHolds;
        default:
            return CFolderReadAhead::Answer::Visit;
    }
}

}  // namespace

class CFolderReadAhead::Folder {
public:
    Folder(std::string path, std::vector<std::uint32_t> position, int depth)
        : path(std::move(path)), position(std::move(position)), depth(depth) {}

    // Set when made, never changed.
    const std::string path;
    const std::vector<std::uint32_t> position;  // entry indices from the first folder down
    const int depth;

    std::atomic<std::uint8_t> state{kUnlisted};
    // Written by the one who lists, before the state says kListed.
    dev_t device = 0;
    ino_t inode = 0;
    CItemListBuilder items;
    std::unique_ptr<std::atomic<std::uint8_t>[]> entries;
    // Under the lock.
    std::vector<std::pair<std::uint32_t, FolderPtr>> children;  // by entry index
    std::size_t counted = 0;  // entries counted as waiting for the walk
    bool dropped = false;
    // The walk's own.
    bool entered = false;
};

namespace {

// Whether position `a` (with `aEntry` appended when set) comes before `b`
// (with `bEntry`) in the walk's depth-first order.
bool Earlier(const std::vector<std::uint32_t>& a, const std::uint32_t* aEntry,
             const std::vector<std::uint32_t>& b, const std::uint32_t* bEntry) {
    const std::size_t aLength = a.size() + (aEntry ? 1 : 0);
    const std::size_t bLength = b.size() + (bEntry ? 1 : 0);
    for (std::size_t i = 0; i < aLength && i < bLength; ++i) {
        const std::uint32_t x = i < a.size() ? a[i] : *aEntry;
        const std::uint32_t y = i < b.size() ? b[i] : *bEntry;
        if (x != y)
            return x < y;
    }
    return aLength < bLength;
}

}  // namespace

bool CFolderReadAhead::LaterListing::operator()(const FolderPtr& a, const FolderPtr& b) const {
    return Earlier(b->position, nullptr, a->position, nullptr);
}

bool CFolderReadAhead::LaterRead::operator()(const ReadJob& a, const ReadJob& b) const {
    return Earlier(b.folder->position, &b.first, a.folder->position, &a.first);
}

CFolderReadAhead::CFolderReadAhead(const CSearchSnapshot& snapshot, const std::atomic<bool>& stop,
                                   unsigned threads, Options options)
    : m_stop(stop),
      m_options(std::move(options)),
      m_contentSearch(!snapshot.includeNodes.empty()),
      m_needsFileData([&] {
          CSearchSnapshot copy = snapshot;
          return CCriteriaTest(copy, stop).NeedsFileData();
      }()) {
    for (unsigned i = 0; i < threads; ++i) {
        auto tester = std::make_unique<Tester>();
        tester->snapshot = snapshot;
        tester->test = std::make_unique<CCriteriaTest>(tester->snapshot, m_stop);
        m_testers.push_back(std::move(tester));
    }
    for (const auto& tester : m_testers)
        m_threads.emplace_back([this, &tester] { WorkerLoop(*tester); });
}

CFolderReadAhead::~CFolderReadAhead() {
    {
        std::lock_guard guard(m_lock);
        m_ending = true;
    }
    m_work.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

const CItemListBuilder& CFolderReadAhead::Items(const Folder& folder) {
    return folder.items;
}

bool CFolderReadAhead::Deeper(int depth) const {
    return m_options.subFolders && (!m_options.limitDepth || depth < m_options.maxDepth);
}

void CFolderReadAhead::WorkerLoop(Tester& tester) {
    std::unique_lock lock(m_lock);
    for (;;) {
        const auto listable = [&] {
            return !m_listings.empty() && m_entriesAhead < kMaxEntriesAhead;
        };
        ++m_idle;
        m_work.wait(lock, [&] { return m_ending || Stopped() || listable() || !m_reads.empty(); });
        --m_idle;
        if (m_ending || Stopped())
            return;
        // The job nearest the walk; listings only while there is room. What
        // a job held is let go before the lock is taken again.
        if (listable() &&
            (m_reads.empty() || Earlier(m_listings.top()->position, nullptr,
                                        m_reads.top().folder->position, &m_reads.top().first))) {
            FolderPtr folder = m_listings.top();
            m_listings.pop();
            const bool dropped = folder->dropped;
            lock.unlock();
            if (!dropped)
                List(folder, -1, 0, 0, *tester.test);
            folder.reset();
            lock.lock();
        } else {
            ReadJob job = m_reads.top();
            m_reads.pop();
            const bool dropped = job.folder->dropped;
            lock.unlock();
            for (std::uint32_t i = job.first; i < job.end && !dropped && !Stopped(); ++i)
                Read(*job.folder, i, *tester.test);
            job.folder.reset();
            lock.lock();
        }
    }
}

void CFolderReadAhead::List(const FolderPtr& folder, int dirFd, dev_t device, ino_t inode,
                            CCriteriaTest& test) {
    std::uint8_t expected = kUnlisted;
    if (!folder->state.compare_exchange_strong(expected, kListing))
        return;
    folder->device = device;
    folder->inode = inode;
    bool listed = false;
    try {
        listed = ReadListing(*folder, dirFd, test);
    } catch (...) {
        listed = false;  // the walk lists it itself
    }
    if (listed)
        Plan(folder);
    folder->state.store(listed ? kListed : kFailed, std::memory_order_release);
    folder->state.notify_all();
}

bool CFolderReadAhead::ReadListing(Folder& folder, int dirFd, CCriteriaTest& test) {
    zb::UniqueFd own;
    if (dirFd < 0) {
        own.Reset(::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        dirFd = own.Get();
        struct stat st {};
        if (dirFd < 0 || ::fstat(dirFd, &st) != 0)
            return false;
        folder.device = st.st_dev;
        folder.inode = st.st_ino;
    }
    if (FAILED(CFileSystemFolder::ListEveryItemAt(dirFd, &folder.items)))
        return false;
    const std::size_t count = folder.items.Count();
    folder.entries = std::make_unique<std::atomic<std::uint8_t>[]>(count);
    const bool archives = m_options.archives && Deeper(folder.depth);
    zb::HiddenNames hidden;
    bool hiddenLoaded = false;
    CResultItem scratch;
    std::string name;
    for (std::size_t i = 0; i < count; ++i) {
        const ShellItem item = folder.items.At(i);
        name.assign(item.name);
        std::uint8_t answer = kVisit;
        if (item.Type() == EntryType::Directory || (archives && m_options.mayBeArchive(name))) {
            answer = kVisit;
        } else if (!test.MatchNameText(name)) {
            answer = kSkip;
        } else if (m_needsFileData) {
            // The walk reads the same data through the same kind of
            // descriptor; when it cannot be read here the walk decides.
            if (!hiddenLoaded) {
                hidden = zb::HiddenNames::Load(dirFd);
                hiddenLoaded = true;
            }
            scratch.Clear();
            scratch.m_sName = name;
            ReadResultItemFileData(scratch, name, dirFd, &hidden);
            if (scratch.m_dwFlags & RIF_SIZE_UNKNOWN)
                answer = kVisit;
            else if (!test.MatchFileData(scratch))
                answer = kSkip;
            else
                answer = m_contentSearch ? kPending : kVisit;
        } else {
            answer = m_contentSearch ? kPending : kVisit;
        }
        folder.entries[i].store(answer, std::memory_order_relaxed);
    }
    return true;
}

void CFolderReadAhead::Plan(const FolderPtr& folder) {
    if (m_threads.empty())
        return;  // the walk does every step itself, in order
    // Everything is made before the lock is taken; under it, only queued.
    const std::size_t count = folder->items.Count();
    const bool deeper = Deeper(folder->depth);
    std::vector<std::pair<std::uint32_t, FolderPtr>> children;
    std::vector<ReadJob> reads;
    // Runs of up to kReadBatch files to test, never across a sub-folder
    // (its contents come between them in the walk's order).
    ReadJob run{folder, 0, 0};
    std::uint32_t files = 0;
    const auto flush = [&] {
        if (files > 0)
            reads.push_back(run);
        files = 0;
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        const ShellItem item = folder->items.At(i);
        if (item.Type() == EntryType::Directory) {
            flush();
            if (!deeper)
                continue;
            std::string path = JoinPath(folder->path, item.name);
            if (path.size() >= PATH_MAX)
                continue;  // too long to open by path: the walk lists it
            std::vector<std::uint32_t> position = folder->position;
            position.push_back(i);
            children.emplace_back(i, std::make_shared<Folder>(std::move(path), std::move(position),
                                                              folder->depth + 1));
        } else if (folder->entries[i].load(std::memory_order_relaxed) == kPending) {
            if (files == 0)
                run.first = i;
            run.end = i + 1;
            if (++files == kReadBatch)
                flush();
        }
    }
    flush();
    std::unique_lock lock(m_lock);
    if (folder->dropped)
        return;
    folder->counted = count;
    m_entriesAhead += count;
    for (const auto& child : children)
        m_listings.push(child.second);
    folder->children = std::move(children);
    for (ReadJob& job : reads)
        m_reads.push(std::move(job));
    const std::size_t wake = std::min<std::size_t>(m_idle, folder->children.size() + reads.size());
    lock.unlock();
    for (std::size_t i = 0; i < wake; ++i)
        m_work.notify_one();
}

std::uint8_t CFolderReadAhead::Read(Folder& folder, std::size_t index, CCriteriaTest& test) {
    std::atomic<std::uint8_t>& entry = folder.entries[index];
    std::uint8_t state = kPending;
    if (!entry.compare_exchange_strong(state, kClaimed))
        return state;
    std::uint8_t answer = kVisit;  // a fault: the walk tests the file itself
    try {
        const std::string name(folder.items.At(index).name);
        answer = test.MatchFileContent(JoinPath(folder.path, name), name) ? kHolds : kSkip;
    } catch (...) {
    }
    entry.store(answer, std::memory_order_release);
    entry.notify_all();
    return answer;
}

CFolderReadAhead::FolderPtr CFolderReadAhead::ListHere(const std::string& path, int depth,
                                                       int dirFd, CCriteriaTest& test) {
    // Its position is the first: the walk stands in it, so its work comes
    // before anything still queued.
    auto folder = std::make_shared<Folder>(path, std::vector<std::uint32_t>{}, depth);
    folder->entered = true;
    List(folder, dirFd, 0, 0, test);
    return folder->state.load(std::memory_order_acquire) == kListed ? folder : nullptr;
}

CFolderReadAhead::FolderPtr CFolderReadAhead::Enter(Folder& parent, std::size_t index, int dirFd,
                                                    dev_t device, ino_t inode,
                                                    CCriteriaTest& test) {
    const auto& children = parent.children;
    const auto found = std::lower_bound(children.begin(), children.end(), index,
                                        [](const std::pair<std::uint32_t, FolderPtr>& child,
                                           std::size_t at) { return child.first < at; });
    if (found == children.end() || found->first != index)
        return nullptr;
    FolderPtr folder = found->second;
    folder->entered = true;
    // Not taken yet: the walk lists it through its own descriptor.
    List(folder, dirFd, device, inode, test);
    std::uint8_t state = folder->state.load(std::memory_order_acquire);
    while (state == kListing) {
        folder->state.wait(kListing, std::memory_order_acquire);
        state = folder->state.load(std::memory_order_acquire);
    }
    // Listed through the walk's descriptor, or through one opened by path
    // that reached the very same folder.
    if (state == kListed && folder->device == device && folder->inode == inode)
        return folder;
    {
        std::lock_guard guard(m_lock);
        Drop(folder);
    }
    auto fresh = std::make_shared<Folder>(folder->path, folder->position, folder->depth);
    fresh->entered = true;
    List(fresh, dirFd, device, inode, test);
    return fresh->state.load(std::memory_order_acquire) == kListed ? fresh : nullptr;
}

void CFolderReadAhead::Leave(const FolderPtr& folder) {
    std::unique_lock lock(m_lock);
    const bool wasFull = m_entriesAhead >= kMaxEntriesAhead;
    folder->dropped = true;
    m_entriesAhead -= folder->counted;
    folder->counted = 0;
    for (const auto& child : folder->children) {
        if (!child.second->entered)
            Drop(child.second);
    }
    // Threads wait for room only while listings are queued and none fit.
    const bool wake = wasFull && m_entriesAhead < kMaxEntriesAhead && m_idle > 0;
    lock.unlock();
    if (wake)
        m_work.notify_all();
}

void CFolderReadAhead::Drop(const FolderPtr& folder) {
    std::vector<FolderPtr> pending{folder};
    while (!pending.empty()) {
        const FolderPtr next = std::move(pending.back());
        pending.pop_back();
        next->dropped = true;
        m_entriesAhead -= next->counted;
        next->counted = 0;
        for (const auto& child : next->children)
            pending.push_back(child.second);
    }
}

CFolderReadAhead::Answer CFolderReadAhead::Resolve(Folder& folder, std::size_t index,
                                                   CCriteriaTest& test) {
    std::atomic<std::uint8_t>& entry = folder.entries[index];
    std::uint8_t state = entry.load(std::memory_order_acquire);
    if (state == kPending)
        state = Read(folder, index, test);
    while (state == kClaimed) {
        entry.wait(kClaimed, std::memory_order_acquire);
        state = entry.load(std::memory_order_acquire);
    }
    return AnswerOf(state);
}
