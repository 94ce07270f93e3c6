// Feeds result records through the result list the way a search does
// (InsertRows from another thread, batches of 1024) into an offscreen result
// list control, and prints how long the window's thread needs for it, for
// sorting, selecting and switching views, the longest time its event loop
// stalled, and the memory per row.
//
//   zb_list_bench [--rows N] [--tree FOLDER]
//
// --rows: how many rows (default 1,000,000). --tree: the names and folders
// of the rows are those of the entries below FOLDER, taken again and again
// (each pass as a copy of its own, "/copy<n>" in front of its folders) until
// there are enough, so that the texts and item lists have the lengths of a
// real tree; without it, short made-up names in folders of 500. Records are
// made as the walk makes them: a folder's absolute list and the item, the
// folder's text, a type name per extension.
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "platform/shell/ShellItem.h"

namespace {

constexpr std::size_t kBatch = 1024;

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

double MillisSince(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

template <class F>
double Millis(F&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return MillisSince(timer);
}

// The entries of a real tree: each folder's path and the names in it.
struct TreeNames {
    std::vector<std::string> folders;
    std::vector<std::pair<std::size_t, std::string>> entries;  // folder index, name
};

TreeNames ReadTree(const std::string& root) {
    namespace fs = std::filesystem;
    TreeNames tree;
    std::vector<std::pair<std::string, std::size_t>> pending{{root, 0}};
    tree.folders.push_back(root);
    while (!pending.empty()) {
        const auto [path, index] = pending.back();
        pending.pop_back();
        std::error_code error;
        for (fs::directory_iterator it(path, error), end; !error && it != end;
             it.increment(error)) {
            tree.entries.emplace_back(index, it->path().filename().string());
            if (it->is_directory(error) && !it->is_symlink(error)) {
                tree.folders.push_back(it->path().string());
                pending.emplace_back(it->path().string(), tree.folders.size() - 1);
            }
        }
    }
    return tree;
}

// The absolute list of a folder path, one entry item a part.
PidlPtr FolderList(std::string_view path) {
    PidlPtr list(ILAlloc(2));
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        if (end > at) {
            PidlPtr item(zb::MakeItemList(zb::ItemKind::Entry, 2, path.substr(at, end - at)));
            list.reset(ILAppendID(list.get(), item.get()));
        }
        at = end + 1;
    }
    return list;
}

std::string TypeName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size())
        return "File";
    std::string type(name.substr(dot + 1));
    for (char& c : type)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return type + " File";
}

// Makes `rows` records one after the other, folder by folder.
class CRecordMaker {
public:
    explicit CRecordMaker(TreeNames tree) : m_tree(std::move(tree)) {}

    CResultItem Next(std::size_t i) {
        if (m_tree.entries.empty())
            return MadeUp(i);
        const auto& [folderIndex, name] = m_tree.entries[i % m_tree.entries.size()];
        const std::size_t copy = i / m_tree.entries.size();
        if (folderIndex != m_folderIndex || copy != m_copy || !m_folderList) {
            m_folderIndex = folderIndex;
            m_copy = copy;
            m_folderText = "/copy" + std::to_string(copy) + m_tree.folders[folderIndex];
            m_folderList = FolderList(m_folderText);
        }
        return Record(name, m_folderText, i);
    }

private:
    CResultItem MadeUp(std::size_t i) {
        if (i % 500 == 0 || !m_folderList) {
            m_folderText = "/data/folder" + std::to_string(i / 500);
            m_folderList = FolderList(m_folderText);
        }
        return Record("file" + std::to_string(m_random() % 1000000) + ".dat", m_folderText, i);
    }

    CResultItem Record(const std::string& name, const std::string& folder, std::size_t i) {
        CResultItem record;
        record.SetItemListsIn(PidlPtr(zb::MakeItemList(zb::ItemKind::Entry, 1, name)),
                              m_folderList.get());
        record.m_sName = name;
        record.m_sFolder = folder;
        record.m_sTypeName = TypeName(name);
        record.m_nSize = m_random() % 100000000;
        record.m_dwFlags = i % 50 == 0 ? RIF_FOLDER : 0;
        record.m_iIcon = 0;
        record.m_ftLastWrite = FILETIME::FromValue(132000000000000000ull + m_random());
        return record;
    }

    TreeNames m_tree;
    std::mt19937 m_random{42};
    std::size_t m_folderIndex = 0;
    std::size_t m_copy = 0;
    std::string m_folderText;
    PidlPtr m_folderList;
};

