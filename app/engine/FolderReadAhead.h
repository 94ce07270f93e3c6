#pragma once
// Lists the folders a walk on disk is about to enter, and tests the files in
// them, on other threads ahead of the walk, so that the walk itself handles
// only the items it keeps, the folders it goes into and the archives it opens.
//
// A folder is listed exactly as the walk lists it (every item, hidden ones
// too, in the namespace's order). For each entry the read-ahead works out what
// the walk's test would make of it as far as it can on its own: a file whose
// name fails, whose size, times or attributes fail, or whose contents do not
// hold the text is skipped by the walk; a file whose contents hold the text
// comes with that answer, and the files the walk keeps come with their size,
// attributes and times; a sub-folder that cannot be a row itself and holds
// nothing but skipped entries, all the way down, is skipped whole; everything
// else (folders, archives the walk opens, names that pass without a content
// test, and with leavePageTextToWalk the files whose test may read page text)
// the walk tests as always. The walk still makes every row itself, in
// its order, so the result limit and Stop act where they always did.
//
// Work is taken in the walk's depth-first order, the nearest first, and at
// most kMaxEntriesAhead listed entries wait for the walk; whatever the walk
// needs before a thread took it, the walk does itself, so it never waits for
// work that no thread does; a file test a thread holds past a short grace it
// does again, but a folder a thread lists, or a large file a thread reads, it
// does not list or read again: it tests queued files meanwhile. With no
// threads the walk does all of it, in order.
//
// A sub-folder is opened by its path (not following a link at its last step)
// and its listing is taken only when the walk, standing in it through its own
// descriptor, finds the same device and inode; otherwise, and for paths too
// long to open, the walk lists the folder through its own descriptor.

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <queue>
#include <string>
#include <thread>
#include <vector>

#include "app/engine/CriteriaTest.h"
#include "platform/FileInfo.h"
#include "platform/shell/ItemListEnum.h"

class CFolderReadAhead {
public:
    // What the walk does with an entry of a listed folder.
    enum class Answer : std::uint8_t {
        Visit,         // the walk tests it as always
        Skip,          // it can be no row and holds none, and it is no archive the walk opens
        ContentHolds,  // a file whose contents hold the text; the walk tests the rest
    };

    // Most entries listed ahead and not yet passed by the walk: enough to
    // keep the threads busy while the walk catches up, about half a
    // megabyte of listings.
    static constexpr std::size_t kMaxEntriesAhead = 1u << 14;

    // What decides which folders are listed and which files are tested.
    struct Options {
        bool subFolders = true;  // sub-folders are searched
        bool limitDepth = false;
        int maxDepth = 0;       // with limitDepth: folders deeper than this are not searched
        bool archives = false;  // archives are searched (with sub-folders)
        std::function<bool(const std::string& name)> mayBeArchive;  // const, any thread
        std::size_t maxEntries = kMaxEntriesAhead;  // listed entries waiting for the walk
        zb::DosBits dosBits = zb::DosBits::Read;    // files' data read as the walk reads it
        // Files whose test may read page text (CCriteriaTest::MayReadPageText)
        // are left to the walk, which hands them to its content-scan pool and
        // goes on: waiting for one would hold up every row after it.
        bool leavePageTextToWalk = false;
    };

    class Folder;
    using FolderPtr = std::shared_ptr<Folder>;

    // `threads` threads beside the walk, each testing with its own copy of
    // the snapshot; `stop` ends their work.
    CFolderReadAhead(const CSearchSnapshot& snapshot, const std::atomic<bool>& stop,
                     unsigned threads, Options options);
    // Ends the threads (the work they hold is finished or dropped).
    ~CFolderReadAhead();
    CFolderReadAhead(const CFolderReadAhead&) = delete;
    CFolderReadAhead& operator=(const CFolderReadAhead&) = delete;

    // Lists the folder at `path` that the walk stands in at `depth` (1 for
    // the folder it starts from) through the walk's descriptor `dirFd`, now,
    // on the calling thread; its sub-folders are listed ahead. Null when it
    // cannot be listed.
    FolderPtr ListHere(const std::string& path, int depth, int dirFd, CCriteriaTest& test);
    // The listing of the sub-folder at entry `index` of `parent` once the walk
    // stands in it (descriptor `dirFd`, of device and inode `device` and
    // `inode`): the one made ahead when it is of that very folder, else one
    // made now through `dirFd`. Null when no listing was planned for it.
    FolderPtr Enter(Folder& parent, std::size_t index, int dirFd, dev_t device, ino_t inode,
                    CCriteriaTest& test);
    // The walk is done with the folder; what was listed ahead for the
    // sub-folders it did not go into is dropped.
    void Leave(const FolderPtr& folder);

