#include "app/OptionDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <functional>

#include "app/MainMenu.h"
#include "app/OptionCommand.h"
#include "app/ResultListCtrl.h"
#include "app/ZembroltDlg.h"
#include "app/engine/HotKeyWatcherControl.h"
#include "gui/GuiTestRegistry.h"
#include "platform/ProgramKey.h"

namespace {

// The dialog with its messages recorded instead of shown.
class RecordingOptionDlg : public COptionDlg {
public:
    QStringList messages;

protected:
    void ShowMessage(const QString& text) override { messages << text; }
};

// A watcher that closes when asked, recording each step with the "Hot Key"
// value the registry holds at that moment.
class FakeWatcher : public IHotKeyWatcherControl {
public:
    bool IsWatcherRunning() override { return running; }
    void CloseWatcher() override {
        steps << QStringLiteral("close, Hot Key %1").arg(StoredHotKey());
        running = false;
    }
    void Sleep(int) override {}
    bool StartWatcher() override {
        steps << QStringLiteral("start, Hot Key %1").arg(StoredHotKey());
        running = true;
        return true;
    }
    static int StoredHotKey() {
        CRegKey key;
        DWORD value = 0xFFFF;
        if (OpenProgramKey(key, false) == ERROR_SUCCESS)
            key.QueryDWORD("Hot Key", value);
        return static_cast<int>(value);
    }

    bool running = true;
    QStringList steps;
};

// The command with the dialog's controls set by `choose` and OK pressed.
class ScriptedOptionCommand : public COptionCommand {
public:
    ScriptedOptionCommand(CZembroltDlg& window, IHotKeyWatcherControl& watcher,
                          std::function<void(COptionDlg&)> choose)
        : COptionCommand(window, watcher), m_choose(std::move(choose)) {}

protected:
    bool RunDialog(COptionDlg& dialog) override {
        dialog.OnInitDialog();
        m_choose(dialog);
        dialog.OnOK();
        return dialog.result() == QDialog::Accepted;
    }

private:
    std::function<void(COptionDlg&)> m_choose;
};

}  // namespace

