// The commands on found rows, on their own: Delete to the Trash, renaming in
// place, what the selection allows, export and print; then the window's part
// of them: its menu, F2, the list's menu and the print files at close.
#include "app/ResultRowCommands.h"

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
#include <QSignalSpy>
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
#include "ui/DesktopOpen.h"

namespace {

using zbgui::QuietDlg;
using zbgui::ReadFile;
using zbgui::RowCommands;
using zbgui::WriteFile;

}  // namespace

class ListCommandsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<zbtest::FreshUserFolders> m_userFolders;
    std::unique_ptr<QTemporaryDir> m_files;

    QString Trash() const { return m_userFolders->filePath(QStringLiteral("data/Trash")); }
    QString File(const QString& name) const { return m_files->filePath(name); }

private slots:
    void init() {
        m_userFolders = std::make_unique<zbtest::FreshUserFolders>();
        m_files = std::make_unique<QTemporaryDir>();
        for (const char* letter : {"a", "b", "c"})
            WriteFile(File(QLatin1String(letter) + QStringLiteral(".txt")), letter);
    }

    void deleteKeyMovesTheRowsFileToTheTrash() {
        RowCommands c;
        c.window.show();
        QCOMPARE(c.Find(QStringLiteral("*.txt"), m_files->path()), 3);
        QSignalSpy removed(&c.commands, &CResultRowCommands::RowsRemoved);
        QAbstractItemView* view = c.Select({QStringLiteral("b.txt")});
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(
            c.questions,
            QStringList{QStringLiteral("Are you sure you want to move 'b.txt' to the Trash?")});
        QVERIFY(!QFile::exists(File(QStringLiteral("b.txt"))));
        QCOMPARE(ReadFile(Trash() + QStringLiteral("/files/b.txt")), QByteArray("b"));
        QVERIFY(ReadFile(Trash() + QStringLiteral("/info/b.txt.trashinfo"))
                    .contains(QFile::encodeName(File(QStringLiteral("b.txt")))));
        QCOMPARE(c.model.GetRowCount(), 2);
        QCOMPARE(c.Row(QStringLiteral("b.txt")), -1);
        QCOMPARE(c.list->GetSelectedCount(), 0);
        QCOMPARE(removed.count(), 1);
        QVERIFY(c.messages.isEmpty());

        // "No" keeps the file and its row.
        c.answer = false;
        view = c.Select({QStringLiteral("a.txt")});
        QTest::keyClick(view, Qt::Key_Delete);
        QVERIFY(QFile::exists(File(QStringLiteral("a.txt"))));
        QCOMPARE(c.model.GetRowCount(), 2);
        QCOMPARE(removed.count(), 1);
    }

    void deleteOfSeveralRowsKeepsTheRowsThatStay() {
        // The trash of this test lies inside "keep": that folder cannot go into it.
        const QString data = File(QStringLiteral("keep/data"));
        QVERIFY(QDir().mkpath(data));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        RowCommands c;
        c.window.show();
        QCOMPARE(c.Find(QStringLiteral("a.txt;keep"), m_files->path()), 2);
        QAbstractItemView* view = c.Select({QStringLiteral("a.txt"), QStringLiteral("keep")});
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(c.questions,
                 QStringList{QStringLiteral("Are you sure you want to move these 2 items to the "
                                            "Trash?")});
        QCOMPARE(c.messages.size(), 1);
        QVERIFY(c.messages[0].startsWith(QStringLiteral("Cannot move '")));
        QCOMPARE(c.icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
        QVERIFY(!QFile::exists(File(QStringLiteral("a.txt"))));
        QVERIFY(QFile::exists(data));
        QCOMPARE(c.model.GetRowCount(), 1);
        QCOMPARE(c.model.GetCellText(0, 0), QStringLiteral("keep"));
        QCOMPARE(c.list->GetSelectedRows(), std::vector<int>{0});
    }

    void archiveMembersAreNeverDeletedOrRenamed() {
        WriteFile(File(QStringLiteral("pack.zip")),
                  QByteArray::fromStdString(zbtest::BuildZip({{"in.txt", "member"}}).bytes));
        RowCommands c;
        c.window.show();
        QCOMPARE(c.Find(QStringLiteral("in.txt"), m_files->path()), 1);
        QAbstractItemView* view = c.Select({QStringLiteral("in.txt")});
        const std::set<int> refused = c.commands.RefusedCommands();
        QVERIFY(refused.count(ID_EDIT_DELETE) && refused.count(ID_RENAME));
        QVERIFY(!refused.count(ID_EDIT_COPY));
        QTest::keyClick(view, Qt::Key_Delete);
        c.commands.OnDeleteCommand();
        c.commands.OnRenameCommand();
        QVERIFY(c.questions.isEmpty());
        QVERIFY(QFile::exists(File(QStringLiteral("pack.zip"))));
        QCOMPARE(c.model.GetRowCount(), 1);
        QVERIFY(!QApplication::focusWidget() ||
                !qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    }

    void renameEditsOneNameInPlaceAndEnterRenames() {
        RowCommands c;
        c.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&c.window));
        QCOMPARE(c.Find(QStringLiteral("*.txt"), m_files->path()), 3);
        QSignalSpy opened(c.list, &CResultListCtrl::OpenRequested);
        QSignalSpy tool(&c.commands, &CResultRowCommands::RenameToolRequested);
        c.Select({QStringLiteral("a.txt")});
        const int row = c.Row(QStringLiteral("a.txt"));
        // Types `name` over the open editor, which shows `shown`, and presses Enter.
        const auto typeName = [](const QString& shown, const QString& name) {
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            QVERIFY(editor);
            QCOMPARE(editor->text(), shown);
            editor->selectAll();
            QTest::keyClicks(editor, name);
            QTest::keyClick(editor, Qt::Key_Return);
        };
        c.commands.OnRenameCommand();
        typeName(QStringLiteral("a.txt"), QStringLiteral("renamed.txt"));
        QTRY_COMPARE(ReadFile(File(QStringLiteral("renamed.txt"))), QByteArray("a"));
        QVERIFY(!QFile::exists(File(QStringLiteral("a.txt"))));
        QCOMPARE(c.model.GetCellText(row, 0), QStringLiteral("renamed.txt"));
        // Enter in the editor is the editor's: nothing is opened.
        QCOMPARE(opened.count(), 0);

        // Onto an existing name: refused, said, and nothing changes.
        c.commands.OnRenameCommand();
        typeName(QStringLiteral("renamed.txt"), QStringLiteral("b.txt"));
        QTRY_COMPARE(c.messages.size(), 1);
        QVERIFY(c.messages[0].startsWith(QStringLiteral("Cannot rename renamed.txt: A file")));
        QCOMPARE(c.model.GetCellText(row, 0), QStringLiteral("renamed.txt"));
        QCOMPARE(ReadFile(File(QStringLiteral("b.txt"))), QByteArray("b"));

        // Several rows: no editing; the rename tool's turn instead.
        c.Select({QStringLiteral("b.txt"), QStringLiteral("c.txt")});
        c.commands.OnRenameCommand();
        QCOMPARE(tool.count(), 1);
        QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        // Nor does a click on one of them open an editor.
        const int name = c.model.FindVisibleColumn(COLUMN_ID_NAME);
        QVERIFY(!c.list->MayEditAt(c.model.index(c.Row(QStringLiteral("b.txt")), name), true));
    }

    void anArchiveFileWithMemberRowsKeepsItsName() {
        WriteFile(File(QStringLiteral("pack.zip")),
                  QByteArray::fromStdString(zbtest::BuildZip({{"in.txt", "member"}}).bytes));
        RowCommands c;
        QCOMPARE(c.Find(QStringLiteral("*"), m_files->path()), 5);
        const int name = c.model.FindVisibleColumn(COLUMN_ID_NAME);
        const auto editable = [&](const QString& row) {
            c.Select({row});
            return c.list->MayEditAt(c.model.index(c.Row(row), name), false);
        };
        QVERIFY(!editable(QStringLiteral("pack.zip")));
        QVERIFY(editable(QStringLiteral("a.txt")));
        // Without its members among the rows, it is a file like any other.
        QCOMPARE(c.Find(QStringLiteral("pack.zip"), m_files->path()), 1);
        QVERIFY(editable(QStringLiteral("pack.zip")));
    }

    void foldersRenamedTogetherMustShareTheirFolder() {
        WriteFile(File(QStringLiteral("sub/x.txt")), "x");
        RowCommands c;
        QCOMPARE(c.Find(QStringLiteral("sub;x.txt"), m_files->path()), 2);
        c.Select({QStringLiteral("sub"), QStringLiteral("x.txt")});
        QSignalSpy tool(&c.commands, &CResultRowCommands::RenameToolRequested);
        c.commands.OnRenameCommand();
        QCOMPARE(c.messages,
                 QStringList{QStringLiteral(
                     "You selected one or more directories . If you want to rename directories, "
                     "all items you selected must be in a same directory.  Please select again.")});
        QCOMPARE(tool.count(), 0);
    }

    void exportWritesTheChosenLayout() {
        RowCommands c;
        QCOMPARE(c.Find(QStringLiteral("*.txt"), m_files->path()), 3);
        c.Select({QStringLiteral("c.txt")});
        c.exportChoice = {File(QStringLiteral("list")), ExportType::M3u, true};
        c.commands.OnExport();
        QCOMPARE(ReadFile(File(QStringLiteral("list.m3u"))),
                 "#EXTM3U\r\n" + QFile::encodeName(File(QStringLiteral("c.txt"))) + "\r\n");

        c.exportChoice = {File(QStringLiteral("list.HTML")), ExportType::Text, false};
        c.commands.OnExport();
        const QByteArray html = ReadFile(File(QStringLiteral("list.HTML")));
        QVERIFY(html.startsWith("<html>\r\n"));
        QVERIFY(html.contains("<td><p><b>Name</b></p></td>\r\n"));
        QVERIFY(html.contains("<td><p>a.txt</p></td>\r\n"));
        QVERIFY(c.messages.isEmpty());

        const QString nowhere = File(QStringLiteral("missing/list.txt"));
        c.exportChoice = {nowhere, ExportType::Text, false};
        c.commands.OnExport();
        QCOMPARE(c.messages, QStringList{QStringLiteral("Failed in exporting to ") + nowhere});
        // A failure is a warning.
        QCOMPARE(c.icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
    }

    void printHandsANewFileToThePrintCommand() {
        const QString printed = File(QStringLiteral("printed"));
        QVERIFY(QDir().mkpath(printed));
        RowCommands c;
        c.commands.SetPrintCommand({"cp", "-t", QFile::encodeName(printed).toStdString()});
        QCOMPARE(c.Find(QStringLiteral("*.txt"), m_files->path()), 3);
        c.Select({QStringLiteral("c.txt")});  // printing takes every row
        c.commands.OnPrint();
        c.commands.OnPrint();
        const QString first = QStringLiteral("Zembrolt Search Result0.txt");
        const QString second = QStringLiteral("Zembrolt Search Result1.txt");
        // Both copies run at once: wait until both have ended.
        QTRY_COMPARE(WatchedProgramCount(), 0);
        QVERIFY(QFile::exists(printed + QLatin1Char('/') + second));
        const QByteArray text = ReadFile(printed + QLatin1Char('/') + first);
        QVERIFY2(text.startsWith("Name\tLocation\t"), text.constData());
        QCOMPARE(text.count("\r\n"), 4);
        QCOMPARE(text.count('\r'), 4);
        const QString folder = QString::fromStdString(c.commands.PrintFiles().GetFolder());
        QVERIFY(QFile::exists(folder + QLatin1Char('/') + first));
        QVERIFY(c.messages.isEmpty());

        // A command that fails, and one that cannot be started.
        const QString failed = QStringLiteral("Failed in printing search result");
        c.commands.SetPrintCommand({"false"});
        c.commands.OnPrint();
        QTRY_COMPARE(c.messages, QStringList{failed});
        QCOMPARE(c.icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
        c.commands.SetPrintCommand({"no-such-print-command"});
        c.commands.OnPrint();
        QTRY_COMPARE(c.messages, (QStringList{failed, failed}));
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

    void theWindowsMenuFollowsTheSelectionAndF2EditsTheName() {
        QuietDlg window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        zbgui::Find(window, QStringLiteral("*.txt"), m_files->path(), 3);
        window.UpdateSelectionCommands();
        for (int id : {ID_EDIT_DELETE, ID_RENAME})
            QVERIFY(!window.MenuAction(id)->isEnabled());
        QAbstractItemView* view = zbgui::SelectRows(window, {QStringLiteral("a.txt")});
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
        QTest::keyClick(view, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("a.txt"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(window.messages.isEmpty());
    }

    void closingTheWindowDeletesItsPrintFiles() {
        QuietDlg window;
        window.RowCommands().SetPrintCommand({"true"});
        window.show();
        zbgui::Find(window, QStringLiteral("*.txt"), m_files->path(), 3);
        window.OnCommand(ID_PRINT_RESULT);
        const QString folder =
            QString::fromStdString(window.RowCommands().PrintFiles().GetFolder());
        QVERIFY(QDir(folder).exists());
        QTRY_COMPARE(WatchedProgramCount(), 0);
        window.close();
        QVERIFY(!QDir(folder).exists());
        QVERIFY(window.messages.isEmpty());
    }

    void theListsMenuWithoutASelection() {
        QuietDlg window;
        window.show();
        zbgui::Find(window, QStringLiteral("*.txt"), m_files->path(), 3);
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
