#include "app/engine/FolderReadAhead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>

#include "platform/FaultTrace.h"
#include "platform/FileInfo.h"
#include "platform/PathUtils.h"
#include "platform/PosixFile.h"
#include "platform/shell/FileSystemFolder.h"

namespace {

// A folder's listing: not taken yet, being made, made, or failed.
enum : std::uint8_t { kUnlisted, kListing, kListed, kFailed };

// An entry: the three final answers; a file whose contents are still to be
// tested, one whose test has been taken, one whose test is reading a large
// file, and one whose answer is being stored; a sub-folder listed ahead whose
// contents are not all answered yet (the walk goes into it).
enum : std::uint8_t { kVisit, kSkip, kHolds, kPending, kClaimed, kReading, kStoring, kFolder };

// Files one thread takes at a time from a folder.
constexpr std::uint32_t kReadBatch = 32;

// How long the walk waits for a test or a listing that a thread has taken
// before it does other work of the folder, or the same work itself: long
// enough for a thread that runs to finish a file of usual size, short next
// to the time a busy machine may leave a thread without a processor.
constexpr auto kFileGrace = std::chrono::microseconds(50);
constexpr auto kListingGrace = std::chrono::microseconds(200);
// How far ahead in the folder the walk looks for files to test meanwhile.
constexpr std::size_t kHelpAhead = 64;

// Waits while `value` holds `busy`, for at most `grace`; the value then.
std::uint8_t SpinWhile(const std::atomic<std::uint8_t>& value, std::uint8_t busy,
                       std::chrono::microseconds grace) {
    std::uint8_t state = value.load(std::memory_order_acquire);
    const auto until = std::chrono::steady_clock::now() + grace;
    while (state == busy && std::chrono::steady_clock::now() < until) {
#if defined(__x86_64__)
        __builtin_ia32_pause();
#endif
        state = value.load(std::memory_order_acquire);
    }
    return state;
}

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
    Folder(std::string path, std::vector<std::uint32_t> position, int depth,
           std::weak_ptr<Folder> parent = {})
        : path(std::move(path)),
          position(std::move(position)),
          depth(depth),
          parent(std::move(parent)) {}

    // Set when made, never changed.
    const std::string path;
    const std::vector<std::uint32_t> position;  // entry indices from the first folder down
    const int depth;
    const std::weak_ptr<Folder> parent;  // empty for a folder the walk listed where it stood

