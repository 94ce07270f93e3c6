#include "app/ThumbnailLoader.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QImage>
#include <QTest>

#include <atomic>
#include <string>
#include <vector>

#include "app/ResultItemDelegate.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "gui/GuiTestRegistry.h"

namespace {

// Paints every ".jpg" but "bad.jpg" pure red, and counts its calls (and
// those for "bad.jpg").
class RedMaker : public CThumbnailProvider {
public:
    RedMaker(std::atomic<int>* calls, std::atomic<int>* badCalls)
        : m_calls(calls), m_badCalls(badCalls) {
        InitExtensions();
    }
    BOOL InitExtensions() override {
        m_arrExtensions = {"jpg"};
        return TRUE;
    }
    BOOL MakeThumbnail(const CProviderItem& item, CBitmap* bitmap, SIZE maxSize) override {
        ++*m_calls;
        if (item.m_sName == "bad.jpg") {
            ++*m_badCalls;
            return FALSE;
        }
        *bitmap = CBitmap(maxSize.cx / 2, maxSize.cy / 2);
        for (int y = 0; y < bitmap->Height(); ++y) {
            for (int x = 0; x < bitmap->Width(); ++x)
                bitmap->Row(y)[x] = 0x00FF0000u;
        }
        return TRUE;
    }

private:
    std::atomic<int>* m_calls;
    std::atomic<int>* m_badCalls;
};

struct Fixture {
    CResultListModel model{nullptr};
    std::shared_ptr<CResultArray> results = std::make_shared<CResultArray>();
    CResultListCtrl list{&model};
    CThumbnailLoader loader{&model, &list};
    std::atomic<int> calls{0};
    std::atomic<int> badCalls{0};

    explicit Fixture(const std::vector<std::string>& names) {
        CThumbnailProviderList makers;
        makers.push_back(std::make_unique<RedMaker>(&calls, &badCalls));
        loader.Queue().SetProviders(std::move(makers));
        model.SetResults(results);
        for (const std::string& name : names) {
            CResultItem record;
            record.m_sName = name;
            record.m_sFolder = "/pictures";
            results->Append(std::move(record));
        }
        model.InsertRows(results, 0, results->GetCount());
        QCoreApplication::processEvents();
        list.resize(500, 400);
        list.show();
    }
    int State(std::size_t record) const { return results->GetAt(record).m_iThumbnailState; }
    const CBitmap* Picture(std::size_t record) const { return loader.Pictures().Find(record); }
    // Whether every row in view has its picture made (or failed).
    bool RowsInViewDone() const {
        int first = 0;
        int last = -1;
        list.GetVisibleRows(&first, &last);
        for (int row = first; row <= last; ++row) {
            if (model.GetRecord(row)->m_iThumbnailState == THUMBNAIL_NONE)
                return false;
        }
        return first <= last;
    }
};

}  // namespace

class ThumbnailLoaderTest : public QObject {
    Q_OBJECT
private slots:
    void theThumbnailViewMakesThePicturesOfItsRows() {
        Fixture f({"a.jpg", "bad.jpg", "notes.txt"});
        // Other views ask for nothing.
        QTest::qWait(20);
        QCOMPARE(f.calls.load(), 0);
        f.list.SetThumbnailView(QSize(64, 48));
        QTRY_COMPARE(f.State(0), THUMBNAIL_MADE);
        QTRY_COMPARE(f.State(1), THUMBNAIL_FAILED);
        QTRY_COMPARE(f.State(2), THUMBNAIL_FAILED);  // no maker for it
        QCOMPARE(f.calls.load(), 2);
        QVERIFY(f.Picture(0) != nullptr);
        QCOMPARE(f.Picture(0)->Width(), 32);
        QCOMPARE(f.Picture(0)->Height(), 24);

        // The picture is drawn centred in its frame.
        QAbstractItemView* view = f.list.GetCurrentView();
        const QRect cell = view->visualRect(f.model.index(0, 0));
        const QImage shot = view->viewport()->grab().toImage();
        const QRect frame =
            static_cast<CResultItemDelegate*>(view->itemDelegate())->ThumbnailFrame(cell);
        QCOMPARE(QColor(shot.pixel(frame.center())), QColor(Qt::red));

        // A failure is not tried again when the row is painted again.
        view->viewport()->repaint();
        QTest::qWait(20);
        QCOMPARE(f.calls.load(), 2);
    }

