#include "app/engine/CriteriaTest.h"

#include <strings.h>

#include <ctime>
#include <limits>
#include <optional>
#include <utility>

#include "app/engine/ContentSearch.h"
#include "platform/FaultTrace.h"
#include "platform/FileTime.h"
#include "platform/PathUtils.h"
#include "platform/TextBuffer.h"
#include "platform/TextCase.h"
#include "platform/shell/ShellApi.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/archives/SourceStream.h"
#include "readers/details/PdfTextSource.h"

namespace {

constexpr std::int64_t kTicksPerSecond = static_cast<std::int64_t>(kFileTimeTicksPerSecond);
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerDay = 86400;

// Which time of a record a date or time-of-day condition reads.
constexpr int kTimeLastAccess = 1;
constexpr int kTimeCreation = 2;
constexpr int kTimeLastWrite = 3;

// Date modes.
constexpr int kDatePrevious = 0;
constexpr int kDateBetweenDates = 1;
constexpr int kDateBetweenWeekdays = 2;

// Units of the "previous" date mode.
constexpr int kPrevDays = 0;
constexpr int kPrevWeeks = 1;
constexpr int kPrevMonths = 2;
constexpr int kPrevYears = 3;

// Time-of-day modes (any other value is "between").
constexpr int kTimePreviousHours = 0;

// Size conditions.
constexpr int kSizeAtLeast = 1;
constexpr int kSizeAtMost = 2;

// The record's time that `type` names, or null for any other type.
const FILETIME* SelectFileTime(const CResultItem& record, int type) {
    switch (type) {
        case kTimeLastAccess:
            return &record.m_ftLastAccess;
        case kTimeCreation:
            return &record.m_ftCreation;
        case kTimeLastWrite:
            return &record.m_ftLastWrite;
        default:
            return nullptr;
    }
}

// A UTC time converted to local time once: its 100-ns count and its
// calendar fields.
struct LocalTime {
    std::int64_t ticks = 0;
    SYSTEMTIME fields;
};

// FALSE when the time has no local calendar form (out of range).
bool ToLocalTime(const FILETIME& utc, LocalTime* out) {
    FILETIME local;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &out->fields) ||
        local.Value() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return false;
    }
    out->ticks = static_cast<std::int64_t>(local.Value());
    return true;
}

// Whole seconds from `from` to `to` (negative when `from` is later),
// truncated toward zero. Both counts are non-negative, so the difference
// cannot overflow.
std::int64_t ElapsedSeconds(const LocalTime& from, const LocalTime& to) {
    return (to.ticks - from.ticks) / kTicksPerSecond;
}

// Seconds since local midnight of a time given as seconds since 1970.
std::int64_t LocalSecondOfDay(const CTime& time) {
    const std::tm fields = time.GetLocalTm();
    return static_cast<std::int64_t>(fields.tm_hour) * kSecondsPerHour + fields.tm_min * 60 +
           fields.tm_sec;
}

std::int64_t SecondOfDay(const SYSTEMTIME& fields) {
    return static_cast<std::int64_t>(fields.wHour) * kSecondsPerHour + fields.wMinute * 60 +
           fields.wSecond;
}

// A name whose extension is "pdf" in any case; a name without a '.' has none.
bool IsPdfName(const std::string& name) {
    const char* extension = GetFileExtension(name.c_str());
    return extension != nullptr && strcasecmp(extension, "pdf") == 0;
}

}  // namespace

CCriteriaTest::CCriteriaTest(CSearchSnapshot& snapshot, const std::atomic<bool>& stop, Clock clock)
    : m_snapshot(snapshot), m_stop(stop), m_clock(std::move(clock)) {
    if (!m_clock) {
        m_clock = [] { return CTime::GetCurrentTime().GetTime(); };
    }
}

