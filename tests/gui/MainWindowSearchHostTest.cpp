// The main window's side of a search, without the window: what the search
// thread calls reaches the controls on the window's thread, in order.
#include "app/MainWindowSearchHost.h"

#include <QAction>
#include <QTest>

#include <thread>

#include "app/ColumnChoice.h"
#include "app/MainMenu.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/engine/DataFile.h"
#include "gui/GuiTestRegistry.h"
#include "support/ColumnLists.h"
#include "ui/ElidedLabel.h"
#include "ui/HoverButton.h"

namespace {

// A window with the controls a search shows itself in.
struct Fixture {
    QWidget window;
    CMainMenu menu{&window, [](int) {}};
    CHoverButton find{&window};
    CElidedLabel status{&window};
    CResultListModel model{nullptr};
    CResultListCtrl list{&model};
    CDetailColumns columns;
    CColumnChoice choice{&window, columns, &model, &list};
    QString lookIn;
    CMainWindowSearchHost host{&window, &menu,   &find,
                               &status, &choice, [this](const QString& path) { lookIn = path; }};

    Fixture() {
        menu.SetHandler(ID_CLEAR_RESULT, [] {});
    }
    bool Grayed() const { return !menu.Action(ID_CLEAR_RESULT)->isEnabled(); }
};

}  // namespace

class MainWindowSearchHostTest : public QObject {
    Q_OBJECT
private slots:
    void theSearchThreadsCallsReachTheWindowInOrder() {
        Fixture f;
        f.host.SetSearchButtonState(true);
        QCOMPARE(f.find.text(), QStringLiteral("Search"));
        std::thread search([&f] {
            f.host.SetSearchButtonState(false);
            f.host.BeginSearchUi();
            f.host.SetLookInText("/first");
            f.host.SetStatusText("Searching in /first");
            f.host.SetLookInText("/second");
            f.host.SetStatusText("Searching in /second");
        });
        search.join();
        // Carried over, not shown from the search's thread.
        QCOMPARE(f.find.text(), QStringLiteral("Search"));
        QVERIFY(!f.Grayed());
        QTRY_COMPARE(f.status.text(), QStringLiteral("Searching in /second"));
        QCOMPARE(f.lookIn, QStringLiteral("/second"));
        QCOMPARE(f.find.text(), QStringLiteral("Stop"));
        QVERIFY(f.Grayed());
        QCOMPARE(f.window.cursor().shape(), Qt::BusyCursor);

        std::thread end([&f] {
            f.host.EndSearchUi();
            f.host.SetSearchButtonState(true);
            f.host.SearchEnded();
        });
        end.join();
        QTRY_COMPARE(f.find.text(), QStringLiteral("Search"));
        QVERIFY(!f.Grayed());
        QCOMPARE(f.window.cursor().shape(), Qt::ArrowCursor);
    }

    void onTheWindowsThreadACallActsAtOnce() {
        Fixture f;
        f.host.SetStatusText("3 Objects");
        QCOMPARE(f.host.StatusText(), QStringLiteral("3 Objects"));
        f.host.BeginSearchUi();
        QVERIFY(f.Grayed());
    }

    void theDuplicateGroupsColumnGoes() {
        Fixture f;
        f.choice.SetVisibleColumns(zbtest::Columns({1001, kDupNoColumnId, 1003}));
        QVERIFY(f.model.FindVisibleColumn(kDupNoColumnId) >= 0);
        std::thread search([&f] { f.host.RemoveDupNoColumn(); });
        search.join();
        QTRY_COMPARE(f.model.FindVisibleColumn(kDupNoColumnId), -1);
        QCOMPARE(zbtest::ColumnIds(f.model.GetVisibleColumns()), (std::vector<int>{1001, 1003}));
    }
};

ZB_GUI_TEST(MainWindowSearchHostTest);
#include "MainWindowSearchHostTest.moc"
