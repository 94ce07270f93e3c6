// zb_thumb_view_bench: the Thumbnails view of an offscreen result list filled
// with pictures of image rows, page by page, through the thumbnail worker
// and the thumbnail library, the way the window does it. It prints how long
// filling took and the longest time the window's thread did not come round
// to its event loop (paints, layouts and the pictures put into their rows).
//
//   zb_thumb_view_bench DIR [--rows N] [--box N] [--files N]
//
// DIR receives --files JPEG photos of 1024 x 768 (made once); the --rows rows
// (10,000 unless told) name them in turn.
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
        std::fprintf(stderr, "usage: zb_thumb_view_bench DIR [--rows N] [--box N] [--files N]\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const int rowCount = Option(argc, argv, "--rows", 10000);
    const int box = Option(argc, argv, "--box", 128);
    const std::vector<std::string> files = MakeCorpus(folder, Option(argc, argv, "--files", 500));

    CResultListModel model(nullptr);
    CResultListCtrl list(&model);
    CThumbnailLoader loader(&model, &list);
    CThumbnailProviderList makers;
    makers.push_back(std::make_unique<CImageThumbnailProvider>(ZEMBROLT_THUMB_LIBRARY_DIR));
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

    // Once every row in sight has its picture (or failed), the next page.
    int made = 0;
    int failed = 0;
    int pages = 0;
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
        if (last >= rowCount - 1) {
            for (std::size_t i = 0; i < results->GetCount(); ++i) {
                made += results->GetAt(i).m_iThumbnailState == THUMBNAIL_MADE ? 1 : 0;
                failed += results->GetAt(i).m_iThumbnailState == THUMBNAIL_FAILED ? 1 : 0;
            }
            app.quit();
            return;
        }
        QScrollBar* bar = list.GetCurrentView()->verticalScrollBar();
        bar->setValue(bar->value() + bar->pageStep());
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
    std::printf("rows:                      %d (%zu files, box %d)\n", rowCount, files.size(), box);
    std::printf("pictures made / failed:    %d / %d\n", made, failed);
    std::printf("pages scrolled:            %d\n", pages);
    std::printf("all rows filled (s):       %.2f (%.2f ms a row)\n", seconds,
                seconds * 1000 / rowCount);
    std::printf("longest loop stall (ms):   %.1f\n", longestStall);
    std::printf("stalls over 50 ms:         %d\n", stallsOver50);
    std::printf("peak memory (MiB):         %.1f\n", usage.ru_maxrss / 1024.0);
    return made + failed == rowCount ? 0 : 1;
}
