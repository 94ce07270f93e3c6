// The main window's recent searches, macros with their hot keys and the
// multi-folder search, driven through the window.
#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/MainMenu.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"
#include "gui/ChosenFolders.h"
#include "gui/FreshUserFolders.h"
#include "gui/GuiTestRegistry.h"
#include "gui/ResultRowsSupport.h"

namespace {

// The window with its dialogs answered by the test.
class ScriptedDlg : public CZembroltDlg {
public:
    QStringList messages;
    // The macro dialog's answer: a name and hot key for OK, or Cancel.
    bool macroOk = true;
    std::string macroName;
    CHotKeyValue macroHotKey;
    // The multi-folder dialog's answer: these folders for OK, or Cancel.
    bool foldersOk = true;
    std::vector<std::string> folders;
    int multiFolderDialogs = 0;

protected:
    void ShowMessageBox(const QString& text, QMessageBox::Icon) override { messages << text; }
    bool RunMacroEditDialog(std::string& name, CHotKeyValue& hotKey) override {
        name = macroName;
        hotKey = macroHotKey;
        return macroOk;
    }
    bool RunMultiFolderDialog(std::vector<SELECTEDFOLDER>& chosen) override {
        ++multiFolderDialogs;
        return zbtest::ChosenFolders(folders, chosen) && foldersOk;
    }
};

// The texts of the window's items in one of the menus' lists.
QStringList ListTexts(CZembroltDlg& window, CMainMenu::MenuList list) {
    QStringList texts;
    for (const QAction* action : window.findChild<CMainMenu*>()->ListItems(list))
        texts << action->text();
    return texts;
}

void Find(CZembroltDlg& window, const QString& names, const QString& place) {
    window.FileNameCombo()->setEditText(names);
    window.LookInCombo()->setEditText(place);
    window.OnFind();
    QTRY_VERIFY(!window.IsSearching());
}

std::vector<std::string> RecentNames(CZembroltDlg& window) {
    std::vector<std::string> names;
    for (const CSearchData& search : window.RecentSearches())
        names.push_back(search.m_MainData.m_sFindString);
    return names;
}

}  // namespace

class SavedSearchesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<zbtest::FreshUserFolders> m_userFolders;
    std::unique_ptr<QTemporaryDir> m_tree;

    QString Place(const char* folder) const {
        return m_tree->filePath(QString::fromLatin1(folder));
    }

