#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "app/ColumnChoice.h"
#include "app/FileToolCommands.h"
#include "app/MainMenuTable.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/StartupArguments.h"
#include "app/ZembroltDlg.h"
#include "archives/ZipBuilder.h"
#include "gui/GuiTestRegistry.h"
#include "gui/ResultRowsSupport.h"
#include "readers/archives/ArchiveHandler.h"
#include "tools/ToolRecords.h"
#include "tools/windows/ChangeAttributesDlg.h"
#include "tools/windows/ChangeFileTimeDlg.h"
#include "tools/windows/FindDupDlg.h"
#include "tools/windows/FindDupFilesProcessDlg.h"
#include "tools/windows/FindRedundantDlg.h"
#include "tools/windows/RenameDlg.h"
#include "tools/windows/RenamePages.h"
#include "tools/windows/RenamePreviewModel.h"

namespace {

QString WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

// Records made the way the tools get them from the list.
struct Records {
    std::vector<std::unique_ptr<CResultItem>> owned;
    CToolRecordMaker maker;
    CResultItem* Add(const QString& path) {
        auto record = std::make_unique<CResultItem>();
        maker.MakeFileRecord(QFile::encodeName(path).toStdString(), *record);
        owned.push_back(std::move(record));
        return owned.back().get();
    }
    std::vector<CResultItem*> All() const {
        std::vector<CResultItem*> list;
        for (const auto& record : owned)
            list.push_back(record.get());
        return list;
    }
};

class ConfirmingRenameDlg : public CRenameDlg {
public:
    int asked = 0;

protected:
    bool ConfirmRename() override {
        ++asked;
        return true;
    }
};

// Runs `handle` on the next modal dialog of type T once it shows.
template <class T>
void WhenModal(std::function<void(T*)> handle) {
    QTimer::singleShot(0, [handle] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        handle(dialog);
    });
}

QStringList ColumnTexts(const CResultListModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.GetRowCount(); ++row)
        texts << model.GetCellText(row, column);
    return texts;
}

// The file tools over rows the engine found, without the window: their
// question answered, the redundant-file roots kept in the test's folder.
struct Tools : zbgui::FoundRows {
    CDetailColumns columns;
    CColumnChoice choice{&window, columns, &model, list};
    CAdvancedOptions options;
    CFileTypeGroupArray groups;
    CFileToolCommands tools{&window, engine, &model, list, columns, choice, options, groups};
    RedundantRoots roots;
    QStringList questions;
    bool answer = true;

    Tools() {
        tools.SetProviderMaker([] { InitArchiveHandlers(); });
        tools.SetQuestionBox([this](const std::string& text, const std::string&) {
            questions << QString::fromStdString(text);
            return answer;
        });
        tools.SetRedundantRoots([this] { return roots; });
        window.show();
    }
};

}  // namespace

class ToolWindowsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;

    QString Path(const QString& name) const { return m_dir->filePath(name); }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void changeAttributesStartsGrayAndSetsWhatIsChecked() {
        Records records;
        const QString a = WriteFile(Path(QStringLiteral("a.txt")), "a");
        const QString b = WriteFile(Path(QStringLiteral("b.txt")), "b");
        QFile::setPermissions(a, QFileDevice::ReadOwner);
        records.Add(a);
        records.Add(b);
        CChangeAttributesDlg dialog;
        dialog.SetItems(records.All());
        QCOMPARE(dialog.BoxOf(FILE_ATTRIBUTE_READONLY)->checkState(), Qt::PartiallyChecked);
        QCOMPARE(dialog.BoxOf(FILE_ATTRIBUTE_SYSTEM)->checkState(), Qt::Unchecked);
        QVERIFY(!dialog.SubFoldersBox()->isEnabled());
        dialog.BoxOf(FILE_ATTRIBUTE_READONLY)->setCheckState(Qt::Checked);
        dialog.OnOK();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        struct stat st {};
        lstat(QFile::encodeName(b).constData(), &st);
        QCOMPARE(st.st_mode & 0222, 0u);
        QVERIFY(records.owned[1]->m_dwAttributes & FILE_ATTRIBUTE_READONLY);
    }

    void changeFileTimeShowsCreatedDisabledAndSetsTheTickedTime() {
        Records records;
        const QString file = WriteFile(Path(QStringLiteral("t.txt")), "x");
        CResultItem* record = records.Add(file);
        CChangeFileTimeDlg dialog;
        dialog.SetItems(records.All());
        QVERIFY(!dialog.RowBox(CChangeFileTimeDlg::ROW_CREATED)->isEnabled());
        QVERIFY(!dialog.CreatedNote()->text().isEmpty());
        QVERIFY(!dialog.SubFoldersBox()->isEnabled());
        dialog.OnCurrent(CChangeFileTimeDlg::ROW_CREATED);
        QVERIFY(!dialog.RowBox(CChangeFileTimeDlg::ROW_CREATED)->isChecked());
        dialog.OnCurrent(CChangeFileTimeDlg::ROW_ACCESSED);
        QVERIFY(dialog.RowBox(CChangeFileTimeDlg::ROW_ACCESSED)->isChecked());
        dialog.RowBox(CChangeFileTimeDlg::ROW_MODIFIED)->setChecked(true);
        dialog.RowDate(CChangeFileTimeDlg::ROW_MODIFIED)->setDate(QDate(2001, 2, 3));
        dialog.RowTime(CChangeFileTimeDlg::ROW_MODIFIED)->setTime(QTime(4, 5, 6));
        dialog.OnOK();
        const QDateTime modified = QFileInfo(file).lastModified();
        QCOMPARE(modified, QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
        QVERIFY(QFileInfo(file).lastRead().date().year() > 2020);
        QCOMPARE(record->m_ftLastWrite.Value(),
                 std::uint64_t(modified.toSecsSinceEpoch() * 10000000ll + 116444736000000000ll));
    }

    void renamePreviewFollowsEditsAndTheListOrder() {
        Records records;
        for (const char* name : {"one.txt", "two.txt", "three.txt"})
            records.Add(WriteFile(Path(QString::fromLatin1(name)), name));
        ConfirmingRenameDlg dialog;
        dialog.SetItems(records.All(), RenameDetailReader());
        QVERIFY(dialog.minimumWidth() >= kRenameMinWidth);
        CRenamePreviewModel* model = dialog.PreviewModel();
        QCOMPARE(model->headerData(RENAME_COL_NEW_NAME, Qt::Horizontal).toString(),
                 QStringLiteral("Mew Name"));
        QCOMPARE(model->CellText(1, RENAME_COL_NEW_NAME), QStringLiteral("two.txt"));

        CFileNamePage* name = dialog.Sheet()->NamePage();
        name->TemplateEdit()->setText(QStringLiteral("file "));
        name->findChild<QPushButton*>(QStringLiteral("1091"))->click();  // "[C]"
        QCOMPARE(name->TemplateEdit()->text(), QStringLiteral("file [C]"));
        dialog.Sheet()->CounterPage()->DigitsSpin()->setValue(2);
        QCOMPARE(model->CellText(0, RENAME_COL_NEW_NAME), QStringLiteral("file 01.txt"));
        QCOMPARE(model->CellText(2, RENAME_COL_NEW_NAME), QStringLiteral("file 03.txt"));

        // An invalid template keeps the preview.
        name->TemplateEdit()->setText(QStringLiteral("a:b [C]"));
        QCOMPARE(model->CellText(0, RENAME_COL_NEW_NAME), QStringLiteral("file 01.txt"));
        name->TemplateEdit()->setText(QStringLiteral("file [C]"));

        dialog.PreviewList()->selectionModel()->select(
            model->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        dialog.OnUp();
        QCOMPARE(model->CellText(1, RENAME_COL_OLD_NAME), QStringLiteral("three.txt"));
        QCOMPARE(model->CellText(1, RENAME_COL_NEW_NAME), QStringLiteral("file 02.txt"));

        dialog.PreviewList()->header()->sectionClicked(RENAME_COL_OLD_NAME);
        QCOMPARE(model->CellText(0, RENAME_COL_OLD_NAME), QStringLiteral("one.txt"));
        QVERIFY(dialog.PreviewList()->header()->isSortIndicatorShown());

        dialog.OnRename();
        QCOMPARE(dialog.asked, 1);
        QCOMPARE(dialog.result(), 1);
        QVERIFY(QFile::exists(Path(QStringLiteral("file 01.txt"))));
        QVERIFY(QFile::exists(Path(QStringLiteral("file 03.txt"))));
        QVERIFY(!QFile::exists(Path(QStringLiteral("one.txt"))));
    }

    void renameEndsWith2001WhenARenameFails() {
        Records records;
        records.Add(WriteFile(Path(QStringLiteral("a.txt")), "a"));
        WriteFile(Path(QStringLiteral("taken.txt")), "keep");
        ConfirmingRenameDlg dialog;
        dialog.SetItems(records.All(), RenameDetailReader());
        dialog.Sheet()->NamePage()->TemplateEdit()->setText(QStringLiteral("taken"));
        dialog.OnRename();
        QCOMPARE(dialog.result(), IDD_RENAME_FAILED_RESULT);
        QVERIFY(QFile::exists(Path(QStringLiteral("a.txt"))));
    }

    void findDupDialogDefaultsAndChoices() {
        CFileTypeGroupArray groups{{"Pictures", "*.jpg;*.png"}};
        CFindDupDlg dialog({QStringLiteral("*.doc")}, groups);
        QCOMPARE(dialog.MinSizeCombo()->currentText(), QStringLiteral("65536"));
        QVERIFY(dialog.RuleButton(1)->isChecked());
        QVERIFY(dialog.CompressedBox()->isChecked());
        QVERIFY(dialog.SubFoldersBox()->isChecked());
        QCOMPARE(dialog.Folders(), QStringList{QStringLiteral("/")});
        QCOMPARE(dialog.FileNameCombo()->itemText(0), QStringLiteral("*.doc"));
        // Every label with a mnemonic has a field to take it ("&" is never shown).
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->text().contains(QLatin1Char('&')))
                QVERIFY2(label->buddy(), qPrintable(label->text()));
        }
        QVERIFY(dialog.ApplyFileTypeGroupCommand(GetFileTypeGroupCommand(0)));
        QCOMPARE(dialog.FileNameCombo()->currentText(), QStringLiteral("*.jpg;*.png"));

        dialog.OnRemoveAll();
        dialog.AddFolder(m_dir->path());
        dialog.RuleButton(3)->setChecked(true);
        dialog.MinSizeCombo()->setEditText(QStringLiteral("99999999999"));
        CFindDupOptions options;
        dialog.FillOptions(options);
        QCOMPARE(options.m_nRules, 12);
        QCOMPARE(options.m_nMinSize, 0xFFFFFFFFu);
        QCOMPARE(options.m_arrFolders.size(), std::size_t(1));
        QCOMPARE(options.m_arrPatterns.size(), std::size_t(2));
        QVERIFY(options.m_arrPatterns[0].m_bWildcard);
    }

    void findDuplicateFilesFillsTheListWithDupNo() {
        WriteFile(Path(QStringLiteral("a/same.bin")), QByteArray(5000, 'x'));
        WriteFile(Path(QStringLiteral("b/same.bin")), QByteArray(5000, 'x'));
        WriteFile(Path(QStringLiteral("b/other.bin")), QByteArray(5000, 'y'));
        zbgui::QuietDlg window;
        window.show();
        // The command line's /cmd:finddup runs the menu's command.
        window.ParseCommandLine(QStringLiteral("/cmd:finddup"));
        WhenModal<CFindDupDlg>([this](CFindDupDlg* dialog) {
            dialog->OnRemoveAll();
            dialog->AddFolder(m_dir->path());
            dialog->RuleButton(3)->setChecked(true);
            dialog->MinSizeCombo()->setEditText(QStringLiteral("0"));
            dialog->OnOK();
        });
        QTRY_COMPARE(window.ResultModel()->GetRowCount(), 2);
        const int dupColumn = window.ResultModel()->FindVisibleColumn(kDupNoColumnId);
        QCOMPARE(dupColumn, 2);
        QCOMPARE(window.ResultModel()->headerData(dupColumn, Qt::Horizontal).toString(),
                 QStringLiteral("Dup No"));
        QCOMPARE(ColumnTexts(*window.ResultModel(), dupColumn),
                 (QStringList{QStringLiteral("1"), QStringLiteral("1")}));
        QVERIFY(window.ResultModel()->FindVisibleColumn(COLUMN_ID_SIZE) >= 0);
        QCOMPARE(ColumnTexts(*window.ResultModel(), 0),
                 (QStringList{QStringLiteral("same.bin"), QStringLiteral("same.bin")}));
        // An ordinary search takes the column away again.
        window.RemoveDupNoColumn();
        QTRY_COMPARE(window.ResultModel()->FindVisibleColumn(kDupNoColumnId), -1);
    }

    void stoppingTheDuplicateSearchAndAnsweringNoLeavesTheListEmpty() {
        WriteFile(Path(QStringLiteral("a/same.bin")), QByteArray(100, 'x'));
        WriteFile(Path(QStringLiteral("b/same.bin")), QByteArray(100, 'x'));
        Tools t;
        t.answer = false;
        WhenModal<CFindDupDlg>([this](CFindDupDlg* dialog) {
            dialog->OnRemoveAll();
            dialog->AddFolder(m_dir->path());
            dialog->MinSizeCombo()->setEditText(QStringLiteral("0"));
            // Stop as soon as the search shows.
            WhenModal<CFindDupFilesProcessDlg>(
                [](CFindDupFilesProcessDlg* search) { search->StopButton()->click(); });
            dialog->OnOK();
        });
        t.tools.OnFindDuplicateFiles();
        QCOMPARE(t.questions,
                 QStringList{QStringLiteral("Do you want to display the files found so far?")});
        QCOMPARE(t.model.GetRowCount(), 0);
        QCOMPARE(t.model.FindVisibleColumn(kDupNoColumnId), -1);
    }

    void findRedundantFilesFillsTheListOnTheSearchThread() {
        Tools t;
        t.roots.tempFolder = Path(QStringLiteral("tmp")).toStdString();
        t.roots.trashFolders = {Path(QStringLiteral("trash")).toStdString()};
        t.roots.computer = {Path(QStringLiteral("disk")).toStdString()};
        for (const char* file :
             {"tmp/left.over", "trash/files/gone.txt", "disk/work.tmp", "disk/keep.txt"})
            WriteFile(Path(QLatin1String(file)), "x");
        WhenModal<CFindRedundantDlg>([](CFindRedundantDlg* dialog) {
            QVERIFY(dialog->OptionBox(1078)->isChecked());
            QVERIFY(!dialog->OptionBox(1080)->isChecked());
            dialog->accept();
        });
        // The search thread fills the list; it may have ended already.
        t.tools.OnFindRedundantFiles();
        t.engine.WaitForSearch();
        QTRY_COMPARE(t.model.GetRowCount(), 3);
        QCOMPARE(ColumnTexts(t.model, 0),
                 (QStringList{QStringLiteral("left.over"), QStringLiteral("gone.txt"),
                              QStringLiteral("work.tmp")}));
    }

    void toolCommandsActOnTheSelectedRows() {
        const QString file = WriteFile(Path(QStringLiteral("sel/r.txt")), "x");
        WriteFile(Path(QStringLiteral("sel/pack.zip")),
                  QByteArray::fromStdString(zbtest::BuildZip({{"r.txt", "member"}}).bytes));
        Tools t;
        QSignalSpy changed(&t.tools, &CFileToolCommands::RowsChanged);
        QCOMPARE(t.Find(QStringLiteral("r.txt"), Path(QStringLiteral("sel"))), 2);
        QVERIFY(t.tools.GetSelectedDiskRecords().empty());
        t.list->SelectAll();
        // The member inside the archive is no file on disk.
        QCOMPARE(t.tools.GetSelectedDiskRecords().size(), std::size_t(1));
        WhenModal<CChangeAttributesDlg>([](CChangeAttributesDlg* dialog) {
            dialog->BoxOf(FILE_ATTRIBUTE_READONLY)->setCheckState(Qt::Checked);
            dialog->OnOK();
        });
        t.tools.OnChangeAttributes();
        QVERIFY(!QFileInfo(file).isWritable() || geteuid() == 0);
        QVERIFY(t.tools.GetSelectedDiskRecords()[0]->m_dwAttributes & FILE_ATTRIBUTE_READONLY);
        QCOMPARE(changed.count(), 1);
    }

    // With sub folders the rows below a selected folder are read again (the
    // change reached their files); rows elsewhere are not.
    void changeAttributesReadsAgainTheRowsBelowTheSelectedFolders() {
        const QString inside = WriteFile(Path(QStringLiteral("tree/sub/in.txt")), "x");
        const QString outside = WriteFile(Path(QStringLiteral("tree/out.txt")), "x");
        Tools t;
        QCOMPARE(t.Find(QStringLiteral("sub;in.txt;out.txt"), Path(QStringLiteral("tree"))), 3);
        const auto attributes = [&t](const QString& name) {
            return t.model.GetRecord(t.Row(name))->m_dwAttributes;
        };
        QVERIFY(!(attributes(QStringLiteral("out.txt")) & FILE_ATTRIBUTE_READONLY));
        // Made read-only behind the list's back: its row keeps what it showed.
        QVERIFY(QFile::setPermissions(outside, QFile::ReadOwner));
        t.Select({QStringLiteral("sub")});
        WhenModal<CChangeAttributesDlg>([](CChangeAttributesDlg* dialog) {
            dialog->BoxOf(FILE_ATTRIBUTE_READONLY)->setCheckState(Qt::Checked);
            dialog->SubFoldersBox()->setChecked(true);
            dialog->OnOK();
        });
        t.tools.OnChangeAttributes();
        QVERIFY(!QFileInfo(inside).isWritable() || geteuid() == 0);
        QVERIFY(attributes(QStringLiteral("in.txt")) & FILE_ATTRIBUTE_READONLY);
        QVERIFY(!(attributes(QStringLiteral("out.txt")) & FILE_ATTRIBUTE_READONLY));
    }
};

ZB_GUI_TEST(ToolWindowsTest);
#include "ToolWindowsTest.moc"