class OptionDlgTest : public QObject {
    Q_OBJECT
private slots:
    void opensOnTheStoredValuesWithUnknownOnesMapped() {
        RecordingOptionDlg dialog;
        dialog.m_nSearchResultLimit = 10000;
        dialog.m_nRecentSearchLimit = 10;
        dialog.m_nThumbnailWidth = 100;
        dialog.m_cHotKey = '5';
        dialog.OnInitDialog();
        QCOMPARE(dialog.ThumbnailSizeList()->currentText(), QStringLiteral("128 x 128 pixels"));
        QCOMPARE(dialog.HotKeyList()->count(), 27);
        QCOMPARE(dialog.HotKeyList()->itemText(0), QStringLiteral("Disabled"));
        QCOMPARE(dialog.HotKeyList()->itemText(26), QStringLiteral("Win + Z"));
        QCOMPARE(dialog.HotKeyList()->currentText(), QStringLiteral("Win + F"));
        QCOMPARE(dialog.SearchResultLimitEdit()->text(), QStringLiteral("10000"));

        dialog.OnOK();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_cHotKey, BYTE{'F'});
        QCOMPARE(dialog.m_nThumbnailWidth, 128);
        QCOMPARE(dialog.m_nThumbnailHeight, 128);
    }

    void limitsOutsideTheirRangeKeepTheDialogOpen() {
        RecordingOptionDlg dialog;
        dialog.m_nSearchResultLimit = 10000;
        dialog.OnInitDialog();
        dialog.SearchResultLimitEdit()->setText(QStringLiteral("999"));
        dialog.OnOK();
        dialog.SearchResultLimitEdit()->setText(QStringLiteral("many"));
        dialog.OnOK();
        dialog.SearchResultLimitEdit()->setText(QStringLiteral("10000000"));
        dialog.RecentSearchLimitEdit()->setText(QStringLiteral("101"));
        dialog.OnOK();
        QCOMPARE(dialog.messages,
                 QStringList({QStringLiteral("Please enter an integer between 1000 and 10000000."),
                              QStringLiteral("Please enter an integer."),
                              QStringLiteral("Please enter an integer between 0 and 100.")}));
        QVERIFY(dialog.result() != QDialog::Accepted);
        QCOMPARE(dialog.m_nSearchResultLimit, 10000);

        dialog.RecentSearchLimitEdit()->setText(QStringLiteral("0"));
        dialog.ThumbnailSizeList()->setCurrentIndex(5);
        dialog.SizeInBytesBox()->setChecked(true);
        dialog.OnOK();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_nSearchResultLimit, 10000000);
        QCOMPARE(dialog.m_nRecentSearchLimit, 0);
        QCOMPARE(dialog.m_nThumbnailWidth, 192);
        QCOMPARE(dialog.m_bSizeInBytes, TRUE);
    }

    void theMenuItemIsAvailable() {
        CZembroltDlg window;
        QVERIFY(window.MenuAction(ID_OPTION) != nullptr);
        QVERIFY(window.MenuAction(ID_OPTION)->isEnabled());
    }

    void disablingTheHotKeySavesItThenClosesTheWatcher() {
        CZembroltDlg window;
        window.AdvancedOptions().m_cHotKey = 'F';
        FakeWatcher watcher;
        ScriptedOptionCommand(window, watcher, [](COptionDlg& dialog) {
            dialog.HotKeyList()->setCurrentIndex(0);
        }).Run();
        QCOMPARE(window.AdvancedOptions().m_cHotKey, BYTE{0});
        QCOMPARE(watcher.steps, QStringList{QStringLiteral("close, Hot Key 0")});

        ScriptedOptionCommand(window, watcher, [](COptionDlg& dialog) {
            dialog.HotKeyList()->setCurrentIndex(7);
        }).Run();
        QCOMPARE(watcher.steps.back(), QStringLiteral("start, Hot Key 71"));
        // An unchanged letter leaves the watcher alone.
        ScriptedOptionCommand(window, watcher, [](COptionDlg&) {}).Run();
        QCOMPARE(watcher.steps.size(), 2);
    }

    void aLowerRecentLimitKeepsTheNewestAndSizesShowInBytes() {
        CZembroltDlg window;
        window.RecentSearches().clear();
        for (int i = 0; i < 10; ++i) {
            CSearchData search;
            search.m_MainData.m_sFindString = "search " + std::to_string(i);
            window.RecentSearches().push_back(search);
        }
        FakeWatcher watcher;
        ScriptedOptionCommand(window, watcher, [](COptionDlg& dialog) {
            dialog.RecentSearchLimitEdit()->setText(QStringLiteral("3"));
            dialog.SizeInBytesBox()->setChecked(true);
        }).Run();
        QCOMPARE(window.RecentSearches().size(), std::size_t{3});
        QCOMPARE(window.RecentSearches().front().m_MainData.m_sFindString, std::string("search 7"));
        // The Recent Search menu shows what is left, newest first.
        QStringList items;
        for (const QAction* item :
             window.findChild<CMainMenu*>()->ListItems(CMainMenu::MenuList::RecentSearches))
            items << item->text();
        QCOMPARE(items, (QStringList{QStringLiteral("Search search 9 in "),
                                     QStringLiteral("Search search 8 in "),
                                     QStringLiteral("Search search 7 in ")}));
        QCOMPARE(window.AdvancedOptions().m_bSizeInBytes, TRUE);
        QVERIFY(watcher.steps.isEmpty());
    }

    void aNewSizeSetsTheThumbnailViewUpAgain() {
        CZembroltDlg window;
        window.ResultList()->SetThumbnailView(QSize(128, 128));
        FakeWatcher watcher;
        ScriptedOptionCommand(window, watcher, [](COptionDlg& dialog) {
            dialog.ThumbnailSizeList()->setCurrentIndex(1);
        }).Run();
        QCOMPARE(window.ResultList()->GetThumbnailSize(), QSize(48, 48));
        QCOMPARE(window.AdvancedOptions().m_nThumbnailWidth, 48);

        // Chosen while another view is shown, the size is the view's next time.
        window.ResultList()->SetViewMode(VIEW_MODE_DETAILS);
        ScriptedOptionCommand(window, watcher, [](COptionDlg& dialog) {
            dialog.ThumbnailSizeList()->setCurrentIndex(5);
        }).Run();
        QCOMPARE(window.ResultList()->GetViewMode(), VIEW_MODE_DETAILS);
        QVERIFY(window.ResultList()->OnViewCommand(ID_VIEW_THUMBNAILS));
        QCOMPARE(window.ResultList()->GetThumbnailSize(), QSize(192, 192));
    }
};

ZB_GUI_TEST(OptionDlgTest);
#include "OptionDlgTest.moc"
