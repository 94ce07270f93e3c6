#include "app/ZembroltDlg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "app/AdvanceOptionSheet.h"
#include "app/IncludeStringPage.h"
#include "app/LogWindow.h"
#include "app/MainMenuTable.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ResultShell.h"
#include "app/SizeOptionPage.h"
#include "app/StartupArguments.h"
#include "app/ZembroltApp.h"
#include "archives/ArjBuilder.h"
#include "archives/CabBuilder.h"
#include "archives/Rar20TestEncoder.h"
#include "archives/RarBuilder.h"
#include "archives/ZipBuilder.h"
#include "gui/FreshUserFolders.h"
#include "gui/GuiTestRegistry.h"
#include "gui/ResultRowsSupport.h"
#include "platform/shell/ShellApi.h"
#include "ui/FolderTreeCtrl.h"
#include "ui/HelpViewer.h"
#include "ui/HoverButton.h"
#include "ui/SmallControls.h"

namespace {

// The main window with its message boxes and commands recorded instead of shown.
class RecordingDlg : public zbgui::QuietDlg {
public:
    QList<int> commands;

    void OnCommand(int id) override {
        commands << id;
        // The finders open their dialogs; the tool windows' own tests run them.
        if (id != ID_FIND_DUPLICATE && id != ID_FIND_REDUNDANT)
            CZembroltDlg::OnCommand(id);
    }
};

void Touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

// A folder with two .txt files (one in a sub-folder) and a .log file.
struct SampleFolder {
    QTemporaryDir dir;
    SampleFolder() {
        QDir(dir.path()).mkdir(QStringLiteral("sub"));
        Touch(dir.filePath(QStringLiteral("a.txt")));
        Touch(dir.filePath(QStringLiteral("sub/b.txt")));
        Touch(dir.filePath(QStringLiteral("c.log")));
    }
};

// A tree large enough that its walk is still running when the test acts
// on it: folders of empty files, made once per test.
struct BusyTree {
    QTemporaryDir dir;
    BusyTree() {
        for (int folder = 0; folder < 100; ++folder) {
            const QString sub = QStringLiteral("f%1").arg(folder);
            QDir(dir.path()).mkdir(sub);
            for (int file = 0; file < 10; ++file)
                Touch(dir.filePath(QStringLiteral("%1/n%2.txt").arg(sub).arg(file)));
        }
    }
};

// Types the names and the place and presses Enter in the file-name box.
void FindWithEnter(CZembroltDlg& window, const QString& names, const QString& lookIn) {
    window.FileNameCombo()->setEditText(names);
    window.LookInCombo()->setEditText(lookIn);
    QTest::keyClick(window.FileNameCombo(), Qt::Key_Return);
}

// Pixels of the list's rows area that are not the rows' background.
int ForegroundPixels(CZembroltDlg& window) {
    QAbstractItemView* view = window.ResultList()->GetCurrentView();
    QWidget* viewport = view->viewport();
    const QImage shot =
        window.grab(QRect(viewport->mapTo(&window, QPoint(0, 0)), viewport->size())).toImage();
    const QRgb background = viewport->palette().color(QPalette::Base).rgb();
    int count = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x)
            count += shot.pixel(x, y) != background ? 1 : 0;
    }
    return count;
}

}  // namespace

class ZembroltDlgTest : public QObject {
    Q_OBJECT
    std::unique_ptr<zbtest::FreshUserFolders> m_userFolders;

private slots:
    // Every test starts without settings or a data file.
    void init() { m_userFolders = std::make_unique<zbtest::FreshUserFolders>(); }

    void secondStartShowsWhatTheFirstSaved() {
        SampleFolder folder;
        QRect placed;
        {
            RecordingDlg first;
            first.show();
            FindWithEnter(first, QStringLiteral("*.txt"), folder.dir.path());
            QTRY_VERIFY(!first.IsSearching());
            first.OnCommand(ID_RESET_ADVANCE_TAB);
            first.OptionSheet()->SetActivePage(2);
            CFileTypeGroupArray groups = first.GetFileTypeGroups();
            groups.push_back({"Notes", "*.txt;*.md"});
            first.SetFileTypeGroups(groups);
            first.setGeometry(QRect(40, 50, 700, 520));
            placed = first.geometry();
            first.close();
        }
        QVERIFY(QFile::exists(QString::fromStdString(::GetDataFilePath())));

        RecordingDlg second;
        QCOMPARE(second.FileNameCombo()->currentText(), QStringLiteral("*.txt"));
        QCOMPARE(second.LookInCombo()->currentText(), folder.dir.path());
        QCOMPARE(second.FileNameCombo()->findText(QStringLiteral("*.txt")), 0);
        QCOMPARE(second.LookInCombo()->findText(folder.dir.path()), 0);
        QCOMPARE(second.OptionSheet()->GetActiveIndex(), 2);
        QCOMPARE(second.GetFileTypeGroups().back().m_sName, std::string("Notes"));
        QCOMPARE(second.geometry().topLeft(), placed.topLeft());
        QCOMPARE(second.geometry().size(), placed.size());
        QVERIFY(second.OptionSheet()->IsDefault());
        QVERIFY(second.messages.isEmpty());
    }

