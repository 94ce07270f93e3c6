#include "app/ResultListCtrl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/ResultListModel.h"
#include "app/SortHeaderCtrl.h"
#include "gui/GuiTestRegistry.h"
#include "support/ColumnLists.h"

namespace {

CResultItem MakeRecord(const std::string& name, std::uint64_t size, std::uint64_t time,
                       const std::string& type, DWORD flags = 0) {
    CResultItem record;
    record.m_sName = name;
    record.m_sFolder = "/d";
    record.m_sTypeName = type;
    record.m_nSize = size;
    record.m_ftLastWrite = FILETIME::FromValue(time);
    record.m_dwFlags = flags;
    return record;
}

// A control over a model with the default columns (Name, Location, Size,
// Last Write Time, Type).
struct Fixture {
    CResultListModel model{nullptr};
    std::shared_ptr<CResultArray> results = std::make_shared<CResultArray>();
    CResultListCtrl ctrl{&model};

    Fixture() {
        model.SetResults(results);
        ctrl.resize(600, 400);
    }
    void Add(std::vector<CResultItem> records) {
        const std::size_t first = results->GetCount();
        for (CResultItem& record : records)
            results->Append(std::move(record));
        model.InsertRows(results, first, results->GetCount() - first);
        QCoreApplication::processEvents();
    }
    // `count` text rows named by the numbers (i * step) % count.
    void AddNumbered(int count, int step = 1) {
        std::vector<CResultItem> records;
        records.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            records.push_back(MakeRecord(std::to_string((i * step) % count), 1, 7, "Text"));
        Add(std::move(records));
    }
    void AddSample() {
        Add({MakeRecord("delta.txt", 300, 40, "Text"), MakeRecord("Alpha.png", 100, 10, "Image"),
             MakeRecord("zeta", 0, 50, "Folder", RIF_FOLDER),
             MakeRecord("charlie.doc", 200, 30, "Document"),
             MakeRecord("beta", 0, 20, "Folder", RIF_FOLDER),
             MakeRecord("Bravo.txt", 400, 60, "Text")});
    }
    QStringList Names() const {
        QStringList names;
        for (int row = 0; row < model.rowCount(); ++row)
            names << QString::fromStdString(model.GetRecord(row)->m_sName.str());
        return names;
    }
    int Column(int id) const { return model.FindVisibleColumn(id); }
    QStringList SelectedNames() const {
        QStringList names;
        for (int row : ctrl.GetSelectedRows())
            names << QString::fromStdString(model.GetRecord(row)->m_sName.str());
        names.sort();
        return names;
    }
};

}  // namespace

