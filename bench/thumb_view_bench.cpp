// zb_thumb_view_bench: the Thumbnails view of an offscreen result list filled
// with pictures of image rows, page by page, through the thumbnail worker
// and the thumbnail library, the way the window does it. It prints how long
// filling took, the longest time the window's thread did not come round to
// its event loop (paints, layouts and the pictures put into their rows) and
// the peak memory.
//
//   zb_thumb_view_bench DIR [--rows N] [--box N] [--files N] [--sweeps N]
//                           [--cache-mib N]
//
// DIR receives --files JPEG photos of 1024 x 768 (made once); the --rows rows
// (10,000 unless told) name them in turn. The list is scrolled over whole
// --sweeps times (1 unless told), down and up in turn, and each sweep must
// show every row with its picture. --cache-mib bounds the pictures kept
// (the window's bound unless told).
#include <QAbstractItemView>
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ThumbnailLoader.h"
#include "platform/shell/ShellApi.h"
#include "readers/details/ImageThumbnailProvider.h"

namespace {

// A photo-like picture that differs per file: colour fields and circles.
bool WritePhoto(const QString& path, int seed) {
    QImage image(1024, 768, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 1024, 768);
    gradient.setColorAt(0, QColor::fromHsv(seed * 37 % 360, 160, 220));
    gradient.setColorAt(1, QColor::fromHsv(seed * 91 % 360, 200, 90));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 12; ++i) {
        painter.setBrush(QColor::fromHsv((seed * 13 + i * 29) % 360, 180, 200));
        painter.drawEllipse(QPoint((seed * 71 + i * 97) % 1024, (seed * 53 + i * 61) % 768), 60,
                            40 + i * 5);
    }
    painter.end();
    return image.save(path, "JPEG", 90);
}

