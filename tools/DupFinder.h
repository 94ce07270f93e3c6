#pragma once
// The duplicate-file finder without its windows: it walks the chosen folders
// (and, on request, the members of archives met on the way), collects the
// candidate files and groups the duplicates under the chosen rule.
//
// Only regular files are candidates; links are never followed; a file met
// twice (the same device and inode, or the same member of the same archive)
// counts once, so a file is never its own duplicate; folders on pseudo file
// systems and the Trash folders are not entered. Candidates are grouped
// through a hash map by their key (the size with the size rule, else the
// name ignoring case) and the keys sorted once. "Match Content" compares
// sizes, then a 128-bit XXH3 hash of the first block, then of the whole file,
// and finally the bytes themselves: two files are shown as duplicates only
// when every byte is equal. The contents are read on a small pool of threads;
// the groups come out in the same order whatever the threads do.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/engine/FileNamePattern.h"
#include "platform/WinTypes.h"
#include "tools/TreeWalk.h"

// Rule bits.
constexpr int DUP_MATCH_NAME = 1;
constexpr int DUP_MATCH_TIME = 2;
constexpr int DUP_MATCH_SIZE = 4;
constexpr int DUP_MATCH_CONTENT = 8;

// The settings dialog's four rules, by index.
constexpr int kDupRules[4] = {1, 7, 13, 12};

class CFindDupOptions {
public:
    virtual ~CFindDupOptions() = default;
    // Both flags 1, minimum size 0, no folders.
    void Reset();

    BOOL m_bSearchCompressed = TRUE;
    BOOL m_bIncludeSubFolders = TRUE;
    int m_nRules = 7;
    std::uint32_t m_nMinSize = 0;
    std::vector<std::string> m_arrFolders;  // paths of the chosen folders
    // Lower-cased, each marked as a wildcard pattern; empty: every name passes.
    std::vector<CFileNamePattern> m_arrPatterns;
};

// Parses the file-name text into the options' patterns as the settings
// dialog does: split as the file-name field is, each pattern lower-cased and
// marked as a wildcard pattern.
void ParseDupNamePatterns(const std::string& text, std::vector<CFileNamePattern>* patterns);

// A candidate file.
struct CDupFileEntry {
    std::string path;  // a disk file's full path; a member's path inside its archive
    std::string name;  // the last part of the path
    std::uint64_t size = 0;
    FILETIME lastWrite;       // UTC
    std::string archivePath;  // empty for a disk file
    FileIdentity identity;    // a disk file's (for a member: its archive's)
};

// One group of duplicates: entry indices in the order they were found.
using CDupGroup = std::vector<std::size_t>;
// The groups that share one key, in the order their first file was found.
using CDupSlot = std::vector<CDupGroup>;

class CDupFinder {
public:
    // `stop` is polled before every item of the walk and between reads.
    CDupFinder(CFindDupOptions options, const std::atomic<bool>& stop);
    ~CDupFinder();
    CDupFinder(const CDupFinder&) = delete;
    CDupFinder& operator=(const CDupFinder&) = delete;

    // Threads that read contents (default: up to 4, by the machine).
    void SetReadThreads(unsigned threads) { m_nReadThreads = threads; }
    // Receives "Searching in <folder>" as the walk enters folders.
    void SetStatusCallback(std::function<void(const std::string&)> status) {
        m_status = std::move(status);
    }

    // Walks every chosen folder, then groups. Logs "Start : ", "End : " and
    // "Used : " as a search does. Returns false when the stop flag ended it
    // (the groups then hold what was found so far).
    bool Run();

    const CFindDupOptions& GetOptions() const { return m_options; }
    const std::vector<CDupFileEntry>& GetEntries() const { return m_entries; }
    // Slots in ascending key order; only groups of two or more files.
    const std::vector<CDupSlot>& GetSlots() const { return m_slots; }
    std::size_t GetGroupCount() const;

    // Whether two candidates are duplicates under the rule (for a rule with
    // the size bit): sizes equal, names equal ignoring case with the name
    // bit, last-write times equal with the time bit, and with the content
    // bit every byte equal (read now). Unreadable files match nothing.
    bool IsDuplicate(const CDupFileEntry& a, const CDupFileEntry& b) const;

private:
    class Collector;
    void Walk();
    void Group();
    // Splits each group by content: per group, its parts of two or more
    // files with equal bytes.
    std::vector<std::vector<CDupGroup>> SplitByContent(const std::vector<CDupGroup>& groups);

    CFindDupOptions m_options;
    const std::atomic<bool>& m_stop;
    unsigned m_nReadThreads;
    std::function<void(const std::string&)> m_status;
    std::vector<CDupFileEntry> m_entries;
    std::vector<CDupSlot> m_slots;
};
