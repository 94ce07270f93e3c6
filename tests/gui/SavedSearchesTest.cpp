// The recent searches and the macros, first on their own with a search form
// of the test's in place of the window's, then through the window: a Find
// remembered and chosen again, a macro's hot key, and the multi-folder search.
#include "app/SavedSearches.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "app/MainMenu.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"
#include "app/engine/RecentSearches.h"
#include "gui/ChosenFolders.h"
#include "gui/FreshUserFolders.h"
#include "gui/GuiTestRegistry.h"
#include "gui/ResultRowsSupport.h"

namespace {

QStringList ListTexts(const CMainMenu& menu, CMainMenu::MenuList list) {
    QStringList texts;
    for (const QAction* action : menu.ListItems(list))
        texts << action->text();
    return texts;
}

std::vector<std::string> Names(const std::vector<CSearchData>& searches) {
    std::vector<std::string> names;
    for (const CSearchData& search : searches)
        names.push_back(search.m_MainData.m_sFindString);
    return names;
}

// The saved searches over a menu and lists of their own; `form` stands for
// the window's search, and every search they run is noted and remembered as
// the window's Find would.
struct Fixture {
    QWidget window;
    CMainMenu menu{&window, [](int) {}};
    CAdvancedOptions options;
    std::vector<CSearchData> recent;
    std::vector<CSearchMacro> macros;
    CSavedSearches saved{&window, &menu, options, recent, macros};
    CSearchData form;
    std::vector<std::string> found;