std::vector<std::string> MakeCorpus(const QString& folder, int files) {
    QDir().mkpath(folder);
    std::vector<std::string> names;
    for (int i = 0; i < files; ++i) {
        const QString name = QStringLiteral("photo-%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        const QString path = QDir(folder).filePath(name);
        if (!QFile::exists(path) && !WritePhoto(path, i)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        names.push_back(name.toStdString());
    }
    return names;
}

// The image maker, counting the pictures it is asked for.
class CountingMaker : public CImageThumbnailProvider {
public:
    using CImageThumbnailProvider::CImageThumbnailProvider;
    BOOL MakeThumbnail(const CProviderItem& item, CBitmap* bitmap, SIZE maxSize) override {
        ++m_calls;
        return CImageThumbnailProvider::MakeThumbnail(item, bitmap, maxSize);
    }
    int Calls() const { return m_calls.load(); }

private:
    std::atomic<int> m_calls{0};
};

int Option(int argc, char** argv, const char* name, int fallback) {
    for (int i = 2; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == name)
            return std::atoi(argv[i + 1]);
    }
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: zb_thumb_view_bench DIR [--rows N] [--box N] [--files N] "
                     "[--sweeps N] [--cache-mib N]\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const int rowCount = Option(argc, argv, "--rows", 10000);
    const int box = Option(argc, argv, "--box", 128);
    const std::vector<std::string> files = MakeCorpus(folder, Option(argc, argv, "--files", 500));
    const int sweeps = std::max(1, Option(argc, argv, "--sweeps", 1));

    CResultListModel model(nullptr);
    CResultListCtrl list(&model);
    CThumbnailLoader loader(&model, &list);
    const int cacheMiB = Option(argc, argv, "--cache-mib", 0);
    if (cacheMiB > 0)
        loader.SetPictureByteLimit(static_cast<std::size_t>(cacheMiB) << 20);
    auto counting = std::make_unique<CountingMaker>(ZEMBROLT_THUMB_LIBRARY_DIR);
    const CountingMaker* maker = counting.get();
    CThumbnailProviderList makers;
    makers.push_back(std::move(counting));
    makers.back()->InitExtensions();
    loader.Queue().SetProviders(std::move(makers));

    auto results = std::make_shared<CResultArray>();
    model.SetResults(results);
    zb::ComPtr<IShellFolder> desktop;
    SHGetDesktopFolder(&desktop);
    for (int i = 0; i < rowCount; ++i) {
        CResultItem record;
        record.m_sName = files[static_cast<std::size_t>(i) % files.size()];
        record.m_sFolder = folder.toStdString();
        LPITEMIDLIST full = nullptr;
        desktop->ParseDisplayName(record.m_sFolder + "/" + record.m_sName, nullptr, &full, nullptr);
        record.SetFullPidl(PidlPtr(full));
        results->Append(std::move(record));
    }
    model.InsertRows(results, 0, results->GetCount());
    list.resize(1000, 700);
    list.show();
    QApplication::processEvents();

    // The longest time the event loop did not come round.
    QElapsedTimer tick;
    double longestStall = 0;
    int stallsOver50 = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (tick.isValid()) {
            const double stall = static_cast<double>(tick.nsecsElapsed()) / 1e6;
            longestStall = std::max(longestStall, stall);
            stallsOver50 += stall > 50 ? 1 : 0;
        }
        tick.start();
    });

    // Once every row in sight has its picture (or failed), the next page;
    // at either end of the list the next sweep goes the other way.
    std::vector<int> shownInSweep(static_cast<std::size_t>(rowCount), -1);
    std::vector<int> shownCounts;
    int shown = 0;
    int failed = 0;
    int pages = 0;
    bool down = true;
    QTimer pager;
    pager.setInterval(5);
    QObject::connect(&pager, &QTimer::timeout, [&] {
        int first = 0;
        int last = -1;
        list.GetVisibleRows(&first, &last);
        for (int row = first; row <= last; ++row) {
            if (model.GetRecord(row)->m_iThumbnailState == THUMBNAIL_NONE)
                return;
        }
        // The rows in sight count for the sweep under way.
        const auto countShown = [&] {
            const int sweep = static_cast<int>(shownCounts.size());
            for (int row = first; row <= last; ++row) {
                int& seen = shownInSweep[static_cast<std::size_t>(row)];
                if (seen == sweep)
                    continue;
                seen = sweep;
                ++shown;
                failed += model.GetRecord(row)->m_iThumbnailState == THUMBNAIL_FAILED ? 1 : 0;
            }
        };
        countShown();
        QScrollBar* bar = list.GetCurrentView()->verticalScrollBar();
        if (down ? last >= rowCount - 1 : first == 0) {
            shownCounts.push_back(shown);
            shown = 0;
            down = !down;
            if (static_cast<int>(shownCounts.size()) == sweeps) {
                app.quit();
                return;
            }
            // The next sweep starts with the rows in sight.
            countShown();
        }
        bar->setValue(bar->value() + (down ? bar->pageStep() : -bar->pageStep()));
        ++pages;
    });

    QElapsedTimer total;
    total.start();
    list.SetThumbnailView(QSize(box, box));
    ticker.start();
    pager.start();
    app.exec();
    const double seconds = static_cast<double>(total.nsecsElapsed()) / 1e9;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const CThumbnailCache& pictures = loader.Pictures();
    std::printf("rows:                      %d (%zu files, box %d)\n", rowCount, files.size(), box);
    std::printf("sweeps:                    %d (%d pages)\n", sweeps, pages);
    bool complete = true;
    for (std::size_t i = 0; i < shownCounts.size(); ++i) {
        std::printf("rows shown, sweep %zu:       %d\n", i + 1, shownCounts[i]);
        complete = complete && shownCounts[i] == rowCount;
    }
    std::printf("pictures made / failed:    %d / %d\n", maker->Calls(), failed);
    std::printf("pictures kept at the end:  %zu (%.1f MiB, bound %.1f MiB)\n", pictures.GetCount(),
                static_cast<double>(pictures.GetBytes()) / 1048576.0,
                static_cast<double>(pictures.GetByteLimit()) / 1048576.0);
    std::printf("all sweeps (s):            %.2f (%.2f ms a row shown)\n", seconds,
                seconds * 1000 / (static_cast<double>(rowCount) * sweeps));
    std::printf("longest loop stall (ms):   %.1f\n", longestStall);
    std::printf("stalls over 50 ms:         %d\n", stallsOver50);
    std::printf("peak memory (MiB):         %.1f\n", usage.ru_maxrss / 1024.0);
    return complete ? 0 : 1;
}