    void enteringTheViewAtAnotherSizeMakesThePicturesAgain() {
        Fixture f({"a.jpg"});
        f.list.SetThumbnailView(QSize(64, 64));
        QTRY_COMPARE(f.State(0), THUMBNAIL_MADE);
        QCOMPARE(f.Picture(0)->Width(), 32);
        // The size changes while another view is shown.
        f.list.SetViewMode(VIEW_MODE_DETAILS);
        f.list.SetThumbnailSize(QSize(192, 192));
        QVERIFY(f.list.OnViewCommand(ID_VIEW_THUMBNAILS));
        QTRY_COMPARE(f.calls.load(), 2);
        QTRY_COMPARE(f.State(0), THUMBNAIL_MADE);
        QCOMPARE(f.Picture(0)->Width(), 96);
    }

    void picturesFarOutOfViewGoAndComeBackWithTheirRows() {
        std::vector<std::string> names{"bad.jpg"};
        for (int i = 1; i < 150; ++i)
            names.push_back(std::to_string(i) + ".jpg");
        Fixture f(names);
        f.list.SetThumbnailView(QSize(64, 48));
        QTRY_VERIFY(f.RowsInViewDone());
        int first = 0;
        int last = -1;
        f.list.GetVisibleRows(&first, &last);
        const int inView = last - first + 1;
        QVERIFY(inView < 50);
        // Room for the pictures in view and two more (32 x 24 each).
        const std::size_t picture = 32 * 24 * 4;
        f.loader.SetPictureByteLimit(static_cast<std::size_t>(inView + 2) * picture);
        QAbstractItemView* view = f.list.GetCurrentView();

        view->scrollToBottom();
        QTRY_VERIFY(f.RowsInViewDone());
        QVERIFY(f.loader.Pictures().GetBytes() <= f.loader.Pictures().GetByteLimit());
        // The top rows' pictures went: they are pending again.
        for (std::size_t record = 1; record < 10; ++record) {
            QCOMPARE(f.State(record), THUMBNAIL_NONE);
            QVERIFY(f.Picture(record) == nullptr);
        }
        QCOMPARE(f.State(0), THUMBNAIL_FAILED);
        const int callsAtBottom = f.calls.load();

        // Back at the top they are made again, the failed one is not.
        view->scrollToTop();
        QTRY_VERIFY(f.RowsInViewDone());
        for (std::size_t record = 1; record < 10; ++record) {
            QCOMPARE(f.State(record), THUMBNAIL_MADE);
            QVERIFY(f.Picture(record) != nullptr);
        }
        QVERIFY(f.calls.load() >= callsAtBottom + 9);
        QCOMPARE(f.badCalls.load(), 1);
        QVERIFY(f.loader.Pictures().GetBytes() <= f.loader.Pictures().GetByteLimit());
    }

    void rowsShownAnewGetTheirPicturesAgain() {
        Fixture f({"a.jpg"});
        f.list.SetThumbnailView(QSize(32, 32));
        QTRY_VERIFY(f.Picture(0) != nullptr);
        // The same records shown again: the pictures of the old rows went.
        f.model.SetResults(f.results);
        QVERIFY(f.Picture(0) == nullptr);
        f.model.InsertRows(f.results, 0, 1);
        QTRY_VERIFY(f.Picture(0) != nullptr);
        QCOMPARE(f.State(0), THUMBNAIL_MADE);
        QCOMPARE(f.calls.load(), 2);
    }

    void clearingTheResultsDropsPicturesOfTheOldRows() {
        Fixture f({"a.jpg"});
        f.list.SetViewMode(VIEW_MODE_DETAILS);
        // A result made for rows that are gone is not put into any record.
        CThumbnailQueue::Result stale;
        stale.generation = f.loader.Queue().GetGeneration();
        stale.record = 0;
        stale.made = TRUE;
        f.loader.Queue().Clear();
        QVERIFY(!f.loader.Queue().ApplyIfCurrent(stale, [] {}));
        // The model shows the new generation's rows: their pictures are made.
        f.model.SetResults(f.results);
        f.model.InsertRows(f.results, 0, 1);
        QCoreApplication::processEvents();
        f.list.SetThumbnailView(QSize(32, 32));
        QTRY_COMPARE(f.State(0), THUMBNAIL_MADE);
    }
};

ZB_GUI_TEST(ThumbnailLoaderTest);
#include "ThumbnailLoaderTest.moc"