    Fixture() {
        form.Reset();
        saved.SetSearchForm([this] { return form; },
                            [this](const CSearchData& search) {
                                form = search;
                                found.push_back(search.m_MainData.m_sFindString);
                                saved.AddRecentSearch();
                            });
    }
    void Find(const char* names, const char* place) {
        form.m_MainData.m_sFindString = names;
        form.m_MainData.m_sFindRootPath = place;
        saved.AddRecentSearch();
    }
};

// The window with its dialogs answered by the test.
class ScriptedDlg : public zbgui::QuietDlg {
public:
    // The multi-folder dialog's answer: these folders for OK, or Cancel.
    bool foldersOk = true;
    std::vector<std::string> folders;
    int multiFolderDialogs = 0;

protected:
    bool RunMultiFolderDialog(std::vector<SELECTEDFOLDER>& chosen) override {
        ++multiFolderDialogs;
        return zbtest::ChosenFolders(folders, chosen) && foldersOk;
    }
};

void Find(CZembroltDlg& window, const QString& names, const QString& place) {
    window.FileNameCombo()->setEditText(names);
    window.LookInCombo()->setEditText(place);
    window.OnFind();
    QTRY_VERIFY(!window.IsSearching());
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

    void everySearchIsRememberedOnceAndChosenAgain() {
        Fixture f;
        f.options.m_nRecentSearchLimit = 3;
        for (const char* names : {"*.txt", "*.log", "*.txt", "*.TXT"})
            f.Find(names, "/data/one");
        QCOMPARE(Names(f.recent), (std::vector<std::string>{"*.log", "*.txt", "*.TXT"}));
        QCOMPARE(ListTexts(f.menu, CMainMenu::MenuList::RecentSearches),
                 (QStringList{"Search *.TXT in /data/one", "Search *.txt in /data/one",
                              "Search *.log in /data/one"}));
        f.Find("", "/data/a folder named at length");
        QCOMPARE(ListTexts(f.menu, CMainMenu::MenuList::RecentSearches).first(),
                 QStringLiteral("Search * in a folder named at length"));

        // The oldest entry is searched again and becomes the newest; an id
        // past the list does nothing.
        f.saved.OnRecentSearch(ID_RECENT_SEARCH_FIRST);
        QCOMPARE(f.found, std::vector<std::string>{"*.txt"});
        QCOMPARE(Names(f.recent), (std::vector<std::string>{"*.TXT", "", "*.txt"}));
        f.saved.OnRecentSearch(ID_RECENT_SEARCH_FIRST + 3);
        QCOMPARE(f.found.size(), std::size_t{1});

        f.saved.ClearRecentSearches();
        QVERIFY(f.recent.empty());
        QVERIFY(ListTexts(f.menu, CMainMenu::MenuList::RecentSearches).isEmpty());
    }

    void macrosAreSavedListedAndRunByTheirHotKeys() {
        Fixture f;
        bool ok = true;
        f.saved.SetMacroEditDialog([&ok](std::string& name, CHotKeyValue& hotKey) {
            name = "Logs";
            hotKey = CHotKeyValue('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT);
            return ok;
        });
        f.form.m_MainData.m_sFindString = "*.log";
        f.saved.OnSaveMacro();
        ok = false;
        f.saved.OnSaveMacro();
        QCOMPARE(f.macros.size(), std::size_t{1});
        QCOMPARE(f.macros[0].m_SearchData.m_MainData.m_sFindString, std::string("*.log"));
        QCOMPARE(ListTexts(f.menu, CMainMenu::MenuList::Macros),
                 QStringList{QStringLiteral("Logs\tCtrl + Shift + K")});
        // Saving searches nothing and remembers nothing.
        QVERIFY(f.found.empty());
        QVERIFY(f.recent.empty());

        const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        QCOMPARE(f.saved.MacroCommandForKey(Qt::Key_K, ctrlShift), ID_MACRO_FIRST);
        QCOMPARE(f.saved.MacroCommandForKey(Qt::Key_K, Qt::ControlModifier), 0);
        f.form.m_MainData.m_sFindString = "*.txt";
        f.saved.OnMacro(ID_MACRO_FIRST);
        QCOMPARE(f.found, std::vector<std::string>{"*.log"});

        // The list's edits count only after OK; an emptied list takes the key away.
        bool listOk = false;
        f.saved.SetMacroListDialog([&listOk](std::vector<CSearchMacro>& edited) {
            edited.clear();
            return listOk;
        });
        f.saved.OnMacroList();
        QCOMPARE(f.macros.size(), std::size_t{1});
        listOk = true;
        f.saved.OnMacroList();
        QVERIFY(f.macros.empty());
        QVERIFY(ListTexts(f.menu, CMainMenu::MenuList::Macros).isEmpty());
        QCOMPARE(f.saved.MacroCommandForKey(Qt::Key_K, ctrlShift), 0);
    }

    void theWindowRemembersAFindAndSearchesItAgainFromTheMenu() {
        ScriptedDlg window;
        window.show();
        window.RecentSearches().clear();
        Find(window, QStringLiteral("*.txt"), Place("one"));
        Find(window, QStringLiteral("*.log"), Place("two"));
        QCOMPARE(window.RecentSearches().size(), std::size_t{2});

        window.OnCommand(ID_RECENT_SEARCH_FIRST);
        QCOMPARE(window.FileNameCombo()->currentText(), QStringLiteral("*.txt"));
        QCOMPARE(window.LookInCombo()->currentText(), Place("one"));
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 2);
        QCOMPARE(Names(window.RecentSearches()), (std::vector<std::string>{"*.log", "*.txt"}));
        QVERIFY(window.messages.isEmpty());
    }

    void aMacroRunsByItsHotKeyWhileTheWindowIsActive() {
        ScriptedDlg window;
        window.SavedSearches().SetMacroEditDialog([](std::string& name, CHotKeyValue& hotKey) {
            name = "Logs";
            hotKey = CHotKeyValue('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT);
            return true;
        });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.Macros().clear();
        window.BuildMacroMenu();
        window.FileNameCombo()->setEditText(QStringLiteral("*.log"));
        window.LookInCombo()->setEditText(Place("one"));
        window.OnCommand(ID_SAVE_MACRO);

        window.FileNameCombo()->setEditText(QStringLiteral("*.txt"));
        window.LookInCombo()->setEditText(Place("two"));
        window.FileNameCombo()->setFocus();
        QTest::keyClick(window.FileNameCombo(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(window.FileNameCombo()->currentText(), QStringLiteral("*.log"));
        QCOMPARE(window.LookInCombo()->currentText(), Place("one"));
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 1);
        QCOMPARE(Names(window.RecentSearches()), std::vector<std::string>{"*.log"});
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
        QCOMPARE(Names(window.RecentSearches()), std::vector<std::string>{"*.log"});
        QCOMPARE(window.CurrentSearchData().m_MainData.m_sFindString, std::string("*.txt"));
        // The look-in box went along with the folders (told apart from the
        // rows, which may all be in first).
        QTRY_COMPARE(window.LookInCombo()->currentText(), Place("two"));
        QVERIFY(window.messages.isEmpty());
    }
};

ZB_GUI_TEST(SavedSearchesTest);
#include "SavedSearchesTest.moc"