    void corruptSettingsAndDataFileStillStart() {
        {
            RecordingDlg first;
            first.close();
        }
        for (const QString& path :
             {QString::fromStdString(::GetDataFilePath()),
              m_userFolders->filePath(QStringLiteral("config/zembrolt/registry.reg"))}) {
            QFile file(path);
            QVERIFY2(file.exists(), qPrintable(path));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("ZBDF\x04\x01\x01\x00 garbage");
        }
        RecordingDlg second;
        second.show();
        QVERIFY(!second.GetFileTypeGroups().empty());  // the built-in groups
        QCOMPARE(second.GetFileTypeGroups().front().m_sName, std::string("All Files"));
        QVERIFY(second.ResultModel()->GetVisibleColumns().size() > 0);
        QVERIFY(second.OptionSheet()->isVisible());
    }

    void groupMenuPutsThePatternsIntoTheNames() {
        RecordingDlg window;
        const CFileTypeGroupArray& groups = window.GetFileTypeGroups();
        QVERIFY(groups.size() >= 3);
        QVERIFY(window.ApplyFileTypeGroupCommand(ID_FILE_TYPE_GROUP_FIRST + 2));
        QCOMPARE(window.FileNameCombo()->currentText(),
                 QString::fromStdString(groups[2].m_sPatterns));
        QVERIFY(window.ApplyFileTypeGroupCommand(ID_FILE_TYPE_GROUP_FIRST));  // "All Files"
        QCOMPARE(window.FileNameCombo()->currentText(), QString());
        QVERIFY(!window.ApplyFileTypeGroupCommand(ID_FILE_TYPE_GROUP_FIRST + 1000));
    }