class ResultListCtrlTest : public QObject {
    Q_OBJECT
private slots:
    void sortsByNameBothWaysWithFoldersFirst() {
        Fixture f;
        f.AddSample();
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_NAME));
        QCOMPARE(f.Names(), QStringList({"beta", "zeta", "Alpha.png", "Bravo.txt", "charlie.doc",
                                         "delta.txt"}));
        QCOMPARE(f.ctrl.GetSortColumn(), f.Column(COLUMN_ID_NAME));
        QVERIFY(f.ctrl.IsSortAscending());
        QCOMPARE(f.ctrl.GetHeader()->GetSortColumn(), f.Column(COLUMN_ID_NAME));
        QVERIFY(f.ctrl.GetHeader()->IsSortAscending());
        // The second click reverses, folders staying on top; the third sorts up again.
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_NAME));
        QCOMPARE(f.Names(), QStringList({"zeta", "beta", "delta.txt", "charlie.doc", "Bravo.txt",
                                         "Alpha.png"}));
        QVERIFY(!f.ctrl.IsSortAscending());
        QVERIFY(!f.ctrl.GetHeader()->IsSortAscending());
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_NAME));
        QCOMPARE(f.Names(), QStringList({"beta", "zeta", "Alpha.png", "Bravo.txt", "charlie.doc",
                                         "delta.txt"}));
    }

    void sortsBySizeTimeAndType() {
        Fixture f;
        f.AddSample();
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_SIZE));
        QCOMPARE(f.Names().mid(2),
                 QStringList({"Alpha.png", "charlie.doc", "delta.txt", "Bravo.txt"}));
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_SIZE));
        QCOMPARE(f.Names().mid(2),
                 QStringList({"Bravo.txt", "delta.txt", "charlie.doc", "Alpha.png"}));
        QVERIFY(f.Names().mid(0, 2).contains("beta") && f.Names().mid(0, 2).contains("zeta"));

        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_LAST_WRITE_TIME));
        QCOMPARE(f.Names(), QStringList({"beta", "zeta", "Alpha.png", "charlie.doc", "delta.txt",
                                         "Bravo.txt"}));
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_LAST_WRITE_TIME));
        QCOMPARE(f.Names(), QStringList({"zeta", "beta", "Bravo.txt", "delta.txt", "charlie.doc",
                                         "Alpha.png"}));

        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_TYPE));
        QCOMPARE(f.Names().mid(2, 2), QStringList({"charlie.doc", "Alpha.png"}));
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_TYPE));
        QCOMPARE(f.Names().mid(2, 2).count(), 2);
        QCOMPARE(f.Names().last(), QStringLiteral("charlie.doc"));
        QVERIFY(f.model.GetRecord(0)->m_dwFlags & RIF_FOLDER);
        QVERIFY(f.model.GetRecord(1)->m_dwFlags & RIF_FOLDER);
    }

    void signedDetailColumnsSortAsTheNumbersTheyShowBothWays() {
        // Height is a signed 32-bit column: 3,000,000,000 is stored in it as
        // -1,294,967,296 and sorts, as it shows, below -120.
        Fixture f;
        f.model.SetVisibleColumns(zbtest::Columns({COLUMN_ID_NAME, 302}));
        std::vector<CResultItem> records;
        for (const auto& [name, height] : {std::pair{"five.bmp", 5u},
                                           {"large.bmp", 3000000000u},
                                           {"topdown.bmp", static_cast<std::uint32_t>(-120)}}) {
            records.push_back(MakeRecord(name, 0, 0, "Image"));
            records.back().m_arrValues.resize(1);
            records.back().m_arrValues[0].SetUInt32(height);
            records.back().m_arrValues[0].valid = TRUE;
        }
        f.Add(std::move(records));
        const int height = f.Column(302);
        const auto heights = [&f, height] {
            QStringList texts;
            for (int row = 0; row < f.model.rowCount(); ++row)
                texts << f.model.GetCellText(row, height);
            return texts;
        };
        f.ctrl.OnColumnClick(height);
        QCOMPARE(heights(), QStringList({"-1294967296", "-120", "5"}));
        f.ctrl.OnColumnClick(height);
        QCOMPARE(heights(), QStringList({"5", "-120", "-1294967296"}));
    }

    void insertingRowsMakesTheListUnsorted() {
        Fixture f;
        f.AddSample();
        const int name = f.Column(COLUMN_ID_NAME);
        f.ctrl.OnColumnClick(name);
        f.ctrl.OnColumnClick(name);
        QVERIFY(!f.ctrl.IsSortAscending());
        f.Add({MakeRecord("aaa.txt", 1, 1, "Text")});
        QCOMPARE(f.ctrl.GetSortColumn(), -1);
        QCOMPARE(f.ctrl.GetHeader()->GetSortColumn(), -1);
        QCOMPARE(f.Names().last(), QStringLiteral("aaa.txt"));
        // The next click on the former sort column sorts ascending.
        f.ctrl.OnColumnClick(name);
        QVERIFY(f.ctrl.IsSortAscending());
        QCOMPARE(f.Names().at(2), QStringLiteral("aaa.txt"));

        // Re-sorting a refilled list keeps column and direction.
        f.ctrl.OnColumnClick(name);
        f.Add({MakeRecord("zzz.txt", 1, 1, "Text")});
        QCOMPARE(f.ctrl.GetSortColumn(), -1);
        f.ctrl.ResortRows();
        QCOMPARE(f.ctrl.GetSortColumn(), 0);
        QVERIFY(f.ctrl.IsSortAscending());
        QCOMPARE(f.Names().last(), QStringLiteral("zzz.txt"));
    }

    void selectionFollowsRecordsThroughSortAndViews() {
        Fixture f;
        f.AddSample();
        QItemSelectionModel* selection = f.ctrl.GetSelectionModel();
        selection->select(f.model.index(1, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->select(f.model.index(5, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QCOMPARE(f.SelectedNames(), QStringList({"Alpha.png", "Bravo.txt"}));
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_SIZE));
        QCOMPARE(f.SelectedNames(), QStringList({"Alpha.png", "Bravo.txt"}));

        for (const ViewCommand& command : kViewCommands) {
            QVERIFY(f.ctrl.OnViewCommand(command.id));
            QCOMPARE(f.ctrl.GetViewMode(), command.mode);
            QCOMPARE(f.ctrl.GetCurrentView()->selectionModel(), selection);
            QCOMPARE(f.SelectedNames(), QStringList({"Alpha.png", "Bravo.txt"}));
        }
        QVERIFY(!f.ctrl.OnViewCommand(40026));
        QCOMPARE(f.ctrl.GetThumbnailSize(), QSize(128, 128));
    }

    void selectAllAndInvert() {
        Fixture f;
        f.AddSample();
        QItemSelectionModel* selection = f.ctrl.GetSelectionModel();
        selection->select(f.model.index(0, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        f.ctrl.InvertSelection();
        QCOMPARE(f.ctrl.GetSelectedRows(), std::vector<int>({1, 2, 3, 4, 5}));
        f.ctrl.SelectAll();
        QCOMPARE(f.ctrl.GetSelectedCount(), 6);
        f.ctrl.InvertSelection();
        QCOMPARE(f.ctrl.GetSelectedCount(), 0);
    }

    void ctrlASelectsAllAndTellsTheParent() {
        Fixture f;
        f.AddSample();
        f.ctrl.show();
        QSignalSpy clicked(&f.ctrl, &CResultListCtrl::Clicked);
        QAbstractItemView* view = f.ctrl.GetCurrentView();
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.ctrl.GetSelectedCount(), 6);
        QCOMPARE(clicked.count(), 1);
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(clicked.count(), 2);
        // Typing a name's first letters moves to the next row with that start.
        QTest::keyClicks(view, "bra");
        QCOMPARE(f.ctrl.GetSelectionModel()->currentIndex().row(), 5);
    }

    void typingSelectsTheNextMatchingName() {
        Fixture f;
        f.AddSample();
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_NAME));
        QAbstractItemView* view = f.ctrl.GetCurrentView();
        // Folders first (beta, zeta), then Alpha.png, Bravo.txt, charlie.doc, delta.txt.
        view->keyboardSearch(QStringLiteral("b"));
        QCOMPARE(f.SelectedNames(), QStringList{"beta"});
        view->keyboardSearch(QStringLiteral("r"));  // "br" extends the text
        QCOMPARE(f.SelectedNames(), QStringList{"Bravo.txt"});
        QTest::qWait(QApplication::keyboardInputInterval() + 50);
        view->keyboardSearch(QStringLiteral("B"));  // a new "b" searches on from Bravo
        QCOMPARE(f.SelectedNames(), QStringList{"beta"});
        view->keyboardSearch(QStringLiteral("q"));  // no match keeps the selection
        QCOMPARE(f.SelectedNames(), QStringList{"beta"});
    }

    void visibilityOfRows() {
        Fixture f;
        f.AddSample();
        f.ctrl.show();
        QVERIFY(f.ctrl.IsItemVisible(0));
        QVERIFY(!f.ctrl.IsItemVisible(-1));
        QVERIFY(!f.ctrl.IsItemVisible(6));
    }

    // Presses, releases and keys pass through the view's edit() as well:
    // the gate is asked only where an edit could start, a click on the name
    // of a selected row.
    void theEditGateIsAskedOnlyWhereAnEditCouldStart() {
        Fixture f;
        f.AddSample();
        f.ctrl.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.ctrl));
        int asked = 0;
        f.ctrl.SetLabelEditGate([&asked](int) {
            ++asked;
            return false;
        });
        QAbstractItemView* view = f.ctrl.GetCurrentView();
        const QPoint name = view->visualRect(f.model.index(1, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, name);
        QCOMPARE(f.ctrl.GetSelectedCount(), 1);
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(asked, 0);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, name);
        QCOMPARE(asked, 1);
    }

    void hundredThousandRowsSortWithoutDeepRecursion() {
        Fixture f;
        std::vector<CResultItem> records;
        records.reserve(100000);
        for (int i = 0; i < 100000; ++i) {
            // Many equal keys and already-ordered runs: the worst case of a
            // first-element-pivot quicksort.
            std::string name = "n";
            name += std::to_string(i % 1000);
            records.push_back(MakeRecord(name, static_cast<std::uint64_t>(i), 7, "Text",
                                         i % 97 == 0 ? RIF_FOLDER : 0));
        }
        f.Add(std::move(records));
        QCOMPARE(f.model.rowCount(), 100000);
        f.ctrl.SelectAll();
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_SIZE));
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_SIZE));
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_LAST_WRITE_TIME));
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_NAME));
        QCOMPARE(f.ctrl.GetSelectedCount(), 100000);
        // Folders first, then ascending names.
        const int folders = (100000 + 96) / 97;
        for (int row = 0; row < folders; ++row)
            QVERIFY(f.model.GetRecord(row)->m_dwFlags & RIF_FOLDER);
        for (int row = folders + 1; row < f.model.rowCount(); ++row) {
            QVERIFY(CResultListModel::CompareRecords(*f.model.GetRecord(row - 1),
                                                     *f.model.GetRecord(row),
                                                     *GetColumnInfo(COLUMN_ID_NAME), -1) <= 0);
        }
    }

    // Rows the search hands over while a long list is sorted (on other
    // threads, the loop turning) join after the sort unselected: the
    // selection stays on the rows that were there, and rows of a new
    // generation come with none.
    void rowsHandedOverDuringASortJoinUnselected_data() {
        QTest::addColumn<bool>("everyRow");
        QTest::addColumn<bool>("newGeneration");
        QTest::newRow("some rows") << false << false;
        QTest::newRow("every row") << true << false;
        QTest::newRow("some rows, new generation") << false << true;
        QTest::newRow("every row, new generation") << true << true;
    }
    void rowsHandedOverDuringASortJoinUnselected() {
        QFETCH(bool, everyRow);
        QFETCH(bool, newGeneration);
        Fixture f;
        constexpr int kRows = 100000;  // long enough to be sorted beside the loop
        constexpr int kLate = 5000;
        f.AddNumbered(kRows, 7919);
        if (everyRow)
            f.ctrl.SelectAll();
        else
            f.ctrl.GetSelectionModel()->select(
                QItemSelection(f.model.index(0, 0), f.model.index(9, f.model.columnCount() - 1)),
                QItemSelectionModel::Select);
        const int selected = f.ctrl.GetSelectedCount();

        const auto handed = newGeneration ? std::make_shared<CResultArray>() : f.results;
        bool turned = false;
        QTimer::singleShot(0, [&] {
            turned = true;
            if (newGeneration)
                f.model.DeleteAllRows(handed);
            const std::size_t first = handed->GetCount();
            for (int i = 0; i < kLate; ++i)
                handed->Append(MakeRecord("late" + std::to_string(i), 1, 7, "Text"));
            f.model.InsertRows(handed, first, kLate);
        });
        f.ctrl.OnColumnClick(f.Column(COLUMN_ID_NAME));
        QVERIFY(turned);
        QCOMPARE(f.model.rowCount(), newGeneration ? kLate : kRows + kLate);
        QCOMPARE(f.ctrl.GetSelectedCount(), newGeneration ? 0 : selected);
        for (const int row : f.ctrl.GetSelectedRows())
            QVERIFY(!f.model.GetRecord(row)->m_sName.str().starts_with("late"));
    }

    // A list of more rows than one layout batch: the list view lays them
    // out over several turns of the loop, and still brings the current row
    // (here the last) into view once its batch has come.
    void aLongListLaidOutInBatchesStillShowsTheCurrentRow() {
        Fixture f;
        constexpr int kRows = 120000;
        f.AddNumbered(kRows);
        f.ctrl.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.ctrl));
        const QModelIndex last = f.model.index(kRows - 1, 0);
        f.ctrl.GetSelectionModel()->setCurrentIndex(
            last, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

        QVERIFY(f.ctrl.OnViewCommand(ID_VIEW_LIST));
        QAbstractItemView* view = f.ctrl.GetCurrentView();
        QVERIFY(view->visualRect(last).isEmpty());
        QTRY_VERIFY(view->viewport()->rect().intersects(view->visualRect(last)));
        QCOMPARE(f.ctrl.GetSelectedCount(), 1);
    }

    // Rows whose batch has not been laid out yet have no place: they count
    // as below the view, so the rows in view are known from the first batch
    // on (the thumbnail queue makes only those).
    void rowsInViewAreKnownBeforeALongListIsLaidOut() {
        Fixture f;
        constexpr int kRows = 120000;
        f.AddNumbered(kRows);
        f.ctrl.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.ctrl));
        for (const int id : {ID_VIEW_THUMBNAILS, ID_VIEW_LARGE_ICONS}) {
            QVERIFY(f.ctrl.OnViewCommand(id));
            QVERIFY(f.ctrl.GetCurrentView()->visualRect(f.model.index(kRows - 1, 0)).isEmpty());
            int first = -1;
            int last = -1;
            QVERIFY(f.ctrl.GetVisibleRows(&first, &last));
            QCOMPARE(first, 0);
            QVERIFY(last > 0 && last < 50000);
            QVERIFY(f.ctrl.IsItemVisible(last));
            QVERIFY(!f.ctrl.IsItemVisible(last + 1));
        }
    }
};

ZB_GUI_TEST(ResultListCtrlTest);
#include "ResultListCtrlTest.moc"