    static const zb::CItemListBuilder& Items(const Folder& folder);
    // The folder's ".hidden" list, loaded once by whoever asks first (the
    // walk or a thread; through `dirFd` when it is the folder's, else by its
    // path); empty when the listing holds no such file.
    static const zb::HiddenNames& HiddenList(Folder& folder, int dirFd);
    // The size, attributes and times read ahead for entry `index` once its
    // answer is known (read as the walk reads them, through the folder's
    // descriptor or its path); null when they were not read.
    static const zb::FileInfo* FileData(const Folder& folder, std::size_t index);
    // What the walk does with entry `index` (the walk asks in order): waits
    // for a thread that tests it, or tests it with `test` on the calling
    // thread when none took it, opening the files through `dirFd`, the
    // walk's descriptor of the folder (-1: by their paths).
    Answer Resolve(Folder& folder, std::size_t index, CCriteriaTest& test, int dirFd);

private:
    struct Tester {
        CSearchSnapshot snapshot;
        std::unique_ptr<CCriteriaTest> test;
    };
    // Files of one folder to test: entries [first, end).
    struct ReadJob {
        FolderPtr folder;
        std::uint32_t first = 0;
        std::uint32_t end = 0;
    };
    // Orders the queues so that the top is the job nearest the walk.
    struct LaterListing {
        bool operator()(const FolderPtr& a, const FolderPtr& b) const;
    };
    struct LaterRead {
        bool operator()(const ReadJob& a, const ReadJob& b) const;
    };
    using Children = std::vector<std::pair<std::uint32_t, FolderPtr>>;

    void WorkerLoop(Tester& tester);
    // Lists `folder` unless someone else took it, then plans its sub-folders
    // and files: through `dirFd` (the walk's, of `device` and `inode`), or
    // with -1 through a descriptor opened by its path.
    void List(const FolderPtr& folder, int dirFd, dev_t device, ino_t inode, CCriteriaTest& test);
    // Reads the folder and works out every entry's first answer, making the
    // sub-folders to list ahead; false on failure.
    bool ReadListing(const FolderPtr& folder, int dirFd, CCriteriaTest& test, Children* children);
    // Queues the listings of the sub-folders and the tests of the files.
    void Plan(const FolderPtr& folder, Children children);
    // Tests file `index` unless someone else took it; its state then. The
    // files are opened through `dirFd` when it is the folder's (the walk's
    // own), else by their paths (-1).
    std::uint8_t Read(Folder& folder, std::size_t index, CCriteriaTest& test, int dirFd);
    // Tests file `index`, which was taken, and stores the answer unless
    // someone else stored one first; the entry's state then.
    std::uint8_t TestClaimed(Folder& folder, std::size_t index, CCriteriaTest& test, int dirFd);
    // Tests one file after `index` that no one took yet; false when there
    // is none near.
    bool ReadAhead(Folder& folder, std::size_t index, CCriteriaTest& test, int dirFd);
    // Tests the files of the nearest queued run one by one while `busy` holds
    // `state` (a thread lists a folder or reads a large file the walk
    // waits for), and queues what is left of the run again; false when no run
    // was queued.
    bool TestQueuedFiles(const std::atomic<std::uint8_t>& busy, std::uint8_t state,
                         CCriteriaTest& test);
    // Once `busy` was seen holding `state`: tests queued files while it
    // does, and waits for it to change once none is left; its value then.
    std::uint8_t HelpWhile(const std::atomic<std::uint8_t>& busy, std::uint8_t state,
                           CCriteriaTest& test);
    // Tests the files of `job` in order (by their paths) until its folder is
    // dropped, the search stops or `more` says no; the first entry left
    // untested.
    template <class More>
    std::uint32_t ReadFiles(const ReadJob& job, CCriteriaTest& test, const More& more);
    // One more entry of `folder` has its final answer; once all have, the
    // folder's own entry in its parent gets its final answer too.
    void Resolved(Folder& folder);
    // Drops `folder` and what was listed below it: with the lock held, or
    // without it when every folder below has been planned. The entries it
    // counted, for Release once the lock is let go.
    std::size_t Drop(const FolderPtr& folder);
    // Lets go of `count` entries waiting for the walk.
    void Release(std::size_t count);
    bool Deeper(int depth) const;
    bool Stopped() const { return m_stop.load(std::memory_order_relaxed); }

    const std::atomic<bool>& m_stop;
    const Options m_options;
    const bool m_contentSearch;
    const bool m_needsFileData;
    const bool m_foldersMayPass;
    std::mutex m_lock;
    std::condition_variable m_work;  // work was planned, room was made, or the threads end
    std::priority_queue<FolderPtr, std::vector<FolderPtr>, LaterListing> m_listings;
    std::priority_queue<ReadJob, std::vector<ReadJob>, LaterRead> m_reads;
    std::atomic<std::size_t> m_entriesAhead{0};
    unsigned m_idle = 0;  // threads waiting for work
    bool m_ending = false;
    std::vector<std::unique_ptr<Tester>> m_testers;
    std::vector<std::thread> m_threads;
};
