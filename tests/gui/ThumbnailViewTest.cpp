// The main window's Thumbnails view over a real folder of pictures, a clip
// and a Photoshop document: every row gets its preview from the program's
// own thumbnail makers (the images through the thumbnail library beside the
// test program), and the view draws those previews, not the file icons.
#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "app/ResultItemDelegate.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ThumbnailLoader.h"
#include "app/ZembroltDlg.h"
#include "gui/FreshUserFolders.h"
#include "gui/GuiTestRegistry.h"
#include "gui/ResultRowsSupport.h"

namespace {

// One file of each kind the makers take, and one they do not.
const char* const kPreviewed[] = {
    "jpeg/hopper.jpg", "png/basn2c16.png",    "gif/porsche.gif",
    "bmp/rgb24.bmp",   "tiff/hopper_lzw.tif", "tga/200x32_rgb_bl_raw.tga",
    "pcx/pil184.pcx",  "pgm/hopper_8bit.pgm", "pict/qt_mire.pict",
    "wmf/test.wmf",    "emf/drawing.emf",     "avi/test.avi",
    "psd/hopper.psd",
};
const char* const kNotPreviewed = "notes.txt";

// The share of the picture's pixels that the shot shows unchanged with the
// picture's top left corner at `origin`.
double ShownShare(const QImage& shot, const CBitmap& picture, const QPoint& origin) {
    int same = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const QPoint at = origin + QPoint(x, y);
            if (shot.rect().contains(at) &&
                (shot.pixel(at) & 0xFFFFFFu) == (picture.Row(y)[x] & 0xFFFFFFu))
                ++same;
        }
    }
    return static_cast<double>(same) / (static_cast<double>(picture.Width()) * picture.Height());
}

int DistinctColours(const CBitmap& picture) {
    QSet<std::uint32_t> colours;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x)
            colours.insert(picture.Row(y)[x] & 0xFFFFFFu);
    }
    return static_cast<int>(colours.size());
}

}  // namespace

class ThumbnailViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<zbtest::FreshUserFolders> m_userFolders;

private slots:
    void init() { m_userFolders = std::make_unique<zbtest::FreshUserFolders>(); }

    void aFolderOfPicturesClipsAndDocumentsShowsTheirPreviews() {
        QTemporaryDir folder;
        for (const char* sample : kPreviewed) {
            const QString name = QString::fromLatin1(sample).section(QLatin1Char('/'), -1);
            QVERIFY(QFile::copy(QStringLiteral(ZEMBROLT_TESTDATA "/") + QLatin1String(sample),
                                folder.filePath(name)));
        }
        QFile text(folder.filePath(QLatin1String(kNotPreviewed)));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("no picture here\n");
        text.close();

        zbgui::QuietDlg window;
        window.resize(1000, 700);
        window.show();
        QVERIFY(window.SetLookIn(folder.path()));
        window.ListFolderAll();
        const int rows = static_cast<int>(std::size(kPreviewed)) + 1;
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), rows);
        CResultListCtrl* list = window.ResultList();
        QVERIFY(list->OnViewCommand(ID_VIEW_THUMBNAILS));
        QAbstractItemView* view = list->GetCurrentView();
        auto* delegate = static_cast<CResultItemDelegate*>(view->itemDelegate());
        const QSize box = list->GetThumbnailSize();

        int previews = 0;
        for (int row = 0; row < rows; ++row) {
            const CResultItem* record = window.ResultModel()->GetRecord(row);
            const QString name = QString::fromStdString(record->m_sName.str());
            // Only rows in sight are made: bring each one into view.
            const QModelIndex index = window.ResultModel()->index(row, 0);
            view->scrollTo(index);
            QTRY_VERIFY_WITH_TIMEOUT(record->m_iThumbnailState != THUMBNAIL_NONE, 20000);
            if (name == QLatin1String(kNotPreviewed)) {
                QCOMPARE(record->m_iThumbnailState, THUMBNAIL_FAILED);
                continue;
            }
            QVERIFY2(record->m_iThumbnailState == THUMBNAIL_MADE, qPrintable(name));
            const CBitmap* made =
                window.Thumbnails()->Pictures().Find(window.ResultModel()->GetRowRecord(row).index);
            QVERIFY2(made != nullptr, qPrintable(name));
            const CBitmap& picture = *made;
            QVERIFY2(picture.Width() <= box.width() && picture.Height() <= box.height(),
                     qPrintable(name));
            // A real picture, not a blank.
            QVERIFY2(DistinctColours(picture) >= 2, qPrintable(name));

            // The view shows the preview itself, centred in the row's frame
            // (a small type icon may cover one corner).
            view->viewport()->repaint();
            const QImage shot =
                view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRect frame = delegate->ThumbnailFrame(view->visualRect(index));
            const QPoint origin(frame.left() + (frame.width() - picture.Width()) / 2,
                                frame.top() + (frame.height() - picture.Height()) / 2);
            const double shown = ShownShare(shot, picture, origin);
            QVERIFY2(shown > 0.8, qPrintable(QStringLiteral("%1: %2").arg(name).arg(shown)));
            ++previews;
        }
        QCOMPARE(previews, rows - 1);
    }
};

ZB_GUI_TEST(ThumbnailViewTest);
#include "ThumbnailViewTest.moc"
