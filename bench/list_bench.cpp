// Feeds a million result records through the result list the way a search
// does (InsertRows from another thread, batches of 1024) into an offscreen
// result list control, and prints how long the window's thread needs for it,
// for sorting, selecting and switching views, and the memory per row.
#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"

namespace {

constexpr std::size_t kRows = 1000000;
constexpr std::size_t kBatch = 1024;

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

template <class F>
double Millis(F&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    CResultListModel model(nullptr);
    CResultListCtrl ctrl(&model);
    ctrl.resize(1000, 700);
    ctrl.show();
    auto results = std::make_shared<CResultArray>();
    model.SetResults(results);
    const long before = ResidentBytes();

    // The window thread's longest stretch inside one batch.
    QElapsedTimer batchTimer;
    double longestBatch = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeInserted,
                     [&] { batchTimer.start(); });
    QObject::connect(&model, &CResultListModel::RowsAppended, [&] {
        longestBatch = std::max(longestBatch, static_cast<double>(batchTimer.nsecsElapsed()) / 1e6);
    });
    // The longest time the event loop did not come round (layouts, paints).
    QElapsedTimer tick;
    double longestStall = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (tick.isValid())
            longestStall = std::max(longestStall, static_cast<double>(tick.nsecsElapsed()) / 1e6);
        tick.start();
    });
    ticker.start();

    QElapsedTimer total;
    total.start();
    std::thread search([&] {
        std::mt19937 random(42);
        std::size_t first = 0;
        for (std::size_t i = 0; i < kRows; ++i) {
            CResultItem record;
            record.m_sName = "file" + std::to_string(random() % 1000000) + ".dat";
            record.m_sFolder = "/data/folder" + std::to_string(i / 500);
            record.m_sTypeName = "DAT File";
            record.m_nSize = random() % 100000000;
            record.m_dwFlags = i % 50 == 0 ? RIF_FOLDER : 0;
            record.m_ftLastWrite = FILETIME::FromValue(132000000000000000ull + random());
            results->Append(std::move(record));
            if (i + 1 - first == kBatch || i + 1 == kRows) {
                model.InsertRows(results, first, i + 1 - first);
                first = i + 1;
            }
        }
    });
    QObject::connect(&model, &CResultListModel::RowsAppended, [&] {
        if (static_cast<std::size_t>(model.rowCount()) == kRows)
            app.quit();
    });
    app.exec();
    const double allIn = static_cast<double>(total.nsecsElapsed()) / 1e6;
    search.join();
    ticker.stop();
    QApplication::processEvents();
    const long after = ResidentBytes();

    std::printf("rows in model:            %zu\n", static_cast<std::size_t>(model.rowCount()));
    std::printf("all rows in (ms):         %.1f\n", allIn);
    std::printf("longest batch (ms):       %.3f\n", longestBatch);
    std::printf("longest loop stall (ms):  %.1f\n", longestStall);
    std::printf("sort by name (ms):        %.1f\n",
                Millis([&] { ctrl.OnColumnClick(model.FindVisibleColumn(COLUMN_ID_NAME)); }));
    std::printf("reverse by name (ms):     %.1f\n",
                Millis([&] { ctrl.OnColumnClick(model.FindVisibleColumn(COLUMN_ID_NAME)); }));
    std::printf("sort by size (ms):        %.1f\n",
                Millis([&] { ctrl.OnColumnClick(model.FindVisibleColumn(COLUMN_ID_SIZE)); }));
    std::printf("select all (ms):          %.1f\n", Millis([&] { ctrl.SelectAll(); }));
    std::printf("sort, all selected (ms):  %.1f\n",
                Millis([&] { ctrl.OnColumnClick(model.FindVisibleColumn(COLUMN_ID_NAME)); }));
    std::printf("invert selection (ms):    %.1f\n", Millis([&] { ctrl.InvertSelection(); }));
    for (const ViewCommand& command : kViewCommands) {
        std::printf("switch to %-13s (ms): %.1f\n", command.text, Millis([&] {
                        ctrl.OnViewCommand(command.id);
                        ctrl.repaint();
                        QApplication::processEvents();
                    }));
    }
    std::printf("RSS per row (bytes):      %.1f (records included)\n",
                static_cast<double>(after - before) / static_cast<double>(kRows));
    return 0;
}
