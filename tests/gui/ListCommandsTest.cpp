// The main window's commands on found rows: Delete to the Trash, renaming in
// place, what the selection enables, export, print and the list's menu.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/ExportDialog.h"
#include "app/MainMenuTable.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"
#include "archives/ZipBuilder.h"
#include "gui/FreshUserFolders.h"
#include "gui/GuiTestRegistry.h"
#include "gui/ResultRowsSupport.h"
#include "tools/RenameDlg.h"
#include "ui/DesktopOpen.h"

namespace {

// The main window with its questions answered and its messages kept.
class AnsweringDlg : public CZembroltDlg {
public:
    bool answer = true;
    QStringList questions;
    QStringList messages;
    QList<QMessageBox::Icon> icons;
    CExportChoice exportChoice;

    bool AskFileOperation(const std::string& text) override {
        questions << QString::fromStdString(text);
        return answer;
    }

protected:
    void ShowMessageBox(const QString& text, QMessageBox::Icon icon) override {
        messages << text;
        icons << icon;
    }
    bool AskExportTarget(CExportChoice* choice) override {
        *choice = exportChoice;
        return true;
    }
};

using zbgui::Find;
using zbgui::ReadFile;
using zbgui::RowNamed;
using zbgui::SelectRows;
using zbgui::WriteFile;

}  // namespace

class ListCommandsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<zbtest::FreshUserFolders> m_userFolders;
    std::unique_ptr<QTemporaryDir> m_files;

    QString Trash() const { return m_userFolders->filePath(QStringLiteral("data/Trash")); }
    QString File(const QString& name) const { return m_files->filePath(name); }

    // Shows the window with the rows of `names` in the test's folder found.
    void ShowFound(AnsweringDlg& window, const QString& names = QStringLiteral("*.txt"),
                   int rows = 3) {
        window.show();
        Find(window, names, m_files->path(), rows);
    }