bool CCriteriaTest::NeedsFileData() const {
    const CSearchData& criteria = m_snapshot.criteria;
    return criteria.m_DateOptionData.m_iDateOptionType != 0 ||
           criteria.m_TimeOptionData.m_iTimeOptionTypeIndex != 0 ||
           criteria.m_SizeOptionData.m_iSizeOptionType != 0 ||
           criteria.m_GeneralOptionData.m_bOnlyFiles;
}

bool CCriteriaTest::MayFolderPass() const {
    const CSearchData& criteria = m_snapshot.criteria;
    const int size = criteria.m_SizeOptionData.m_iSizeOptionType;
    return m_snapshot.includeNodes.empty() && !criteria.m_GeneralOptionData.m_bOnlyFiles &&
           size != kSizeAtLeast && size != kSizeAtMost;
}

bool CCriteriaTest::MayReadPageText(const std::string& name) const {
    return HasContainedText() && IsPdfName(name);
}

bool CCriteriaTest::HasFurtherConditions() const {
    const CSearchData& criteria = m_snapshot.criteria;
    return criteria.m_DateOptionData.m_iDateOptionType != 0 ||
           criteria.m_TimeOptionData.m_iTimeOptionTypeIndex != 0 ||
           criteria.m_SizeOptionData.m_iSizeOptionType != 0 || !m_snapshot.includeNodes.empty() ||
           criteria.m_GeneralOptionData.m_bOnlyFiles;
}

BOOL CCriteriaTest::MatchCriteria(const CResultItem& record, bool withContainedText) {
    try {
        if (!MatchName(record)) {
            return FALSE;
        }
        // Without further conditions every item whose name matches belongs in
        // the result, whether or not it has a file-system path; the path is
        // looked up only when something else must be tested.
        if (!HasFurtherConditions()) {
            return TRUE;
        }
        // An archive member's list is its archive's, so members pass here.
        if (!record.GetFilePath(&m_path)) {
            return FALSE;
        }
        if (!MatchFileData(record)) {
            return FALSE;
        }
        if (withContainedText && !m_snapshot.includeNodes.empty() && !MatchContent(record)) {
            return FALSE;
        }
        return TRUE;
    } catch (...) {
        // A fault while testing one item makes that item fail; the search
        // goes on with the next.
        zb::NoteIgnoredFault("the criteria test");
        return FALSE;
    }
}

BOOL CCriteriaTest::MatchContainedText(const CResultItem& record) {
    try {
        return m_snapshot.includeNodes.empty() || MatchContent(record);
    } catch (...) {
        zb::NoteIgnoredFault("the content test of a record");
        return FALSE;
    }
}

BOOL CCriteriaTest::MatchFileContent(const std::string& path, const std::string& name, int dirFd,
                                     const std::function<void()>& largeFile) {
    try {
        return m_snapshot.includeNodes.empty() || MatchContentOnDisk(path, name, dirFd, largeFile);
    } catch (...) {
        zb::NoteIgnoredFault("the content test of a file");
        return FALSE;
    }
}

BOOL CCriteriaTest::MatchNameText(std::string_view name) {
    const std::vector<CFileNamePattern>& patterns = m_snapshot.patterns;
    if (patterns.empty() || m_snapshot.criteria.m_GeneralOptionData.m_bCaseSensitive) {
        return MatchNamePatterns(patterns, name);
    }
    LowerCaseUtf8(name, m_lowerName);
    return MatchNamePatterns(patterns, m_lowerName);
}