    std::atomic<std::uint8_t> state{kUnlisted};
    // Written by the one who lists, before the state says kListed.
    dev_t device = 0;
    ino_t inode = 0;
    zb::CItemListBuilder items;
    std::unique_ptr<std::atomic<std::uint8_t>[]> entries;
    // Read ahead for files the walk may keep: by the one who lists, or by the
    // one who tests the entry, before its answer is stored.
    std::unique_ptr<std::unique_ptr<zb::FileInfo>[]> infos;
    // Its ".hidden" list, read once by whoever first reads a file's data
    // (HiddenList).
    std::once_flag hiddenOnce;
    zb::HiddenNames hidden;
    // Entries without their final answer, and one more while it is planned.
    std::atomic<std::uint32_t> unresolved{1};
    // The sub-folders listed ahead, by entry index: set before the state
    // says kListed, then the walk's alone (Drop reads them under the lock).
    Children children;
    // Set under the lock while the folder is planned; afterwards also
    // without it (the walk lets go of what it passed).
    std::atomic<std::size_t> counted{0};  // entries counted as waiting for the walk
    std::atomic<bool> dropped{false};
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
      }()),
      m_foldersMayPass([&] {
          CSearchSnapshot copy = snapshot;
          return CCriteriaTest(copy, stop).MayFolderPass();
      }()) {
    for (unsigned i = 0; i < threads; ++i) {
        auto tester = std::make_unique<Tester>();
        tester->snapshot = snapshot;
        tester->test = std::make_unique<CCriteriaTest>(tester->snapshot, m_stop);
        m_testers.push_back(std::move(tester));
    }
    for (const auto& tester : m_testers)
        m_threads.emplace_back([this, &tester, faults = zb::CurrentFaultTrace()] {
            const zb::CFaultTraceScope scope(faults);
            WorkerLoop(*tester);
        });
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

const zb::CItemListBuilder& CFolderReadAhead::Items(const Folder& folder) {
    return folder.items;
}

const zb::HiddenNames& CFolderReadAhead::HiddenList(Folder& folder, int dirFd) {
    std::call_once(folder.hiddenOnce, [&folder, dirFd] {
        if (folder.items.HasEntry(".hidden"))
            folder.hidden =
                dirFd >= 0 ? zb::HiddenNames::Load(dirFd) : zb::HiddenNames::Load(folder.path);
    });
    return folder.hidden;
}

const zb::FileInfo* CFolderReadAhead::FileData(const Folder& folder, std::size_t index) {
    return folder.infos ? folder.infos[index].get() : nullptr;
}

bool CFolderReadAhead::Deeper(int depth) const {
    return m_options.subFolders && (!m_options.limitDepth || depth < m_options.maxDepth);
}

template <class More>
std::uint32_t CFolderReadAhead::ReadFiles(const ReadJob& job, CCriteriaTest& test,
                                          const More& more) {
    std::uint32_t next = job.first;
    while (next < job.end && !job.folder->dropped && !Stopped() && more())
        Read(*job.folder, next++, test, -1);
    return next;
}

void CFolderReadAhead::WorkerLoop(Tester& tester) {
    std::unique_lock lock(m_lock);
    for (;;) {
        const auto listable = [&] {
            return !m_listings.empty() && m_entriesAhead < m_options.maxEntries;
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
            lock.unlock();
            ReadFiles(job, *tester.test, [] { return true; });
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
    Children children;
    try {
        listed = ReadListing(folder, dirFd, test, &children);
        if (listed)
            Plan(folder, std::move(children));
    } catch (...) {
        zb::NoteIgnoredFault("the read-ahead's listing");
        listed = false;  // the walk lists it itself
    }
    folder->state.store(listed ? kListed : kFailed, std::memory_order_release);
    folder->state.notify_all();
    // Planned and published: the folder may now be answered whole.
    if (listed && !m_threads.empty())
        Resolved(*folder);
}

bool CFolderReadAhead::ReadListing(const FolderPtr& folder, int dirFd, CCriteriaTest& test,
                                   Children* children) {
    zb::UniqueFd own;
    if (dirFd < 0) {
        own.Reset(::open(folder->path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        dirFd = own.Get();
        struct stat st {};
        if (dirFd < 0 || ::fstat(dirFd, &st) != 0)
            return false;
        folder->device = st.st_dev;
        folder->inode = st.st_ino;
    }
    if (FAILED(zb::CFileSystemFolder::ListEveryItemAt(dirFd, &folder->items)))
        return false;
    const std::size_t count = folder->items.Count();
    folder->entries = std::make_unique<std::atomic<std::uint8_t>[]>(count);
    const bool deeper = Deeper(folder->depth);
    const bool archives = m_options.archives && deeper;
    // Only threads make sub-folders known ahead; without them the walk goes
    // into every sub-folder it would.
    const bool ahead = !m_threads.empty();
    // The data the walk would read of a file it may keep, read here the way
    // the walk reads it; a file whose data cannot be read is left to the walk.
    std::string name;
    const auto readData = [&](std::uint32_t i) -> const zb::FileInfo* {
        const zb::HiddenNames& hidden = HiddenList(*folder, dirFd);
        auto info = std::make_unique<zb::FileInfo>();
        if (!zb::GetFileInfoAt(dirFd, name.c_str(), &hidden, info.get(), zb::LinkMode::NoFollow,
                               m_options.dosBits))
            return nullptr;
        if (!folder->infos)
            folder->infos = std::make_unique<std::unique_ptr<zb::FileInfo>[]>(count);
        folder->infos[i] = std::move(info);
        return folder->infos[i].get();
    };
    // Whether a file's contents are tested here: not when its test may read
    // page text and the walk takes those.
    const auto contentTest = [&] {
        return m_contentSearch && !(m_options.leavePageTextToWalk && test.MayReadPageText(name));
    };
    CResultItem scratch;
    std::uint32_t unresolved = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const zb::ShellItem item = folder->items.At(i);
        name.assign(item.name);
        std::uint8_t answer = kVisit;
        if (item.Type() == zb::EntryType::Directory) {
            // A folder that cannot be a row is skipped when the walk does not
            // go into it, or once nothing below it is a row either.
            const bool mayBeRow = m_foldersMayPass && test.MatchNameText(name);
            if (!deeper) {
                answer = mayBeRow ? kVisit : kSkip;
            } else if (ahead) {
                std::string path = zb::JoinPath(folder->path, name);
                if (path.size() < PATH_MAX) {  // longer: the walk lists it
                    std::vector<std::uint32_t> position = folder->position;
                    position.push_back(i);
                    children->emplace_back(
                        i, std::make_shared<Folder>(std::move(path), std::move(position),
                                                    folder->depth + 1, folder));
                    if (!mayBeRow)
                        answer = kFolder;
                }
            }
        } else if (archives && m_options.mayBeArchive(name)) {
            answer = kVisit;
        } else if (!test.MatchNameText(name)) {
            answer = kSkip;
        } else if (m_needsFileData) {
            const zb::FileInfo* info = readData(i);
            scratch.Clear();
            SetResultItemFileData(scratch, info);
            if (!info)
                answer = kVisit;
            else if (!test.MatchFileData(scratch))
                answer = kSkip;
            else
                answer = contentTest() ? kPending : kVisit;
        } else if (contentTest()) {
            answer = kPending;  // its data is read once its contents hold the text
        } else if (m_contentSearch) {
            answer = kVisit;  // the walk reads its contents and data
        } else {
            answer = kVisit;
            readData(i);
        }
        if (answer == kPending || answer == kFolder)
            ++unresolved;
        folder->entries[i].store(answer, std::memory_order_relaxed);
    }
    // Room for the data of the files whose contents will be tested.
    if (unresolved > 0 && m_contentSearch && !folder->infos)
        folder->infos = std::make_unique<std::unique_ptr<zb::FileInfo>[]>(count);
    folder->unresolved.fetch_add(unresolved, std::memory_order_relaxed);
    return true;
}

void CFolderReadAhead::Plan(const FolderPtr& folder, Children children) {
    if (m_threads.empty())
        return;  // the walk does every step itself, in order
    // Runs of up to kReadBatch files to test, never across a sub-folder
    // (its contents come between them in the walk's order). A file whose
    // path is too long to open is left to the walk, which opens it through
    // its descriptor. Everything is made before the lock is taken; under
    // it, only queued.
    const std::size_t count = folder->items.Count();
    std::vector<ReadJob> reads;
    ReadJob run{folder, 0, 0};
    std::uint32_t files = 0;
    const auto flush = [&] {
        if (files > 0)
            reads.push_back(run);
        files = 0;
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t state = folder->entries[i].load(std::memory_order_relaxed);
        const zb::ShellItem item = folder->items.At(i);
        if (item.Type() == zb::EntryType::Directory ||
            folder->path.size() + 1 + item.name.size() >= PATH_MAX) {
            flush();
        } else if (state == kPending) {
            if (files == 0)
                run.first = i;
            run.end = i + 1;
            if (++files == kReadBatch)
                flush();
        }
    }
    flush();
    std::unique_lock lock(m_lock);
    if (folder->dropped.load())
        return;
    folder->counted.store(count);
    m_entriesAhead += count;
    for (const auto& child : children)
        m_listings.push(child.second);
    for (ReadJob& job : reads)
        m_reads.push(std::move(job));
    const std::size_t wake = std::min<std::size_t>(m_idle, children.size() + reads.size());
    folder->children = std::move(children);
    lock.unlock();
    for (std::size_t i = 0; i < wake; ++i)
        m_work.notify_one();
}

std::uint8_t CFolderReadAhead::Read(Folder& folder, std::size_t index, CCriteriaTest& test,
                                    int dirFd) {
    std::uint8_t state = kPending;
    if (!folder.entries[index].compare_exchange_strong(state, kClaimed))
        return state;
    return TestClaimed(folder, index, test, dirFd);
}

std::uint8_t CFolderReadAhead::TestClaimed(Folder& folder, std::size_t index, CCriteriaTest& test,
                                           int dirFd) {
    std::uint8_t answer = kVisit;  // a fault: the walk tests the file itself
    std::unique_ptr<zb::FileInfo> info;
    try {
        const std::string name(folder.items.At(index).name);
        const std::string path = zb::JoinPath(folder.path, name);
        // A large file would take the walk as long to read again: it waits
        // for this answer instead.
        std::atomic<std::uint8_t>& entry = folder.entries[index];
        const auto large = [&entry] {
            std::uint8_t claimed = kClaimed;
            entry.compare_exchange_strong(claimed, kReading, std::memory_order_acq_rel);
        };
        answer = test.MatchFileContent(path, name, dirFd, large) ? kHolds : kSkip;
        // A file that is kept needs its data, read as the walk reads it
        // (through the folder's descriptor, or by its path). When a
        // condition needs it, the listing read it already; the slot is not
        // looked at here, since whoever stores the answer first writes it.
        if (answer == kHolds && folder.infos && !m_needsFileData) {
            const zb::HiddenNames& hidden = HiddenList(folder, dirFd);
            info = std::make_unique<zb::FileInfo>();
            const zb::DosBits dos = m_options.dosBits;
            const bool read =
                dirFd >= 0 ? zb::GetFileInfoAt(dirFd, name.c_str(), &hidden, info.get(),
                                               zb::LinkMode::NoFollow, dos)
                           : zb::GetFileInfo(path, hidden, info.get(), zb::LinkMode::NoFollow, dos);
            if (!read)
                info.reset();
        }
    } catch (...) {
        zb::NoteIgnoredFault("the read-ahead's test of a file");
        answer = kVisit;
        info.reset();
    }
    // The first to finish stores the answer (the walk may have tested the
    // file too rather than wait); the other's is the same and goes unused.
    std::atomic<std::uint8_t>& entry = folder.entries[index];
    std::uint8_t claimed = kClaimed;
    if (!entry.compare_exchange_strong(claimed, kStoring, std::memory_order_acq_rel) &&
        (claimed != kReading ||
         !entry.compare_exchange_strong(claimed, kStoring, std::memory_order_acq_rel)))
        return claimed;
    if (info)
        folder.infos[index] = std::move(info);
    entry.store(answer, std::memory_order_release);
    entry.notify_all();
    if (!m_threads.empty())
        Resolved(folder);
    return answer;
}

void CFolderReadAhead::Resolved(Folder& folder) {
    Folder* current = &folder;
    FolderPtr keep;  // the parent reached last, alive while it is looked at
    while (current->unresolved.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        // Every entry has its final answer: the folder is skipped whole when
        // all of them are.
        const std::size_t count = current->items.Count();
        bool empty = true;
        for (std::size_t i = 0; i < count && empty; ++i)
            empty = current->entries[i].load(std::memory_order_acquire) == kSkip;
        FolderPtr parent = current->parent.lock();
        if (!parent)
            return;
        std::atomic<std::uint8_t>& entry = parent->entries[current->position.back()];
        std::uint8_t expected = kFolder;
        // A folder that may be a row keeps kVisit: the walk goes into it.
        if (!entry.compare_exchange_strong(expected, empty ? kSkip : kVisit,
                                           std::memory_order_acq_rel))
            return;
        keep = std::move(parent);
        current = keep.get();
    }
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
    const Children& children = parent.children;
    const auto found = std::lower_bound(
        children.begin(), children.end(), index,
        [](const Children::value_type& child, std::size_t at) { return child.first < at; });
    if (found == children.end() || found->first != index || !found->second)
        return nullptr;
    FolderPtr folder = found->second;
    folder->entered = true;
    // Not taken yet: the walk lists it through its own descriptor.
    List(folder, dirFd, device, inode, test);
    // A thread listing it is usually about to finish. One that takes longer
    // is listing a large folder, which would take the walk as long again:
    // meanwhile the walk tests queued files, and waits once none is left.
    std::uint8_t state = SpinWhile(folder->state, kListing, kListingGrace);
    if (state == kListing)
        state = HelpWhile(folder->state, kListing, test);
    // Listed through the walk's descriptor, or through one opened by path
    // that reached the very same folder.
    if (state == kListed && folder->device == device && folder->inode == inode)
        return folder;
    std::size_t released = 0;
    {
        const std::lock_guard guard(m_lock);
        released = Drop(folder);
    }
    Release(released);
    auto fresh = std::make_shared<Folder>(folder->path, folder->position, folder->depth);
    fresh->entered = true;
    List(fresh, dirFd, device, inode, test);
    return fresh->state.load(std::memory_order_acquire) == kListed ? fresh : nullptr;
}

void CFolderReadAhead::Leave(const FolderPtr& folder) {
    // The folder was planned before the walk took it, so letting it go
    // needs no lock; only sub-folders the walk did not go into may still be
    // being listed.
    folder->dropped.store(true);
    Release(folder->counted.exchange(0));
    Children children;
    children.swap(folder->children);
    const bool passedOver = std::any_of(children.begin(), children.end(), [](const auto& child) {
        return child.second && !child.second->entered;
    });
    if (passedOver) {
        std::size_t released = 0;
        {
            const std::lock_guard guard(m_lock);
            for (const auto& child : children) {
                if (child.second && !child.second->entered)
                    released += Drop(child.second);
            }
        }
        Release(released);
    }
}

std::size_t CFolderReadAhead::Drop(const FolderPtr& folder) {
    std::vector<FolderPtr> pending{folder};
    std::size_t released = 0;
    while (!pending.empty()) {
        const FolderPtr next = std::move(pending.back());
        pending.pop_back();
        next->dropped.store(true);
        released += next->counted.exchange(0);
        for (const auto& child : next->children) {
            if (child.second)
                pending.push_back(child.second);
        }
    }
    return released;
}

void CFolderReadAhead::Release(std::size_t count) {
    if (count == 0)
        return;
    // Threads that wait for room are woken once a quarter of the window is
    // free again, not for every folder the walk passes.
    const std::size_t wakeBelow = m_options.maxEntries - m_options.maxEntries / 4;
    const std::size_t before = m_entriesAhead.fetch_sub(count);
    if (before >= wakeBelow && before - count < wakeBelow) {
        // Taken and let go, so that a thread about to wait sees the room.
        { const std::lock_guard guard(m_lock); }
        m_work.notify_all();
    }
}

bool CFolderReadAhead::TestQueuedFiles(const std::atomic<std::uint8_t>& busy, std::uint8_t state,
                                       CCriteriaTest& test) {
    std::unique_lock lock(m_lock);
    if (m_reads.empty() || Stopped())
        return false;
    ReadJob job = m_reads.top();
    m_reads.pop();
    lock.unlock();
    const std::uint32_t next =
        ReadFiles(job, test, [&] { return busy.load(std::memory_order_acquire) == state; });
    if (next < job.end && !job.folder->dropped) {
        // The rest goes back for the threads.
        lock.lock();
        m_reads.push({std::move(job.folder), next, job.end});
        const bool wake = m_idle > 0;
        lock.unlock();
        if (wake)
            m_work.notify_one();
    }
    return true;
}

std::uint8_t CFolderReadAhead::HelpWhile(const std::atomic<std::uint8_t>& busy, std::uint8_t state,
                                         CCriteriaTest& test) {
    std::uint8_t now = state;
    while (now == state) {
        if (!TestQueuedFiles(busy, state, test))
            busy.wait(state, std::memory_order_acquire);
        now = busy.load(std::memory_order_acquire);
    }
    return now;
}

bool CFolderReadAhead::ReadAhead(Folder& folder, std::size_t index, CCriteriaTest& test,
                                 int dirFd) {
    const std::size_t end = std::min(folder.items.Count(), index + 1 + kHelpAhead);
    for (std::size_t next = index + 1; next < end; ++next) {
        std::uint8_t state = kPending;
        if (folder.entries[next].load(std::memory_order_relaxed) == kPending &&
            folder.entries[next].compare_exchange_strong(state, kClaimed)) {
            TestClaimed(folder, next, test, dirFd);
            return true;
        }
    }
    return false;
}

CFolderReadAhead::Answer CFolderReadAhead::Resolve(Folder& folder, std::size_t index,
                                                   CCriteriaTest& test, int dirFd) {
    std::atomic<std::uint8_t>& entry = folder.entries[index];
    std::uint8_t state = entry.load(std::memory_order_acquire);
    if (state == kPending)
        state = Read(folder, index, test, dirFd);
    // A thread tests it: meanwhile the walk tests the next files it will
    // need; when none is left it waits a little, then tests this one too
    // rather than wait for a thread that may have no processor.
    while (state == kClaimed) {
        if (ReadAhead(folder, index, test, dirFd)) {
            state = entry.load(std::memory_order_acquire);
            continue;
        }
        state = SpinWhile(entry, kClaimed, kFileGrace);
        if (state == kClaimed)
            state = TestClaimed(folder, index, test, dirFd);
    }
    if (state == kReading)
        state = HelpWhile(entry, kReading, test);
    while (state == kStoring) {
        entry.wait(kStoring, std::memory_order_acquire);
        state = entry.load(std::memory_order_acquire);
    }
    if (state == kSkip && !folder.children.empty()) {
        // A sub-folder skipped whole: what was listed below it goes now.
        Children& children = folder.children;
        const auto found = std::lower_bound(
            children.begin(), children.end(), index,
            [](const Children::value_type& child, std::size_t at) { return child.first < at; });
        if (found != children.end() && found->first == index && found->second) {
            // Everything below it was listed and planned, so no thread
            // changes it any more: it goes without the lock.
            FolderPtr skipped = std::move(found->second);
            Release(Drop(skipped));
        }
    }
    return AnswerOf(state);
}