private slots:
    void init() {
        m_userFolders = std::make_unique<zbtest::FreshUserFolders>();
        m_files = std::make_unique<QTemporaryDir>();
        for (const char* letter : {"a", "b", "c"})
            WriteFile(File(QLatin1String(letter) + QStringLiteral(".txt")), letter);
    }

    void deleteKeyMovesTheRowsFileToTheTrash() {
        AnsweringDlg window;
        ShowFound(window);
        QAbstractItemView* view = SelectRows(window, {QStringLiteral("b.txt")});
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(
            window.questions,
            QStringList{QStringLiteral("Are you sure you want to move 'b.txt' to the Trash?")});
        QVERIFY(!QFile::exists(File(QStringLiteral("b.txt"))));
        QCOMPARE(ReadFile(Trash() + QStringLiteral("/files/b.txt")), QByteArray("b"));
        QVERIFY(ReadFile(Trash() + QStringLiteral("/info/b.txt.trashinfo"))
                    .contains(QFile::encodeName(File(QStringLiteral("b.txt")))));
        QCOMPARE(window.ResultModel()->GetRowCount(), 2);
        QCOMPARE(RowNamed(window, QStringLiteral("b.txt")), -1);
        QCOMPARE(window.ResultList()->GetSelectedCount(), 0);
        QVERIFY(window.StatusText().startsWith(QStringLiteral("2 Objects")));
        QVERIFY(window.messages.isEmpty());

        // "No" keeps the file and its row.
        window.answer = false;
        view = SelectRows(window, {QStringLiteral("a.txt")});
        QTest::keyClick(view, Qt::Key_Delete);
        QVERIFY(QFile::exists(File(QStringLiteral("a.txt"))));
        QCOMPARE(window.ResultModel()->GetRowCount(), 2);
    }

    void deleteOfSeveralRowsKeepsTheRowsThatStay() {
        // The trash of this test lies inside "keep": that folder cannot go into it.
        const QString data = File(QStringLiteral("keep/data"));
        QVERIFY(QDir().mkpath(data));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        AnsweringDlg window;
        ShowFound(window, QStringLiteral("a.txt;keep"), 2);
        QAbstractItemView* view =
            SelectRows(window, {QStringLiteral("a.txt"), QStringLiteral("keep")});
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(window.questions,
                 QStringList{QStringLiteral("Are you sure you want to move these 2 items to the "
                                            "Trash?")});
        QCOMPARE(window.messages.size(), 1);
        QVERIFY(window.messages[0].startsWith(QStringLiteral("Cannot move '")));
        QVERIFY(!QFile::exists(File(QStringLiteral("a.txt"))));
        QVERIFY(QFile::exists(data));
        QCOMPARE(window.ResultModel()->GetRowCount(), 1);
        QCOMPARE(window.ResultModel()->GetCellText(0, 0), QStringLiteral("keep"));
        QCOMPARE(window.ResultList()->GetSelectedRows(), std::vector<int>{0});
    }

    void archiveMembersAreNeverDeleted() {
        WriteFile(File(QStringLiteral("pack.zip")),
                  QByteArray::fromStdString(zbtest::BuildZip({{"in.txt", "member"}}).bytes));
        AnsweringDlg window;
        ShowFound(window, QStringLiteral("in.txt"), 1);
        QAbstractItemView* view = SelectRows(window, {QStringLiteral("in.txt")});
        window.UpdateSelectionCommands();
        QVERIFY(!window.MenuAction(ID_EDIT_DELETE)->isEnabled());
        QVERIFY(!window.MenuAction(ID_RENAME)->isEnabled());
        QTest::keyClick(view, Qt::Key_Delete);
        QTest::keyClick(view, Qt::Key_F2);
        window.OnCommand(ID_EDIT_DELETE);
        QVERIFY(window.questions.isEmpty());
        QVERIFY(QFile::exists(File(QStringLiteral("pack.zip"))));
        QCOMPARE(window.ResultModel()->GetRowCount(), 1);
        QVERIFY(!QApplication::focusWidget() ||
                !qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    }

    void theMenuFollowsTheSelection() {
        AnsweringDlg window;
        ShowFound(window);
        window.UpdateSelectionCommands();
        for (int id : {ID_EDIT_DELETE, ID_RENAME})
            QVERIFY(!window.MenuAction(id)->isEnabled());
        SelectRows(window, {QStringLiteral("a.txt")});
        QTRY_VERIFY(window.MenuAction(ID_EDIT_DELETE)->isEnabled());
        QVERIFY(window.MenuAction(ID_RENAME)->isEnabled());
        window.BeginSearchUi();
        QVERIFY(!window.MenuAction(ID_EDIT_DELETE)->isEnabled());
        window.EndSearchUi();
        QVERIFY(window.MenuAction(ID_EDIT_DELETE)->isEnabled());
        QCOMPARE(window.MenuAction(ID_EXPORT_RESULT)->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_E));
        QCOMPARE(window.MenuAction(ID_PRINT_RESULT)->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_P));
    }

    void f2EditsTheNameAndEnterRenames() {
        AnsweringDlg window;
        std::vector<std::string> opened;
        window.SetFileOpener([&opened](const std::string& path) { opened.push_back(path); });
        ShowFound(window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QAbstractItemView* view = SelectRows(window, {QStringLiteral("a.txt")});
        const int row = RowNamed(window, QStringLiteral("a.txt"));
        // Types `name` over the open editor, which shows `shown`, and presses Enter.
        const auto typeName = [](const QString& shown, const QString& name) {
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            QVERIFY(editor);
            QCOMPARE(editor->text(), shown);
            editor->selectAll();
            QTest::keyClicks(editor, name);
            QTest::keyClick(editor, Qt::Key_Return);
        };
        QTest::keyClick(view, Qt::Key_F2);
        typeName(QStringLiteral("a.txt"), QStringLiteral("renamed.txt"));
        QTRY_COMPARE(ReadFile(File(QStringLiteral("renamed.txt"))), QByteArray("a"));
        QVERIFY(!QFile::exists(File(QStringLiteral("a.txt"))));
        QCOMPARE(window.ResultModel()->GetCellText(row, 0), QStringLiteral("renamed.txt"));
        // Enter in the editor is the editor's: nothing is opened or searched.
        QVERIFY(opened.empty());
        QVERIFY(!window.IsSearching());

        // Onto an existing name: refused, said, and nothing changes.
        window.OnCommand(ID_RENAME);
        typeName(QStringLiteral("renamed.txt"), QStringLiteral("b.txt"));
        QTRY_COMPARE(window.messages.size(), 1);
        QVERIFY(window.messages[0].startsWith(QStringLiteral("Cannot rename renamed.txt: A file")));
        QCOMPARE(window.ResultModel()->GetCellText(row, 0), QStringLiteral("renamed.txt"));
        QCOMPARE(ReadFile(File(QStringLiteral("b.txt"))), QByteArray("b"));

        // Several rows: no editing; the rename tool opens instead.
        view = SelectRows(window, {QStringLiteral("b.txt"), QStringLiteral("c.txt")});
        bool toolShown = false;
        QTimer::singleShot(0, [&toolShown] {
            if (auto* tool = qobject_cast<CRenameDlg*>(QApplication::activeModalWidget())) {
                toolShown = true;
                tool->reject();
            }
        });
        QTest::keyClick(view, Qt::Key_F2);
        QVERIFY(toolShown);
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        // Nor does a click on one of them open an editor.
        const int name = window.ResultModel()->FindVisibleColumn(COLUMN_ID_NAME);
        const QModelIndex b =
            window.ResultModel()->index(RowNamed(window, QStringLiteral("b.txt")), name);
        QVERIFY(!window.ResultList()->MayEditAt(b, true));
    }

    void anArchiveFileWithMemberRowsKeepsItsName() {
        WriteFile(File(QStringLiteral("pack.zip")),
                  QByteArray::fromStdString(zbtest::BuildZip({{"in.txt", "member"}}).bytes));
        AnsweringDlg window;
        ShowFound(window, QStringLiteral("*"), 5);
        const int name = window.ResultModel()->FindVisibleColumn(COLUMN_ID_NAME);
        const auto editable = [&](const QString& row) {
            SelectRows(window, {row});
            return window.ResultList()->MayEditAt(
                window.ResultModel()->index(RowNamed(window, row), name), false);
        };
        QVERIFY(!editable(QStringLiteral("pack.zip")));
        QVERIFY(editable(QStringLiteral("a.txt")));
        // Without its members among the rows, it is a file like any other.
        Find(window, QStringLiteral("pack.zip"), m_files->path(), 1);
        QVERIFY(editable(QStringLiteral("pack.zip")));
    }

    void foldersRenamedTogetherMustShareTheirFolder() {
        WriteFile(File(QStringLiteral("sub/x.txt")), "x");
        AnsweringDlg window;
        ShowFound(window, QStringLiteral("sub;x.txt"), 2);
        SelectRows(window, {QStringLiteral("sub"), QStringLiteral("x.txt")});
        window.OnCommand(ID_RENAME);
        QCOMPARE(window.messages,
                 QStringList{QStringLiteral(
                     "You selected one or more directories . If you want to rename directories, "
                     "all items you selected must be in a same directory.  Please select again.")});
    }

    void exportWritesTheChosenLayout() {
        AnsweringDlg window;
        ShowFound(window);
        SelectRows(window, {QStringLiteral("c.txt")});
        window.exportChoice = {File(QStringLiteral("list")), ExportType::M3u, true};
        window.OnCommand(ID_EXPORT_RESULT);
        QCOMPARE(ReadFile(File(QStringLiteral("list.m3u"))),
                 "#EXTM3U\r\n" + QFile::encodeName(File(QStringLiteral("c.txt"))) + "\r\n");

        window.exportChoice = {File(QStringLiteral("list.HTML")), ExportType::Text, false};
        window.OnCommand(ID_EXPORT_RESULT);
        const QByteArray html = ReadFile(File(QStringLiteral("list.HTML")));
        QVERIFY(html.startsWith("<html>\r\n"));
        QVERIFY(html.contains("<td><p><b>Name</b></p></td>\r\n"));
        QVERIFY(html.contains("<td><p>a.txt</p></td>\r\n"));
        QVERIFY(window.messages.isEmpty());

        const QString nowhere = File(QStringLiteral("missing/list.txt"));
        window.exportChoice = {nowhere, ExportType::Text, false};
        window.OnCommand(ID_EXPORT_RESULT);
        QCOMPARE(window.messages, QStringList{QStringLiteral("Failed in exporting to ") + nowhere});
        // A failure is a warning.
        QCOMPARE(window.icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
    }

    void printHandsANewFileToThePrintCommand() {
        const QString printed = File(QStringLiteral("printed"));
        QVERIFY(QDir().mkpath(printed));
        AnsweringDlg window;
        window.SetPrintCommand({"cp", "-t", QFile::encodeName(printed).toStdString()});
        ShowFound(window);
        SelectRows(window, {QStringLiteral("c.txt")});  // printing takes every row
        window.OnCommand(ID_PRINT_RESULT);
        window.OnCommand(ID_PRINT_RESULT);
        const QString first = QStringLiteral("Zembrolt Search Result0.txt");
        const QString second = QStringLiteral("Zembrolt Search Result1.txt");
        // Both copies run at once: wait until both have ended.
        QTRY_COMPARE(WatchedProgramCount(), 0);
        QVERIFY(QFile::exists(printed + QLatin1Char('/') + second));
        const QByteArray text = ReadFile(printed + QLatin1Char('/') + first);
        QVERIFY2(text.startsWith("Name\tLocation\t"), text.constData());
        QCOMPARE(text.count("\r\n"), 4);
        QCOMPARE(text.count('\r'), 4);
        const QString folder = QString::fromStdString(window.PrintFiles().GetFolder());
        QVERIFY(QFile::exists(folder + QLatin1Char('/') + first));
        QVERIFY(window.messages.isEmpty());

        // A command that fails, and one that cannot be started.
        const QString failed = QStringLiteral("Failed in printing search result");
        window.SetPrintCommand({"false"});
        window.OnCommand(ID_PRINT_RESULT);
        QTRY_COMPARE(window.messages, QStringList{failed});
        QCOMPARE(window.icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
        window.SetPrintCommand({"no-such-print-command"});
        window.OnCommand(ID_PRINT_RESULT);
        QTRY_COMPARE(window.messages, (QStringList{failed, failed}));
        window.close();
        QVERIFY(!QFile::exists(folder + QLatin1Char('/') + first));
        QVERIFY(!QDir(folder).exists());
    }

    void aPrintEndingAfterItsWindowWentIsCollectedButNeverReported() {
        // The command waits for its file, then leaves a mark and fails.
        const std::string gate = QFile::encodeName(File(QStringLiteral("gate"))).toStdString();
        bool reported = false;
        {
            QWidget window;
            PrintFileWithDesktop(
                {"sh", "-c", R"(until [ -e "$1" ]; do sleep 0.01; done; : > "$1.done"; exit 1)",
                 "print"},
                gate, &window, [&reported] { reported = true; });
            QCOMPARE(WatchedProgramCount(), 1);
        }
        WriteFile(QFile::decodeName(gate.c_str()), "");
        QTRY_COMPARE(WatchedProgramCount(), 0);  // collected: no zombie is left
        QVERIFY(QFile::exists(QFile::decodeName(gate.c_str()) + QStringLiteral(".done")));
        QVERIFY(!reported);
    }

    void theListsMenuWithoutASelection() {
        AnsweringDlg window;
        ShowFound(window);
        QStringList items;
        QTimer::singleShot(0, [&items] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* action : menu->actions())
                items << action->text();
            menu->actions().front()->trigger();  // "Clear"
            menu->close();
        });
        window.OnListContextMenu(window.mapToGlobal(QPoint(300, 200)));
        QCOMPARE(items, (QStringList{"Clear", "Option", "Column Setting", "Print Search Result",
                                     "Export Search Result"}));
        QCOMPARE(window.ResultModel()->GetRowCount(), 0);
    }

    void exportDialogOffersTheFourTypes() {
        CExportDialog dialog;
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        QStringList shown;
        for (int i = 0; i < types->count(); ++i)
            shown << types->itemText(i);
        QCOMPARE(shown, (QStringList{"Text File(*.txt)", "Html File(*.htm;*.html)",
                                     "PLS Playlist(*.pls)", "M3U Playlist(*.m3u)"}));
        QCOMPARE(types->currentIndex(), 2);
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("pls"));
        QVERIFY(dialog.AllButton()->isChecked());
        QCOMPARE(dialog.SelectedButton()->text(), QStringLiteral("Only selected"));

        QTemporaryDir dir;
        dialog.setDirectory(dir.path());
        dialog.SetType(ExportType::M3u);
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("m3u"));
        dialog.SelectedButton()->setChecked(true);
        dialog.selectFile(QStringLiteral("list"));
        dialog.open();
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.GetType(), ExportType::M3u);
        QVERIFY(dialog.IsOnlySelected());
        QCOMPARE(dialog.selectedFiles(), QStringList{dir.filePath(QStringLiteral("list.m3u"))});
    }
};

ZB_GUI_TEST(ListCommandsTest);
#include "ListCommandsTest.moc"
