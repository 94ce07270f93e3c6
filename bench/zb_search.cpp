// zb_search: runs the search engine without a window on one folder and reports
// how many results it found, how long the search took and how much memory the
// process needed at its peak.
//
//   zb_search <folder> [--name PATTERNS] [--text STRING] [--regex] [--case]
//             [--word] [--name-case] [--only-files] [--no-subfolders]
//             [--no-archives] [--depth N] [--min-kb N] [--max-kb N]
//             [--limit N] [--threads N] [--thread] [--columns IDS] [--print]
//
// The criteria are those of the search window: --name is the file-name field
// (patterns split at blanks, ',' and ';'; case ignored unless --name-case),
// --text the contained-text field (one literal term, or with --regex an
// expression such as "{alpha & beta} | gamma"; --case and --word apply to its
// terms). Archives are searched unless --no-archives. --limit 0 (the default)
// means no result limit. --threads N sets how many threads list folders and
// test files ahead of the walk, and read archives during a content search
// (0: the walk does everything itself; default: one per processor beside
// the walk's).
// The search runs on the calling thread, or with --thread on the engine's own
// search thread as the window starts it. As in the window, the detail
// providers fill the detail columns of every result: those of the columns
// --columns lists (column ids joined by ',', e.g. 1001,2,50), else of the
// columns the window shows by default (none of them a detail column).

#include <sys/resource.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "app/engine/DetailColumns.h"
#include "app/engine/SearchData.h"
#include "app/engine/SearchEngine.h"
#include "app/engine/SearchHost.h"

namespace {

// A host with no window: counts the rows handed over and prints messages.
class CCountingSearchHost : public ISearchHost, public IResultListView {
public:
    void DeleteAllRows(const std::shared_ptr<CResultArray>&) override { m_rows.store(0); }
    void InsertRows(const std::shared_ptr<CResultArray>&, std::size_t, std::size_t count) override {
        m_rows.fetch_add(count);
    }
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "zb_search: %s\n", text.c_str());
    }
    void SetSearchButtonState(bool) override {}
    void SetStatusText(const std::string&) override {}
    void SetLookInText(const std::string&) override {}
    void BeginSearchUi() override {}
    void EndSearchUi() override {}
    void RemoveDupNoColumn() override {}
    void BringToFront() override {}
    void SearchEnded() override {}

    std::size_t GetRows() const { return m_rows.load(); }

private:
    std::atomic<std::size_t> m_rows{0};
};

struct Options {
    CSearchData criteria;
    int limit = 0;
    int scanThreads = -1;
    bool thread = false;
    bool print = false;
    CColumnInfoArray columns;  // empty: the default columns
};

// "1001,2,50" as the table rows of those ids; false for an id the table lacks.
bool ParseColumns(const char* text, CColumnInfoArray& columns) {
    columns.clear();
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view part = rest.substr(0, comma);
        int id = 0;
        const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), id);
        const COLUMNINFO* info = GetColumnInfo(id);
        if (ec != std::errc() || end != part.data() + part.size() || info == nullptr)
            return false;
        columns.push_back(*info);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return !columns.empty();
}

bool ParseInt(const char* text, int& value) {
    const std::string_view s = text;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && value >= 0;
}

void Usage() {
    std::fprintf(
        stderr,
        "usage: zb_search <folder> [--name PATTERNS] [--text STRING] [--regex] [--case]\n"
        "                 [--word] [--name-case] [--only-files] [--no-subfolders]\n"
        "                 [--no-archives] [--depth N] [--min-kb N] [--max-kb N]\n"
        "                 [--limit N] [--threads N] [--thread] [--columns IDS] [--print]\n");
}