    void opensWithItsControls() {
        RecordingDlg window;
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("Zembrolt"));
        for (const char* name :
             {"IDC_FILE_NAME_LABEL", "IDC_FILE_NAME_COMBO", "IDC_FILE_TYPE_MENU", "IDC_FIND",
              "IDC_ADVANCE", "IDC_LOOK_IN_LABEL", "IDC_LOOK_IN_COMBO", "IDC_FOLDER_TREE",
              "IDC_RESULT_LIST", "IDC_EXPORT", "IDC_PRINT_RESULT", "IDC_SEL_VISIBLE_COL",
              "IDC_SEL_VIEW_MODE", "IDC_STATUS_BAR"}) {
            QWidget* control = window.findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY2(control && control->isVisible(), name);
        }
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("IDC_FILE_NAME_LABEL"))->text(),
                 QStringLiteral("Search File Name:"));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("IDC_LOOK_IN_LABEL"))->text(),
                 QStringLiteral("Search In:"));
        QCOMPARE(window.FindButton()->text(), QStringLiteral("Search"));
        QCOMPARE(window.StatusText(), QStringLiteral("0 Objects"));
        QVERIFY(window.FolderTree()->topLevelItemCount() == 1);
        // The screen's minimum, grown to what the pane's controls need in the font.
        QVERIFY(window.GetMinLeftPaneWidth() >= MinimumLeftPaneWidth(window.logicalDpiX()));
        QCOMPARE(window.GetLeftPaneWidth(), window.GetMinLeftPaneWidth());
        QStringList menus;
        for (QAction* action : window.MenuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, (QStringList{"&File", "&Tools", "&Macro", "&Help"}));
        QVERIFY(window.messages.isEmpty());
    }

    void menuCarriesEveryCommandAndGraysWhatASearchLocks() {
        RecordingDlg window;
        window.show();
        QAction* exit = window.MenuAction(ID_APP_EXIT);
        QVERIFY(exit);
        QCOMPARE(exit->text(), QStringLiteral("Exit"));
        QCOMPARE(exit->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
        for (int id : {ID_EDIT_COPY, ID_RENAME, ID_FIND_DUPLICATE, ID_MACRO_LIST, ID_OPTION,
                       ID_CLEAR_RECENT_SEARCH, ID_VIEW_THUMBNAILS, ID_HELP_CONTENTS}) {
            QAction* action = window.MenuAction(id);
            QVERIFY2(action, qPrintable(QString::number(id)));
            QCOMPARE(action->isEnabled(), window.IsCommandAvailable(id));
        }
        QVERIFY(window.MenuAction(ID_CLEAR_RESULT)->isEnabled());
        QVERIFY(window.MenuAction(ID_SELECT_ALL)->isEnabled());
        window.BeginSearchUi();
        QVERIFY(!window.MenuAction(ID_CLEAR_RESULT)->isEnabled());
        QVERIFY(window.MenuAction(ID_SELECT_ALL)->isEnabled());
        window.EndSearchUi();
        QVERIFY(window.MenuAction(ID_CLEAR_RESULT)->isEnabled());
    }

    void layoutFollowsThePaneWidth() {
        RecordingDlg window;
        window.resize(900, 600);
        window.show();
        const int w = window.GetLeftPaneWidth();
        QCOMPARE(window.ResultList()->geometry().left(), w + 10);
        QCOMPARE(window.ResultList()->geometry().right() + 1, window.width() - 10);
        QCOMPARE(window.ResultList()->geometry().bottom() + 1, window.height() - 22);
        QCOMPARE(window.FolderTree()->geometry().right() + 1, w);
        QCOMPARE(window.FolderTree()->geometry().bottom() + 1, window.height() - 22);
        QCOMPARE(window.FileNameCombo()->geometry().right() + 1, w - 16);
        QCOMPARE(window.StatusBar()->geometry().top(), window.height() - 20);
        QCOMPARE(window.GetSplitterRect().left(), w + 4);
        QCOMPARE(window.findChild<QWidget*>(QStringLiteral("IDC_EXPORT"))->geometry().left(),
                 w + 10);
    }

    void keepsItsMinimumSize() {
        RecordingDlg window;
        window.show();
        QCOMPARE(window.minimumSize(), QSize(560, 440));
        window.resize(100, 100);
        QVERIFY(window.width() >= 560 && window.height() >= 440);
    }

    void enterFindsTheMatchingFiles() {
        SampleFolder folder;
        RecordingDlg window;
        window.show();
        FindWithEnter(window, QStringLiteral("*.txt"), folder.dir.path());
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 2);
        QStringList names;
        for (int row = 0; row < 2; ++row)
            names << window.ResultModel()->GetCellText(row, 0);
        names.sort();
        QCOMPARE(names, (QStringList{"a.txt", "b.txt"}));
        QTRY_COMPARE(window.FindButton()->text(), QStringLiteral("Search"));
        QTRY_VERIFY(window.StatusText().startsWith(QStringLiteral("2 Objects")));
        QVERIFY(window.messages.isEmpty());
        QCOMPARE(window.FileNameCombo()->findText(QStringLiteral("*.txt")), 0);
        QCOMPARE(window.LookInCombo()->findText(folder.dir.path()), 0);

        // A second search starts a new generation: the rows are replaced.
        FindWithEnter(window, QStringLiteral("*.log"), folder.dir.path());
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 1);
        QCOMPARE(window.ResultModel()->GetCellText(0, 0), QStringLiteral("c.log"));
        QCOMPARE(window.FileNameCombo()->count(), 2);
        QCOMPARE(window.LookInCombo()->count(), 1);
    }

    void folderPartOfTheNamesSetsTheLookIn() {
        SampleFolder folder;
        RecordingDlg window;
        window.show();
        FindWithEnter(window, folder.dir.path() + QStringLiteral("/sub/*.txt"), QString());
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 1);
        QCOMPARE(window.LookInCombo()->currentText(), folder.dir.path() + QStringLiteral("/sub"));
    }

    void enterAgainStopsTheSearch() {
        BusyTree tree;
        RecordingDlg window;
        window.show();
        FindWithEnter(window, QStringLiteral("*.no-such-extension"), tree.dir.path());
        if (!window.IsSearching())
            QSKIP("the search ended before it could be stopped");
        QTest::keyClick(window.LookInCombo(), Qt::Key_Return);
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.FindButton()->text(), QStringLiteral("Search"));
        QVERIFY(window.messages.isEmpty());
    }

    void closingWaitsForTheSearch() {
        BusyTree tree;
        RecordingDlg window;
        window.show();
        FindWithEnter(window, QStringLiteral("*"), tree.dir.path());
        window.close();
        QVERIFY(!window.IsSearching());
        QVERIFY(!window.isVisible());
    }

    void refusesAFolderPartThatDoesNotExist() {
        QTemporaryDir dir;
        RecordingDlg window;
        window.show();
        const QString nowhere = dir.path() + QStringLiteral("/nowhere");
        FindWithEnter(window, nowhere + QStringLiteral("/*.txt"), dir.path());
        QVERIFY(!window.IsSearching());
        QCOMPARE(window.messages,
                 QStringList{nowhere + QStringLiteral(" is not a valid directory.")});
        QCOMPARE(window.FindButton()->text(), QStringLiteral("Search"));
    }

    void invalidIncludeStringOpensTheIncludePage() {
        SampleFolder folder;
        RecordingDlg window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        CAdvanceOptionSheet* sheet = window.OptionSheet();
        QComboBox* include = sheet->IncludeStringPage()->TextCombo();
        include->setEditText(QStringLiteral("{alpha &"));
        sheet->IncludeStringPage()
            ->CheckBox(CIncludeStringPage::IDC_REGULAR_EXPRESSION)
            ->setChecked(true);
        FindWithEnter(window, QStringLiteral("*.txt"), folder.dir.path());
        QVERIFY(!window.IsSearching());
        QCOMPARE(window.messages, QStringList{QStringLiteral("Invalid regular expression")});
        QCOMPARE(sheet->GetActiveIndex(), 4);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(include));
        QCOMPARE(include->lineEdit()->selectedText(), QStringLiteral("{alpha &"));
    }

    void advanceButtonTurnsBlueWhileAPageDiffers() {
        RecordingDlg window;
        window.show();
        const QColor black(0, 0, 0), blue(0, 0, 255);
        QCOMPARE(window.AdvanceButton()->NormalTextColor(), black);
        QVERIFY(window.OptionSheet()->isVisible());
        window.OptionSheet()->SizePage()->TypeCombo()->setCurrentIndex(1);  // "At Least"
        QCOMPARE(window.AdvanceButton()->NormalTextColor(), blue);
        window.OnCommand(ID_RESET_ADVANCE_TAB);
        QCOMPARE(window.AdvanceButton()->NormalTextColor(), black);
        QCOMPARE(window.OptionSheet()->SizePage()->TypeCombo()->currentIndex(), 0);

        // Closing the pane hides the sheet and moves the look-in row up.
        const int lookInTop = window.LookInCombo()->y();
        QTest::mouseClick(window.AdvanceButton(), Qt::LeftButton);
        QVERIFY(!window.OptionSheet()->isVisible());
        QVERIFY(window.LookInCombo()->y() < lookInTop);
    }

    void tabMovesBetweenAdvanceSheetAndLookIn() {
        RecordingDlg window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget* tabs = window.OptionSheet()->TabControl();
        window.AdvanceButton()->setFocus();
        QTest::keyClick(window.AdvanceButton(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), tabs);
        QTest::keyClick(tabs, Qt::Key_Tab);
        QVERIFY(window.LookInCombo()->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == window.LookInCombo());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), tabs);
        QTest::keyClick(tabs, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window.AdvanceButton()));
    }

    void refusesAnEmptyPlace() {
        RecordingDlg window;
        window.show();
        window.FolderTree()->setCurrentItem(nullptr);
        FindWithEnter(window, QStringLiteral("*.txt"), QStringLiteral("no such place"));
        QVERIFY(!window.IsSearching());
        QCOMPARE(window.messages,
                 QStringList{QStringLiteral("no such place is not a valid directory.")});
    }

    void commandLineSetsTheLookIn() {
        SampleFolder folder;
        RecordingDlg window;
        window.ParseCommandLine(QLatin1Char('"') + folder.dir.path() + QLatin1Char('"'));
        QCOMPARE(window.LookInCombo()->currentText(), folder.dir.path());
        // A path that does not exist is ignored.
        window.ParseCommandLine(folder.dir.path() + QStringLiteral("/missing"));
        QCOMPARE(window.LookInCombo()->currentText(), folder.dir.path());
        QVERIFY(window.messages.isEmpty());
    }

    void commandLinePostsTheFinders() {
        RecordingDlg window;
        window.ParseCommandLine(QStringLiteral("/cmd:finddup"));
        QVERIFY(window.commands.isEmpty());  // posted, not run at once
        QTRY_COMPARE(window.commands, QList<int>{ID_FIND_DUPLICATE_FILES});
        window.commands.clear();
        window.ParseCommandLine(QStringLiteral("/cmd:findredundant"));
        QTRY_COMPARE(window.commands, QList<int>{ID_FIND_REDUNDANT_FILES});
        window.commands.clear();
        window.ParseCommandLine(QStringLiteral("/cmd:FindDup"));
        QCoreApplication::processEvents();
        QVERIFY(window.commands.isEmpty());
    }

    void commandLineWithABrokenQuoteIsInvalid() {
        RecordingDlg window;
        window.ParseCommandLine(QStringLiteral("\"a"));
        QCOMPARE(window.messages.size(), 1);
        QVERIFY(window.messages[0].endsWith(QStringLiteral(" is invalid parameter")));
        QVERIFY(window.messages[0].contains(QStringLiteral("\"a")));
    }

    void commandLineIsTheArgumentsJoined() {
        QCOMPARE(CZembroltApp::CommandLineFromArguments({"zembrolt", "/my", "docs"}),
                 QStringLiteral("/my docs"));
        QCOMPARE(CZembroltApp::CommandLineFromArguments({"zembrolt"}), QString());
    }

    void showLogWindowToggles() {
        RecordingDlg window;
        window.show();
        QVERIFY(GetLogWindow() != nullptr);
        QVERIFY(!IsLogWindowVisible());
        window.OnCommand(ID_SHOW_LOG_WINDOW);
        QVERIFY(IsLogWindowVisible());
        window.OnCommand(ID_SHOW_LOG_WINDOW);
        QVERIFY(!IsLogWindowVisible());
    }

    void escapeNeverCloses() {
        RecordingDlg window;
        window.show();
        QTest::keyClick(window.LookInCombo(), Qt::Key_Escape);
        QTest::keyClick(window.FileNameCombo(), Qt::Key_Escape);
        QTest::keyClick(&window, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QVERIFY(window.isVisible());
    }

    void listKeysAndScreenshot() {
        SampleFolder folder;
        RecordingDlg window;
        window.resize(900, 600);
        window.show();
        const int emptyPixels = ForegroundPixels(window);
        FindWithEnter(window, QStringLiteral("*.txt"), folder.dir.path());
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 2);
        QVERIFY(ForegroundPixels(window) > emptyPixels);

        QAbstractItemView* view = window.ResultList()->GetCurrentView();
        QItemSelectionModel* selection = window.ResultList()->GetSelectionModel();
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(window.ResultList()->GetSelectedCount(), 2);
        QVERIFY(window.StatusText().startsWith(QStringLiteral("2 Objects  ")));
        QTest::keyClick(view, Qt::Key_Escape);
        QCOMPARE(window.ResultList()->GetSelectedCount(), 0);
        QVERIFY(window.isVisible());

        selection->select(window.ResultModel()->index(0, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(view, Qt::Key_Q);  // swallowed without Ctrl
        QCOMPARE(window.ResultList()->GetSelectedRows(), std::vector<int>{0});
        QTest::keyClick(view, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(window.ResultList()->GetSelectedRows(), std::vector<int>{1});
        QVERIFY(window.StatusText().startsWith(QStringLiteral("1 Objects  ")));
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(window.ResultList()->GetSelectedCount(), 0);
        QVERIFY(window.StatusText().startsWith(QStringLiteral("2 Objects  ")));
        window.OnCommand(ID_CLEAR_RESULT);
        QCOMPARE(window.ResultModel()->GetRowCount(), 0);
        QCOMPARE(window.StatusText(), QStringLiteral("0 Objects"));
        // Enter on the list is the list's own: no search starts.
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(!window.IsSearching());
    }

    void enterOpensRowsAndExtractsArchiveMembersFirst() {
        QTemporaryDir dir;
        QFile zip(dir.filePath(QStringLiteral("pack.zip")));
        QVERIFY(zip.open(QIODevice::WriteOnly));
        zip.write(QByteArray::fromStdString(
            zbtest::BuildZip({{"docs/readme.txt", "hello from the archive"}}).bytes));
        zip.close();
        Touch(dir.filePath(QStringLiteral("plain.txt")));

        RecordingDlg window;
        QStringList opened;
        window.Shell().SetFileOpener(
            [&opened](const std::string& path) { opened << QFile::decodeName(path.c_str()); });
        window.show();
        FindWithEnter(window, QStringLiteral("*.txt"), dir.path());
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 2);

        QAbstractItemView* view = window.ResultList()->GetCurrentView();
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(opened.size(), 2);
        QString extracted;
        for (const QString& path : opened) {
            if (path != dir.filePath(QStringLiteral("plain.txt")))
                extracted = path;
        }
        QVERIFY(extracted.endsWith(QStringLiteral("/docs/readme.txt")));
        QFile member(extracted);
        QVERIFY(member.open(QIODevice::ReadOnly));
        QCOMPARE(member.readAll(), QByteArray("hello from the archive"));
        QVERIFY(!window.IsSearching());  // Enter on the list never starts a search

        window.close();
        QVERIFY(!QFile::exists(extracted));
    }

    void foundRarArjAndCabMembersOpenFromTheList() {
        QTemporaryDir dir;
        const auto write = [&dir](const char* name, const std::string& bytes) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::fromStdString(bytes));
        };
        zbtest::Rar20TestEncoder encoder;
        encoder.Tables(std::vector<std::uint8_t>(298, 9), std::vector<std::uint8_t>(48, 6),
                       std::vector<std::uint8_t>(28, 5));
        for (const char c : std::string("from a rar")) {
            encoder.Literal(static_cast<std::uint8_t>(c));
        }
        write("pack.rar",
              zbtest::RarBuilder()
                  .File(zbtest::RarFile::Packed("rar\\found.txt", encoder.Bytes(), encoder.Data()))
                  .End());
        write("pack.arj", zbtest::StoredArj({{"arj/found.txt", "from an arj"}}));
        write("pack.cab", zbtest::SimpleCab({{"cab\\found.txt", "from a cab"}}, zbtest::kCabMszip));

        RecordingDlg window;
        QStringList opened;
        window.Shell().SetFileOpener([&opened](const std::string& path) {
            QFile member(QFile::decodeName(path.c_str()));
            opened << (member.open(QIODevice::ReadOnly) ? QString::fromLatin1(member.readAll())
                                                        : member.fileName());
        });
        window.show();
        FindWithEnter(window, QStringLiteral("found.txt"), dir.path());
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 3);
        QAbstractItemView* view = window.ResultList()->GetCurrentView();
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Return);
        opened.sort();
        QCOMPARE(opened, (QStringList{QStringLiteral("from a cab"), QStringLiteral("from a rar"),
                                      QStringLiteral("from an arj")}));
    }

    void savedPositionStaysOnTheDesktop() {
        SavedWindowRect rect{1500, 900, 1800, 1200};
        ClampSavedRect(rect, 1024, 768);
        QCOMPARE(rect.left, 464);
        QCOMPARE(rect.top, 328);
        QCOMPARE(rect.right, 1024);
        QCOMPARE(rect.bottom, 768);
        SavedWindowRect negative{-20, -5, 600, 500};
        ClampSavedRect(negative, 1024, 768);
        QCOMPARE(negative.left, 0);
        QCOMPARE(negative.top, 0);

        RecordingDlg window;
        const QRect before = window.geometry();
        window.RestoreSavedPosition();  // nothing saved: stays where it is
        QCOMPARE(window.geometry(), before);
        window.SavedPosition() = SavedWindowRect{20, 30, 720, 530};
        window.RestoreSavedPosition();
        QCOMPARE(window.geometry().size(), QSize(700, 500));
    }

    void shiftClickListsAFolder() {
        SampleFolder folder;
        RecordingDlg window;
        window.show();
        window.SetLookIn(folder.dir.path());
        window.ListFolderAll();
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 3);
        // Folders first after sorting; the sub-folder's content is not listed.
        QCOMPARE(window.ResultModel()->GetCellText(0, 0), QStringLiteral("sub"));
        QVERIFY(window.isEnabled());

        window.FileNameCombo()->setEditText(QStringLiteral("*.txt"));
        window.ListFolderMatching();
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 1);
        QCOMPARE(window.ResultModel()->GetCellText(0, 0), QStringLiteral("a.txt"));
    }

    void typedTextIsSearchedAsTyped() {
        SampleFolder folder;
        RecordingDlg window;
        window.show();
        FindWithEnter(window, QStringLiteral("a.t*"), folder.dir.path());
        QTRY_VERIFY(!window.IsSearching());
        window.OptionSheet()->IncludeStringPage()->TextCombo()->setEditText(
            QStringLiteral("alpha"));
        window.OptionSheet()->AddIncludeStringToHistory();

        // Each box holds an entry that begins with what is typed next; none
        // completes the typed text with it.
        const QList<QPair<QComboBox*, QString>> boxes{
            {window.FileNameCombo(), QStringLiteral("a")},
            {window.LookInCombo(), folder.dir.path().left(1)},
            {window.OptionSheet()->IncludeStringPage()->TextCombo(), QStringLiteral("a")}};
        for (const auto& [box, typed] : boxes) {
            box->setEditText(QString());
            box->lineEdit()->setFocus();
            QTest::keyClicks(box->lineEdit(), typed);
            QCOMPARE(box->currentText(), typed);
        }
        window.LookInCombo()->setEditText(folder.dir.path());
        window.OptionSheet()->IncludeStringPage()->TextCombo()->setEditText(QString());
        QTest::keyClick(window.FileNameCombo()->lineEdit(), Qt::Key_Return);
        QTRY_VERIFY(!window.IsSearching());
        QCOMPARE(window.CurrentSearchData().m_MainData.m_sFindString, std::string("a"));
    }

    void commandLineArchiveIsSearchedInside() {
        QTemporaryDir dir;
        const QString archive = dir.filePath(QStringLiteral("pack.zip"));
        QFile zip(archive);
        QVERIFY(zip.open(QIODevice::WriteOnly));
        zip.write(QByteArray::fromStdString(
            zbtest::BuildZip({{"docs/readme.txt", "inside"}, {"top.txt", "top"}}).bytes));
        zip.close();
        Touch(dir.filePath(QStringLiteral("beside.txt")));

        RecordingDlg window;
        window.show();
        window.ParseCommandLine(archive);
        const FOLDERITEM* selected = window.FolderTree()->GetSelectedFolderItem();
        QVERIFY(selected);
        QCOMPARE(selected->m_nKind, FOLDERITEM_ARCHIVE);
        QCOMPARE(window.LookInCombo()->currentText(), archive);

        window.FileNameCombo()->setEditText(QStringLiteral("*.txt"));
        QTest::keyClick(window.FileNameCombo(), Qt::Key_Return);
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 2);
        QStringList names;
        for (int row = 0; row < 2; ++row) {
            QVERIFY(window.ResultModel()->GetRecord(row)->m_dwFlags & RIF_IN_ARCHIVE);
            names << window.ResultModel()->GetCellText(row, 0);
        }
        names.sort();
        QCOMPARE(names, (QStringList{"readme.txt", "top.txt"}));
        QVERIFY(window.messages.isEmpty());
    }

    void treeKeepsTheListedAndTheSearchedFolder() {
        SampleFolder folder;
        RecordingDlg window;
        window.resize(900, 700);
        window.show();
        CFolderTreeCtrl* tree = window.FolderTree();
        // The desktop's Home node: Computer leads to the same folder.
        QTreeWidgetItem* home = nullptr;
        QTreeWidgetItem* root = tree->topLevelItem(0);
        for (int i = 0; i < root->childCount() && !home; ++i) {
            std::string path;
            const FOLDERITEM* data = CFolderTreeCtrl::GetFolderItem(root->child(i));
            if (data && SHGetPathFromIDList(data->m_pidlFull.get(), &path) &&
                QFile::decodeName(path.c_str()) == QDir::homePath())
                home = root->child(i);
        }
        QVERIFY(home);
        tree->scrollToItem(home);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          tree->visualItemRect(home).center());
        QTRY_VERIFY(window.isEnabled());
        QCOMPARE(tree->currentItem(), home);
        QVERIFY(home->isSelected());

        FindWithEnter(window, QStringLiteral("*.txt"), folder.dir.path());
        QTRY_VERIFY(!window.IsSearching());
        QCOMPARE(QFile::decodeName(tree->SelectedPath().c_str()), folder.dir.path());
        QVERIFY(tree->currentItem()->isSelected());
        QCOMPARE(window.LookInCombo()->currentText(), folder.dir.path());
    }

    void closingTheWindowClosesItsHelp() {
        RecordingDlg window;
        window.show();
        QTest::keyClick(&window, Qt::Key_F1);
        QVERIFY(CHelpViewer::Current() != nullptr);
        window.close();
        QVERIFY(CHelpViewer::Current() == nullptr);
    }

    void splitterStopsAtItsLimits() {
        QCOMPARE(ClampLeftPaneWidth(2000, 1366, 310), 620);
        QCOMPARE(ClampLeftPaneWidth(-50, 1366, 310), 310);
        QCOMPARE(ClampLeftPaneWidth(500, 450, 310), 440);
        QCOMPARE(ClampLeftPaneWidth(500, 200, 310), 310);   // a narrow window still keeps 310
        QCOMPARE(ClampLeftPaneWidth(900, 1366, 700), 700);  // a minimum above 620 wins

        RecordingDlg window;
        window.resize(1366, 900);
        window.show();
        const QPoint grip = window.GetSplitterRect().center();
        QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, grip);
        QTest::mouseMove(&window, QPoint(1300, grip.y()));
        QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, QPoint(1300, grip.y()));
        QCOMPARE(window.GetLeftPaneWidth(), std::max(620, window.GetMinLeftPaneWidth()));
        const QPoint moved = window.GetSplitterRect().center();
        QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, moved);
        QTest::mouseMove(&window, QPoint(5, moved.y()));
        QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, QPoint(5, moved.y()));
        QCOMPARE(window.GetLeftPaneWidth(), window.GetMinLeftPaneWidth());
        // The view button stays inside the window.
        QWidget* views = window.findChild<QWidget*>(QStringLiteral("IDC_SEL_VIEW_MODE"));
        QVERIFY(window.rect().contains(views->geometry()));
    }

    void statusFollowsClicksTypeAheadAndHomeEnd() {
        SampleFolder folder;
        Touch(folder.dir.filePath(QStringLiteral("d.txt")));
        RecordingDlg window;
        window.resize(900, 600);
        window.show();
        FindWithEnter(window, QStringLiteral("*.txt"), folder.dir.path());
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 3);
        window.ResultList()->OnColumnClick(0);  // a.txt, b.txt, d.txt
        auto* view = window.ResultList()->GetCurrentView();
        QTRY_VERIFY(window.StatusText().startsWith(QStringLiteral("3 Objects")));

        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                          view->visualRect(window.ResultModel()->index(1, 0)).center());
        QTRY_VERIFY(window.StatusText().startsWith(QStringLiteral("1 Objects")));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          view->visualRect(window.ResultModel()->index(2, 0)).center());
        QTRY_VERIFY(window.StatusText().startsWith(QStringLiteral("2 Objects")));

        view->setCurrentIndex(window.ResultModel()->index(0, 2));
        QTest::keyClick(view, Qt::Key_End);
        QCOMPARE(view->currentIndex().row(), 2);
        QTRY_VERIFY(window.StatusText().startsWith(QStringLiteral("1 Objects")));
        QTest::keyClick(view, Qt::Key_Home);
        QCOMPARE(view->currentIndex().row(), 0);

        window.ResultList()->GetSelectionModel()->clearSelection();
        QTRY_VERIFY(window.StatusText().startsWith(QStringLiteral("3 Objects")));
        QTest::keyClicks(view, QStringLiteral("d"));
        QCOMPARE(view->currentIndex().row(), 2);
        QTRY_VERIFY(window.StatusText().startsWith(QStringLiteral("1 Objects")));
    }

    void columnWidthsStayAndANewSearchStartsAtTheLeft() {
        SampleFolder folder;
        RecordingDlg window;
        window.resize(700, 500);
        window.show();
        auto* table = qobject_cast<QTableView*>(window.ResultList()->GetCurrentView());
        QVERIFY(table);
        QHeaderView* header = table->horizontalHeader();
        header->resizeSection(0, 150);
        header->resizeSection(1, 900);
        FindWithEnter(window, QStringLiteral("*.txt"), folder.dir.path());
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 2);
        QCOMPARE(header->sectionSize(0), 150);
        QCOMPARE(header->sectionSize(1), 900);

        // A click on a Location cell keeps the names in view.
        QScrollBar* across = table->horizontalScrollBar();
        QCOMPARE(across->value(), 0);
        const QRect location = table->visualRect(window.ResultModel()->index(0, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(table->viewport()->width() - 5, location.center().y()));
        QCOMPARE(across->value(), 0);

        across->setValue(across->maximum());
        QVERIFY(across->value() > 0);
        FindWithEnter(window, QStringLiteral("*.log"), folder.dir.path());
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 1);
        QCOMPARE(across->value(), 0);
        QCOMPARE(header->sectionSize(1), 900);
    }

    void altTwoHidesTheLogWindowFromTheLogWindow() {
        RecordingDlg window;
        window.show();
        window.OnCommand(ID_SHOW_LOG_WINDOW);
        CLogWindow* log = GetLogWindow();
        QVERIFY(log && log->isVisible());
        log->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(log));
        QTest::keyClick(log->Edit(), Qt::Key_2, Qt::AltModifier);
        QVERIFY(!IsLogWindowVisible());
    }

    void aFailedOpenSaysWhy() {
        QTemporaryDir dir;
        Touch(dir.filePath(QStringLiteral("plain.txt")));
        QTemporaryDir tools;
        const QByteArray path = qgetenv("PATH");
        const auto opener = [&tools](int exitCode) {
            QFile script(tools.filePath(QStringLiteral("xdg-open")));
            QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
            script.write("#!/bin/sh\nexit " + QByteArray::number(exitCode) + "\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        };
        RecordingDlg window;
        window.show();
        FindWithEnter(window, QStringLiteral("plain.txt"), dir.path());
        QTRY_VERIFY(!window.IsSearching());
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 1);
        QAbstractItemView* view = window.ResultList()->GetCurrentView();
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);

        const QString noApplication = QStringLiteral(
            "There is no application associated\nwith the given filename extension.");
        // No opener installed at all.
        qputenv("PATH", tools.path().toLocal8Bit());
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_COMPARE(window.messages, QStringList{noApplication});
        // The opener finds no application for the file.
        opener(3);
        window.messages.clear();
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_COMPARE(window.messages, QStringList{noApplication});
        qputenv("PATH", path);
    }
};

ZB_GUI_TEST(ZembroltDlgTest);
#include "ZembroltDlgTest.moc"
