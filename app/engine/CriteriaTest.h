#pragma once
// Decides whether one record belongs in the result: its name against the name
// patterns, then only-files, date, time of day, size and contained text, in
// that order; the first condition that fails ends the test.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "app/engine/ResultItem.h"
#include "app/engine/SearchSnapshot.h"

class CCriteriaTest {
public:
    // The current time as seconds since 1970 (tests fix the clock).
    using Clock = std::function<std::int64_t()>;

    // `snapshot` and `stop` must outlive the test; the node states inside the
    // snapshot's expression are the test's scratch space.
    CCriteriaTest(CSearchSnapshot& snapshot, const std::atomic<bool>& stop, Clock clock = {});

    // 1 when the record passes every condition, 0 otherwise; any fault inside
    // makes the record fail.
    BOOL MatchCriteria(const CResultItem& record, bool withContainedText = true);
    // The contained-text condition alone (the last one), for records that
    // passed every other condition; faults make the record fail.
    BOOL MatchContainedText(const CResultItem& record);
    bool HasContainedText() const { return !m_snapshot.includeNodes.empty(); }
    // Whether the contained-text test of a file named `name` may go on from
    // its bytes to its page text (a PDF document's), which takes many times
    // longer than reading the bytes.
    bool MayReadPageText(const std::string& name) const;

    // Whether any condition beyond the name is set.
    bool HasFurtherConditions() const;
    // Whether a condition reads the record's size, attributes or times.
    bool NeedsFileData() const;
    // Whether a folder's record can pass the conditions beyond its name: not
    // with a contained text, only-files or a size condition.
    bool MayFolderPass() const;

    // The first condition alone: the name against the patterns. A walk uses it
    // to read a file's data only for names that pass.
    BOOL MatchName(const CResultItem& record) { return MatchNameText(record.m_sName); }
    BOOL MatchNameText(std::string_view name);
    // The conditions on a record's size, attributes and times (only-files,
    // date, time of day, size), for a record whose name passed.
    BOOL MatchFileData(const CResultItem& record) const;
    // The contained-text condition for the file on disk at `path` named
    // `name`, as MatchContainedText tests a record of that file; faults make
    // it fail. With `dirFd` (the open folder holding it) the file is opened
    // through that descriptor rather than by its whole path. `largeFile`,
    // when given, is called once the file turns out to hold kLargeFile bytes
    // or more, before they are read.
    BOOL MatchFileContent(const std::string& path, const std::string& name, int dirFd = -1,
                          const std::function<void()>& largeFile = {});

    // A file this large takes long enough to read that a second reader would
    // rather wait for the first.
    static constexpr std::int64_t kLargeFile = 1 << 20;

private:
    bool MatchDate(const CResultItem& record) const;
    bool MatchTimeOfDay(const CResultItem& record) const;
    bool MatchSize(const CResultItem& record) const;
    bool MatchContent(const CResultItem& record);
    bool MatchContentOnDisk(const std::string& path, const std::string& name, int dirFd = -1,
                            const std::function<void()>& largeFile = {});
    BOOL MatchPdfText(const std::string& path);

    // The current time as a UTC FILETIME; FALSE when out of range.
    bool GetNow(FILETIME* now) const;

    CSearchSnapshot& m_snapshot;
    const std::atomic<bool>& m_stop;
    Clock m_clock;
    std::string m_lowerName;  // reused for every record
    std::string m_path;       // the record's file-system path, reused likewise
};
