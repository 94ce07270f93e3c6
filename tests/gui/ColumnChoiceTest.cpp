#include "app/ColumnChoice.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/SelectColumnDlg.h"
#include "app/ZembroltDlg.h"
#include "gui/GuiTestRegistry.h"
#include "readers/details/FixedColumnProvider.h"
#include "support/ColumnLists.h"
#include "support/PdfWriter.h"
#include "ui/HoverButton.h"

namespace {

using zbtest::Columns;

using zbtest::ColumnIds;

// Delivers Title (2) and Author (4) of ".pdf" names as "<id>/<name>", and
// counts the files it loads.
class CountingProvider : public CFixedColumnProvider {
public:
    CountingProvider() : CFixedColumnProvider(kColumns) { m_arrExtensions = {"pdf"}; }
    BOOL InitExtensions() override { return TRUE; }
    BOOL Load(const CProviderItem& item) override {
        ++loads;
        m_sName = item.m_sName;
        return TRUE;
    }
    BOOL GetValue(int id, COLUMNVALUE* value) override {
        value->text = std::to_string(id) + "/" + m_sName;
        return TRUE;
    }

    int loads = 0;

private:
    static constexpr int kColumns[] = {2, 4};
    std::string m_sName;
};

// A window, list and model over three records, with a counting provider.
struct Fixture {
    QWidget window;
    CDetailColumns columns;
    CResultListModel model{nullptr};
    CResultListCtrl* list = new CResultListCtrl(&model, &window);
    CColumnChoice choice{&window, columns, &model, list};
    std::shared_ptr<CResultArray> results = std::make_shared<CResultArray>();
    CountingProvider* provider = nullptr;
    QStringList messages;
    bool searching = false;

    Fixture() {
        CFileInfoProviderList providers;
        auto counting = std::make_unique<CountingProvider>();
        provider = counting.get();
        providers.push_back(std::move(counting));
        columns.SetProviders(std::move(providers));
        choice.SetMessageBox([this](const QString& text) { messages << text; });
        choice.SetSearchingTest([this] { return searching; });
        model.SetResults(results);
        choice.SetVisibleColumns(Columns({1001, 2, 4}));
        for (const char* name : {"a.pdf", "b.txt", "c.pdf"}) {
            CResultItem record;
            record.m_sName = name;
            record.m_sFolder = "/docs";
            columns.FillDetailColumns(record);
            results->Append(std::move(record));
        }
        model.InsertRows(results, 0, 3);
        QCoreApplication::processEvents();
    }
    QString Cell(int row, int id) const {
        return model.GetCellText(row, model.FindVisibleColumn(id));
    }
};

QList<QAction*> ColumnActions(const QMenu& menu) {
    QList<QAction*> actions;
    for (QAction* action : menu.actions()) {
        if (!action->isSeparator())
            actions << action;
    }
    return actions;
}

}  // namespace

class ColumnChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void dialogListsVisibleThenAvailableColumns() {
        CSelectColumnDlg dialog(Columns({1001, 1002, 2}), Columns({1003, 50}));
        QCOMPARE(dialog.TemplateId(), IDD_SELECT_COLUMN);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Visible Column"));
        QCOMPARE(dialog.HelpPage(), QStringLiteral("selviscoldlg.htm"));
        QVERIFY(dialog.findChild<QListWidget*>(QString::number(IDC_COLUMN_LIST)) != nullptr);
        for (const int id : {IDC_COLUMN_UP, IDC_COLUMN_DOWN, IDC_COLUMN_SHOW, IDC_COLUMN_HIDE,
                             IDC_COLUMN_RESET, 1, 2})
            QVERIFY2(dialog.Button(id) != nullptr, qPrintable(QString::number(id)));
        QCOMPARE(dialog.EntryIds(), (std::vector<int>{1001, 1002, 2, 1003, 50}));
        QCOMPARE(dialog.List()->item(2)->text(), QStringLiteral("Title"));
        const std::vector<bool> checked = {true, true, true, false, false};
        const std::vector<bool> enabled = {false, false, true, true, true};
        for (int row = 0; row < 5; ++row) {
            QCOMPARE(dialog.IsEntryChecked(row), bool(checked[row]));
            QCOMPARE(dialog.IsEntryEnabled(row), bool(enabled[row]));
        }
    }

    void dialogMovesShowsHidesAndResets() {
        CSelectColumnDlg dialog(Columns({1001, 1002, 2}), Columns({1003, 1004, 50, 1007}));
        // Nothing moves above the entries that cannot be hidden.
        dialog.List()->setCurrentRow(2);
        dialog.OnUp();
        QCOMPARE(dialog.EntryIds(), (std::vector<int>{1001, 1002, 2, 1003, 1004, 50, 1007}));
        // Down moves the current entry with its check; it stays current.
        dialog.OnDown();
        QCOMPARE(dialog.EntryIds(), (std::vector<int>{1001, 1002, 1003, 2, 1004, 50, 1007}));
        QCOMPARE(dialog.List()->currentRow(), 3);
        QVERIFY(dialog.IsEntryChecked(3));
        dialog.OnUp();
        QCOMPARE(dialog.EntryIds(), (std::vector<int>{1001, 1002, 2, 1003, 1004, 50, 1007}));
        // Show and Hide change only enabled entries.
        dialog.List()->setCurrentRow(0);
        dialog.OnHide();
        QVERIFY(dialog.IsEntryChecked(0));
        dialog.List()->setCurrentRow(5);
        dialog.OnShow();
        QVERIFY(dialog.IsEntryChecked(5));
        dialog.List()->setCurrentRow(2);
        dialog.OnHide();
        QVERIFY(!dialog.IsEntryChecked(2));
        // Reset checks exactly the columns shown by default.
        dialog.OnReset();
        QStringList shown;
        for (int row = 0; row < dialog.List()->count(); ++row) {
            if (dialog.IsEntryChecked(row))
                shown << dialog.List()->item(row)->text();
        }
        QCOMPARE(shown, QStringList({"Name", "Location", "Size", "Last Write Time", "Type"}));
        dialog.List()->setCurrentRow(5);
        dialog.OnShow();
        dialog.OnOK();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.GetResult(), (std::vector<int>{1001, 1002, 1003, 1004, 50, 1007}));
    }

    void headerMenuOffersTheColumnsInItsOrder() {
        Fixture f;
        QMenu menu;
        f.choice.BuildHeaderMenu(menu);
        const QList<QAction*> actions = ColumnActions(menu);
        QStringList titles;
        QList<int> commands;
        for (const QAction* action : actions) {
            titles << action->text();
            commands << action->data().toInt();
        }
        QCOMPARE(titles.mid(0, 3), QStringList({"Name", "Title", "Author"}));
        QCOMPARE(commands.mid(0, 3), QList<int>({1101, 102, 104}));
        QVERIFY(actions[0]->isChecked() && !actions[0]->isEnabled());
        QVERIFY(actions[1]->isChecked() && actions[1]->isEnabled());
        // The 22 choices less the three shown, unchecked, then "More..".
        QCOMPARE(commands.mid(3, 8), QList<int>({1102, 1103, 1104, 1105, 1106, 1107, 1108, 106}));
        QCOMPARE(commands.size(), 3 + 19 + 1);
        QVERIFY(!actions[3]->isChecked());
        QCOMPARE(actions.last()->text(), QStringLiteral("More.."));
        QCOMPARE(commands.last(), ID_HEADER_MORE_COLUMNS);
        QVERIFY(menu.actions()[menu.actions().size() - 2]->isSeparator());

        // Removing a visible column and appending another; Name stays.
        f.choice.OnHeaderCommand(104);
        f.choice.OnHeaderCommand(1103);
        f.choice.OnHeaderCommand(1101);
        QCOMPARE(ColumnIds(f.columns.GetVisibleColumns()), (std::vector<int>{1001, 2, 1003}));
        QCOMPARE(ColumnIds(f.model.GetVisibleColumns()), (std::vector<int>{1001, 2, 1003}));
    }

    void headerMenuIsRefusedWhileSearching() {
        Fixture f;
        f.searching = true;
        f.choice.OnHeaderMenu(QPoint(0, 0));
        QCOMPARE(f.messages, QStringList({"Column head can not be adjusted while searching."}));
        f.choice.OnSelectVisibleColumns();  // does nothing either
        QCOMPARE(ColumnIds(f.columns.GetVisibleColumns()), (std::vector<int>{1001, 2, 4}));
    }

    void reorderingMovesValuesAndAddingReadsThemAgain() {
        Fixture f;
        QCOMPARE(f.provider->loads, 2);
        QCOMPARE(f.Cell(0, 2), QStringLiteral("2/a.pdf"));
        QCOMPARE(f.Cell(2, 4), QStringLiteral("4/c.pdf"));
        // Author before Title, Title then gone: the values move, no file is read.
        f.choice.SetVisibleColumns(Columns({4, 1001, 2}));
        f.choice.SetVisibleColumns(Columns({4, 1001}));
        QCOMPARE(f.provider->loads, 2);
        QCOMPARE(f.Cell(0, 4), QStringLiteral("4/a.pdf"));
        QCOMPARE(f.results->GetAt(2).m_arrValues.size(), std::size_t(1));
        QVERIFY(f.Cell(1, 4).isEmpty());
        // Title again: every record is read again.
        f.choice.SetVisibleColumns(Columns({4, 1001, 2}));
        QCOMPARE(f.provider->loads, 4);
        QCOMPARE(f.Cell(2, 2), QStringLiteral("2/c.pdf"));
        QVERIFY(f.window.isEnabled());
    }

    void dialogRoadAppliesTheCheckedColumns() {
        Fixture f;
        f.choice.SetDialogRunner([](CSelectColumnDlg& dialog) {
            const std::vector<int> ids = dialog.EntryIds();
            const auto size = std::find(ids.begin(), ids.end(), 1003) - ids.begin();
            dialog.List()->setCurrentRow(static_cast<int>(size));
            dialog.OnShow();
            dialog.List()->setCurrentRow(1);  // Title
            dialog.OnHide();
            dialog.OnOK();
            return true;
        });
        f.choice.OnSelectVisibleColumns();
        QCOMPARE(ColumnIds(f.columns.GetVisibleColumns()), (std::vector<int>{1001, 4, 1003}));
        QCOMPARE(f.Cell(0, 4), QStringLiteral("4/a.pdf"));
        f.choice.SetDialogRunner([](CSelectColumnDlg&) { return false; });
        f.choice.OnSelectVisibleColumns();
        QCOMPARE(ColumnIds(f.columns.GetVisibleColumns()), (std::vector<int>{1001, 4, 1003}));
    }

    void aSearchFillsAndSortsThePdfColumns() {
        QTemporaryDir user;
        qputenv("XDG_CONFIG_HOME", user.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", user.filePath(QStringLiteral("data")).toUtf8());
        QTemporaryDir pdfs;
        const std::string folder = QFile::encodeName(pdfs.path()).toStdString();
        const std::pair<const char*, int> documents[] = {{"long", 3}, {"short", 1}, {"mid", 2}};
        for (const auto& [name, pages] : documents) {
            zbtest::PdfContents document;
            document.pages.assign(static_cast<std::size_t>(pages), {"text"});
            document.info = {{"Title", std::string(name) + " document"}};
            QFile file(QString::fromStdString(folder + "/" + name + ".pdf"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            const std::string bytes = zbtest::BuildPdf(document);
            file.write(bytes.data(), static_cast<qint64>(bytes.size()));
        }
        CZembroltDlg window;
        window.ColumnChoice()->SetVisibleColumns(Columns({1001, 2, 50}));
        window.FileNameCombo()->setEditText(QStringLiteral("*.pdf"));
        window.LookInCombo()->setEditText(QString::fromStdString(folder));
        window.OnFind();
        QTRY_VERIFY(!window.IsSearching());
        CResultListModel* model = window.ResultModel();
        QTRY_COMPARE(model->GetRowCount(), 3);
        const int pages = model->FindVisibleColumn(50);
        window.ResultList()->OnColumnClick(pages);
        QStringList shown;
        for (int row = 0; row < 3; ++row)
            shown << model->GetCellText(row, pages) + " " + model->GetCellText(row, 1);
        QCOMPARE(shown, QStringList({"1 Pages short document", "2 Pages mid document",
                                     "3 Pages long document"}));
        const QString dataFile = QString::fromStdString(window.GetDataFilePath());
        window.close();
        CZembroltDlg again;
        QCOMPARE(ColumnIds(again.DetailColumns().GetVisibleColumns()),
                 (std::vector<int>{1001, 2, 50}));
        QVERIFY(QFile::exists(dataFile));
    }
};

ZB_GUI_TEST(ColumnChoiceTest);
#include "ColumnChoiceTest.moc"