BOOL CCriteriaTest::MatchFileData(const CResultItem& record) const {
    if (m_snapshot.criteria.m_GeneralOptionData.m_bOnlyFiles &&
        (record.m_dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return FALSE;
    }
    return MatchDate(record) && MatchTimeOfDay(record) && MatchSize(record) ? TRUE : FALSE;
}

bool CCriteriaTest::GetNow(FILETIME* now) const {
    return CTimeToFileTime(CTime(m_clock()), now);
}

bool CCriteriaTest::MatchDate(const CResultItem& record) const {
    const CDateOptionData& date = m_snapshot.criteria.m_DateOptionData;
    const FILETIME* fileTime = SelectFileTime(record, date.m_iDateOptionType);
    if (fileTime == nullptr) {
        return true;
    }
    LocalTime file;
    switch (date.m_iDateOptionMode) {
        case kDatePrevious: {
            FILETIME nowUtc;
            LocalTime now;
            if (!ToLocalTime(*fileTime, &file) || !GetNow(&nowUtc) || !ToLocalTime(nowUtc, &now)) {
                return false;
            }
            const std::int64_t days = ElapsedSeconds(file, now) / kSecondsPerDay;
            std::int64_t value = 0;
            switch (date.m_iPrevDateType) {
                case kPrevDays:
                    value = days;
                    break;
                case kPrevWeeks:
                    value = days / 7;
                    break;
                case kPrevMonths:
                    // Calendar months between the two local dates.
                    value = (static_cast<std::int64_t>(now.fields.wYear) - file.fields.wYear) * 12 +
                            now.fields.wMonth - file.fields.wMonth;
                    break;
                case kPrevYears:
                    value = static_cast<std::int64_t>(now.fields.wYear) - file.fields.wYear;
                    break;
                default:
                    return true;
            }
            return value < date.m_iPrevDate ? TRUE : FALSE;
        }
        case kDateBetweenDates: {
            // Both bounds are instants (local calendar times stored as seconds
            // since 1970), compared at whole seconds so that a file written
            // during the latest bound's last second is still inside.
            const std::int64_t seconds = FileTimeToCTime(*fileTime).GetTime();
            return date.m_tEarliestDate.GetTime() <= seconds &&
                           seconds <= date.m_tLatestDate.GetTime()
                       ? TRUE
                       : FALSE;
        }
        case kDateBetweenWeekdays: {
            if (!ToLocalTime(*fileTime, &file)) {
                return false;
            }
            const int day = file.fields.wDayOfWeek;
            const int first = date.m_iMinWeekIndex;
            const int last = date.m_iMaxWeekIndex;
            if (first <= last) {
                return first <= day && day <= last ? TRUE : FALSE;
            }
            // A range over the weekend.
            return day <= last || day >= first ? TRUE : FALSE;
        }
        default:
            return true;
    }
}

bool CCriteriaTest::MatchTimeOfDay(const CResultItem& record) const {
    const CTimeOptionData& time = m_snapshot.criteria.m_TimeOptionData;
    const FILETIME* fileTime = SelectFileTime(record, time.m_iTimeOptionTypeIndex);
    if (fileTime == nullptr) {
        return true;
    }
    LocalTime file;
    if (!ToLocalTime(*fileTime, &file)) {
        return false;
    }
    if (time.m_iTimeRangeModeIndex == kTimePreviousHours) {
        FILETIME nowUtc;
        LocalTime now;
        if (!GetNow(&nowUtc) || !ToLocalTime(nowUtc, &now)) {
            return false;
        }
        return ElapsedSeconds(file, now) / kSecondsPerHour < time.m_nPrevHour ? TRUE : FALSE;
    }
    // Only the times of day count: the bounds' own dates (whatever day the
    // pickers were last set on) play no part.
    const std::int64_t t = SecondOfDay(file.fields);
    const std::int64_t from = LocalSecondOfDay(time.m_tEarliestTime);
    const std::int64_t to = LocalSecondOfDay(time.m_tLatestTime);
    if (to < from) {
        // A range over midnight.
        return t <= to || t >= from ? TRUE : FALSE;
    }
    return from <= t && t <= to ? TRUE : FALSE;
}

bool CCriteriaTest::MatchSize(const CResultItem& record) const {
    const CSizeOptionData& size = m_snapshot.criteria.m_SizeOptionData;
    if (size.m_iSizeOptionType != kSizeAtLeast && size.m_iSizeOptionType != kSizeAtMost) {
        return true;
    }
    // A size that is not known meets no size condition.
    if ((record.m_dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        (record.m_dwFlags & RIF_SIZE_UNKNOWN) != 0) {
        return false;
    }
    // Kilobytes, rounded up: a 1-byte file counts as 1 KB.
    const auto kilobytes =
        static_cast<std::int64_t>(record.m_nSize / 1024 + (record.m_nSize % 1024 != 0 ? 1 : 0));
    if (size.m_iSizeOptionType == kSizeAtLeast) {
        return kilobytes < size.m_nSize ? FALSE : TRUE;
    }
    return kilobytes > size.m_nSize ? FALSE : TRUE;
}

bool CCriteriaTest::MatchContent(const CResultItem& record) {
    if ((record.m_dwFlags & (RIF_FOLDER | RIF_NO_PATH)) != 0) {
        return false;
    }
    if ((record.m_dwFlags & RIF_IN_ARCHIVE) == 0) {
        if (!record.GetFilePath(&m_path)) {
            return false;
        }
        return MatchContentOnDisk(m_path, record.m_sName.str());
    }
    // A member has no PDF text to extract: its list names its archive.
    CSourceStream stream;
    return OpenResultStream(&stream, record) &&
                   SearchFileContent(m_snapshot.includeNodes, stream, m_stop)
               ? TRUE
               : FALSE;
}

bool CCriteriaTest::MatchContentOnDisk(const std::string& path, const std::string& name, int dirFd,
                                       const std::function<void()>& largeFile) {
    const bool pdf = IsPdfName(name);
    {
        // The stream closes when it leaves its scope, also on a fault.
        CSourceStream stream;
        if (!(dirFd >= 0 ? stream.OpenAt(dirFd, name, path) : stream.Open(path))) {
            return false;
        }
        // A file this search has read before under another name answers as
        // it did then; a PDF document's page text goes on from the states the
        // reading of its bytes leaves, so it is always read.
        CContentAnswerCache* answers = m_snapshot.contentAnswers.get();
        const zb::FileStamp* stamp = stream.GetDiskStamp();
        const bool keep = answers && stamp && !pdf && CContentAnswerCache::IsWorthKeeping(*stamp);
        if (keep) {
            if (const std::optional<bool> known = answers->Find(*stamp))
                return *known;
        }
        if (largeFile && stamp && stamp->size >= kLargeFile)
            largeFile();
        // One reading of the file; the nodes keep the states it left.
        const bool holds = SearchFileContent(m_snapshot.includeNodes, stream, m_stop) != FALSE;
        if (keep && !m_stop.load(std::memory_order_relaxed))
            answers->Store(*stamp, holds);
        if (holds) {
            return true;
        }
    }
    // A stopped search reads no further.
    if (m_stop.load(std::memory_order_relaxed) || !pdf) {
        return false;
    }
    return MatchPdfText(path);
}

BOOL CCriteriaTest::MatchPdfText(const std::string& path) {
    CTextBuffer text;
    if (!ExtractPdfText(path, &text, m_snapshot.pageTextThreads)) {
        return FALSE;
    }
    // The whole text is one 8-bit block, evaluated on top of the node states
    // that the scan of the file's bytes left.
    static const BYTE kEmpty = 0;
    const BYTE* block =
        text.GetData() != nullptr ? reinterpret_cast<const BYTE*>(text.GetData()) : &kEmpty;
    CIncludeExprNodeArray& nodes = m_snapshot.includeNodes;
    const int result = EvalIncludeBlock(nodes, block, static_cast<std::size_t>(text.GetLength()),
                                        INCLUDE_PASS_ANSI);
    // The text is all there is, so a root still undecided after it is
    // resolved as at the end of a file (a term that must be absent is).
    return result == INCLUDE_STATE_TRUE || (result == INCLUDE_STATE_UNDECIDED &&
                                            EvalIncludeFinal(nodes) == INCLUDE_STATE_TRUE)
               ? TRUE
               : FALSE;
}