bool ParseCount(const char* text, std::size_t* value) {
    const std::string_view s = text;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *value);
    return ec == std::errc() && end == s.data() + s.size() && *value > 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t rows = 1000000;
    std::string treeRoot;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--rows" && i + 1 < argc && ParseCount(argv[i + 1], &rows)) {
            ++i;
        } else if (arg == "--tree" && i + 1 < argc) {
            treeRoot = argv[++i];
        } else {
            std::fprintf(stderr, "usage: zb_list_bench [--rows N] [--tree FOLDER]\n");
            return 2;
        }
    }
    TreeNames tree;
    if (!treeRoot.empty()) {
        tree = ReadTree(treeRoot);
        std::printf("tree:                     %s (%zu entries in %zu folders)\n", treeRoot.c_str(),
                    tree.entries.size(), tree.folders.size());
    }

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    CResultListModel model(nullptr);
    CResultListCtrl ctrl(&model);
    ctrl.resize(1000, 700);
    ctrl.show();
    auto results = std::make_shared<CResultArray>();
    model.SetResults(results);
    QApplication::processEvents();
    const long before = ResidentBytes();

    // The window thread's longest stretch inside one batch.
    QElapsedTimer batchTimer;
    double longestBatch = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeInserted,
                     [&] { batchTimer.start(); });
    QObject::connect(&model, &CResultListModel::RowsAppended,
                     [&] { longestBatch = std::max(longestBatch, MillisSince(batchTimer)); });
    // The longest time the event loop did not come round (layouts, paints,
    // sorting), measured while it runs.
    QElapsedTimer tick;
    double longestStall = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (tick.isValid())
            longestStall = std::max(longestStall, MillisSince(tick));
        tick.start();
    });
    ticker.start();
    // A step's time and the longest stall of the loop during it: the loop
    // has come round just before it, and comes round once after it (a step
    // that lets no event through stalls the loop for all of its time).
    const auto stallOf = [&](auto&& work) {
        tick.invalidate();
        while (!tick.isValid())
            QApplication::processEvents();
        longestStall = 0;
        const double took = Millis(work);
        QApplication::processEvents();
        return std::pair{took, longestStall};
    };

    QElapsedTimer total;
    total.start();
    std::thread search([&] {
        CRecordMaker maker(std::move(tree));
        std::size_t first = 0;
        for (std::size_t i = 0; i < rows; ++i) {
            results->Append(maker.Next(i));
            if (i + 1 - first == kBatch || i + 1 == rows) {
                model.InsertRows(results, first, i + 1 - first);
                first = i + 1;
            }
        }
    });
    QObject::connect(&model, &CResultListModel::RowsAppended, [&] {
        if (static_cast<std::size_t>(model.rowCount()) == rows)
            app.quit();
    });
    app.exec();
    const double allIn = MillisSince(total);
    const double appendStall = longestStall;
    search.join();
    QApplication::processEvents();
    const long filled = ResidentBytes();

    std::printf("rows in model:            %zu\n", static_cast<std::size_t>(model.rowCount()));
    std::printf("all rows in (ms):         %.1f\n", allIn);
    std::printf("longest batch (ms):       %.3f\n", longestBatch);
    std::printf("longest loop stall (ms):  %.1f\n", appendStall);
    std::printf("RSS per row (bytes):      %.1f (records and rows)\n",
                static_cast<double>(filled - before) / static_cast<double>(rows));
    std::printf("stored per row (bytes):   %.1f (record blocks and arena)\n",
                static_cast<double>(results->GetReservedBytes()) / static_cast<double>(rows));
    const auto timed = [&](const char* what, auto&& work) {
        const auto [took, stall] = stallOf(work);
        std::printf("%-26s%.1f (longest loop stall %.1f ms)\n", what, took, stall);
    };
    const auto click = [&](int id) {
        return [&ctrl, &model, id] { ctrl.OnColumnClick(model.FindVisibleColumn(id)); };
    };
    timed("sort by name (ms):", click(COLUMN_ID_NAME));
    timed("reverse by name (ms):", click(COLUMN_ID_NAME));
    timed("sort by size (ms):", click(COLUMN_ID_SIZE));
    timed("select all (ms):", [&] { ctrl.SelectAll(); });
    timed("sort, all selected (ms):", click(COLUMN_ID_NAME));
    timed("invert selection (ms):", [&] { ctrl.InvertSelection(); });
    for (const ViewCommand& command : kViewCommands) {
        const std::string label = std::string("switch to ") + command.text + " (ms):";
        // The list and icon views lay out in batches while the loop turns:
        // the step ends when the last row has its place.
        timed(label.c_str(), [&] {
            ctrl.OnViewCommand(command.id);
            ctrl.repaint();
            QAbstractItemView* view = ctrl.GetCurrentView();
            const QModelIndex last = model.index(model.rowCount() - 1, 0);
            do
                QApplication::processEvents();
            while (view->visualRect(last).isEmpty());
        });
    }
    std::printf("RSS per row (bytes):      %.1f (after sorting and selecting)\n",
                static_cast<double>(ResidentBytes() - before) / static_cast<double>(rows));
    return 0;
}