bool ParseArgs(int argc, char** argv, Options& options) {
    CSearchData& c = options.criteria;
    c.Reset();
    CGeneralOptionData& general = c.m_GeneralOptionData;
    CIncludeStringData& include = c.m_IncludeStringData;
    bool haveFolder = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        int number = 0;
        const auto numberArg = [&]() {
            if (!hasValue || !ParseInt(argv[++i], number)) {
                std::fprintf(stderr, "zb_search: %s needs a number\n", arg.data());
                return false;
            }
            return true;
        };
        if (arg == "--name" && hasValue) {
            c.m_MainData.m_sFindString = argv[++i];
        } else if (arg == "--text" && hasValue) {
            include.m_sIncludeStr = argv[++i];
        } else if (arg == "--regex") {
            include.m_bRegularExpression = TRUE;
        } else if (arg == "--case") {
            include.m_bMatchCase = TRUE;
        } else if (arg == "--word") {
            include.m_bMatchWholeWord = TRUE;
        } else if (arg == "--name-case") {
            general.m_bCaseSensitive = TRUE;
        } else if (arg == "--only-files") {
            general.m_bOnlyFiles = TRUE;
        } else if (arg == "--no-subfolders") {
            general.m_bIncludeSubFolder = FALSE;
        } else if (arg == "--no-archives") {
            general.m_bSearhInCompressedFiles = FALSE;
        } else if (arg == "--depth") {
            if (!numberArg())
                return false;
            general.m_bLimitDepth = TRUE;
            general.m_nSearchDepth = number;
        } else if (arg == "--min-kb" || arg == "--max-kb") {
            if (!numberArg())
                return false;
            c.m_SizeOptionData.m_nSize = number;
            c.m_SizeOptionData.m_iSizeOptionType = arg == "--min-kb" ? 1 : 2;
        } else if (arg == "--limit") {
            if (!numberArg())
                return false;
            options.limit = number;
        } else if (arg == "--threads") {
            if (!numberArg())
                return false;
            options.scanThreads = number;
        } else if (arg == "--thread") {
            options.thread = true;
        } else if (arg == "--columns") {
            if (!hasValue || !ParseColumns(argv[++i], options.columns)) {
                std::fprintf(stderr, "zb_search: --columns needs column ids joined by ','\n");
                return false;
            }
        } else if (arg == "--print") {
            options.print = true;
        } else if (!arg.empty() && arg[0] != '-' && !haveFolder) {
            c.m_MainData.m_sFindRootPath = argv[i];
            haveFolder = true;
        } else {
            std::fprintf(stderr, "zb_search: unknown argument %s\n", argv[i]);
            return false;
        }
    }
    return haveFolder;
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void PrintResults(CSearchEngine& engine) {
    CResultList& list = engine.GetResultList();
    for (std::size_t i = 0; i < list.GetCount(); ++i) {
        const CResultItem& record = list.GetAt(i);
        const char separator = (record.m_dwFlags & RIF_IN_ARCHIVE) ? '\\' : '/';
        std::printf("%s%c%s\n", record.m_sFolder.c_str(), separator, record.m_sName.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArgs(argc, argv, options)) {
        Usage();
        return 2;
    }

    CSearchRequest request;
    const SearchRequestResult prepared = PrepareSearchRequest(options.criteria, &request);
    if (!prepared.Ok()) {
        std::fprintf(stderr, "zb_search: %s\n", prepared.message.c_str());
        return 1;
    }
    request.resultLimit = options.limit;
    request.scanThreads = options.scanThreads;

    CDetailColumns columns;
    columns.EnsureProviders();
    if (!options.columns.empty())
        columns.SetVisibleColumns(options.columns);
    CCountingSearchHost host;
    CSearchEngine engine(&host, &host);
    engine.SetDetailColumns(&columns);
    const long rssBefore = PeakRssKb();
    const auto started = std::chrono::steady_clock::now();
    if (options.thread) {
        engine.StartSearch(std::move(request));
        engine.WaitForSearch();
    } else {
        engine.RunSearch(std::move(request));
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    const long rssPeak = PeakRssKb();

    if (options.print)
        PrintResults(engine);
    const std::size_t results = engine.GetResultList().GetCount();
    const auto perResult = [&](double bytes) {
        return results > 0 ? bytes / static_cast<double>(results) : 0.0;
    };
    std::fprintf(
        stderr,
        "results %zu (rows handed to the host %zu)\n"
        "wall %.3f s\n"
        "peak RSS %ld KB (%ld KB before the search)\n"
        "RSS per result %.0f bytes\n"
        "stored per result %.0f bytes (record blocks and arena)\n",
        results, host.GetRows(), elapsed.count(), rssPeak, rssBefore,
        perResult(static_cast<double>(rssPeak - rssBefore) * 1024.0),
        perResult(static_cast<double>(engine.GetResultList().GetResults()->GetReservedBytes())));
    return 0;
}