private slots:
    // Each test starts without settings or a data file, over a tree of its own:
    // one/a.txt, one/b.txt, one/c.log, two/d.txt.
    void init() {
        m_userFolders = std::make_unique<zbtest::FreshUserFolders>();
        m_tree = std::make_unique<QTemporaryDir>();
        for (const char* file : {"one/a.txt", "one/b.txt", "one/c.log", "two/d.txt"})
            zbgui::WriteFile(Place(file), QByteArray());
    }

    void everyFindIsRememberedOnceAndSearchedAgainFromTheMenu() {
        ScriptedDlg window;
        window.show();
        window.RecentSearches().clear();
        window.AdvancedOptions().m_nRecentSearchLimit = 3;
        for (const char* names : {"*.txt", "*.log", "*.txt", "*.TXT"})
            Find(window, QLatin1String(names), Place("one"));
        QCOMPARE(RecentNames(window), (std::vector<std::string>{"*.log", "*.txt", "*.TXT"}));
        const QString place = QFileInfo(Place("one")).fileName();
        QCOMPARE(ListTexts(window, CMainMenu::MenuList::RecentSearches),
                 (QStringList{"Search *.TXT in " + place, "Search *.txt in " + place,
                              "Search *.log in " + place}));
        Find(window, QString(), Place("two"));
        QCOMPARE(RecentNames(window), (std::vector<std::string>{"*.txt", "*.TXT", ""}));
        QCOMPARE(ListTexts(window, CMainMenu::MenuList::RecentSearches).first(),
                 "Search * in " + QFileInfo(Place("two")).fileName());

        // The oldest entry, chosen in the menu, fills the window, is searched
        // and becomes the newest.
        window.OnCommand(ID_RECENT_SEARCH_FIRST);
        QCOMPARE(window.FileNameCombo()->currentText(), QStringLiteral("*.txt"));
        QCOMPARE(window.LookInCombo()->currentText(), Place("one"));
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 2);
        QCOMPARE(RecentNames(window), (std::vector<std::string>{"*.TXT", "", "*.txt"}));

        window.OnCommand(ID_CLEAR_RECENT_SEARCH);
        QVERIFY(window.RecentSearches().empty());
        QVERIFY(ListTexts(window, CMainMenu::MenuList::RecentSearches).isEmpty());
        QVERIFY(window.messages.isEmpty());
    }

    void aMacroRunsByItsHotKeyWhileTheWindowIsActive() {
        ScriptedDlg window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.Macros().clear();
        window.BuildMacroMenu();
        window.FileNameCombo()->setEditText(QStringLiteral("*.log"));
        window.LookInCombo()->setEditText(Place("one"));
        window.macroName = "Logs";
        window.macroHotKey = CHotKeyValue('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT);
        window.OnCommand(ID_SAVE_MACRO);
        window.macroOk = false;
        window.OnCommand(ID_SAVE_MACRO);
        QCOMPARE(window.Macros().size(), std::size_t{1});
        QCOMPARE(ListTexts(window, CMainMenu::MenuList::Macros),
                 QStringList{QStringLiteral("Logs\tCtrl + Shift + K")});
        // Saving searches nothing and remembers nothing.
        QVERIFY(!window.IsSearching());
        QVERIFY(window.RecentSearches().empty());

        window.FileNameCombo()->setEditText(QStringLiteral("*.txt"));
        window.LookInCombo()->setEditText(Place("two"));
        window.FileNameCombo()->setFocus();
        // Without Shift the key is no macro's.
        QTest::keyClick(window.FileNameCombo(), Qt::Key_K, Qt::ControlModifier);
        QVERIFY(window.RecentSearches().empty());
        QTest::keyClick(window.FileNameCombo(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(window.FileNameCombo()->currentText(), QStringLiteral("*.log"));
        QCOMPARE(window.LookInCombo()->currentText(), Place("one"));
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 1);
        QCOMPARE(RecentNames(window), std::vector<std::string>{"*.log"});

        // The list's Delete takes the macro and its hot key away.
        window.Macros().clear();
        window.BuildMacroMenu();
        window.FileNameCombo()->setEditText(QStringLiteral("*.txt"));
        QTest::keyClick(window.FileNameCombo(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(window.FileNameCombo()->currentText(), QStringLiteral("*.txt"));
        QVERIFY(ListTexts(window, CMainMenu::MenuList::Macros).isEmpty());
        QVERIFY(window.messages.isEmpty());
    }

    void multiFolderSearchWalksEveryFolderAndLeavesTheRecentListAlone() {
        ScriptedDlg window;
        window.show();
        window.RecentSearches().clear();
        zbgui::Find(window, QStringLiteral("*.log"), Place("one"), 1);

        // Cancel starts nothing.
        window.FileNameCombo()->setEditText(QStringLiteral("*.txt"));
        window.foldersOk = false;
        window.folders = {Place("one").toStdString()};
        window.OnCommand(ID_MULTI_FOLDER_SEARCH);
        QCOMPARE(window.multiFolderDialogs, 1);
        QVERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 1);

        window.foldersOk = true;
        window.folders = {Place("one").toStdString(), Place("two").toStdString()};
        window.OnCommand(ID_MULTI_FOLDER_SEARCH);
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 3);
        QCOMPARE(RecentNames(window), std::vector<std::string>{"*.log"});
        QCOMPARE(window.CurrentSearchData().m_MainData.m_sFindString, std::string("*.txt"));
        // The look-in box went along with the folders.
        QCOMPARE(window.LookInCombo()->currentText(), Place("two"));
        QVERIFY(window.messages.isEmpty());
    }
};

ZB_GUI_TEST(SavedSearchesTest);
#include "SavedSearchesTest.moc"
