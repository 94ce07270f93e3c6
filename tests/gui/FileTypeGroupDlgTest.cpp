#include "app/FileTypeGroupDlg.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>

#include "app/EditFileTypeGroupDlg.h"
#include "gui/GuiTestRegistry.h"
#include "ui/HoverButton.h"

namespace {

// The group dialog with its message box and edit dialog replaced.
class TestGroupDlg : public CFileTypeGroupDlg {
public:
    using CFileTypeGroupDlg::CFileTypeGroupDlg;

    QStringList messages;
    // What the edit dialog was opened with, and what it answers.
    QString shownName;
    QString shownPatterns;
    int edits = 0;
    bool answerOk = true;
    QString answerName;
    QString answerPatterns;

protected:
    void ShowMessage(const QString& text) override { messages << text; }
    bool RunEditDialog(QString& name, QString& patterns) override {
        ++edits;
        shownName = name;
        shownPatterns = patterns;
        if (!answerOk)
            return false;
        name = answerName;
        patterns = answerPatterns;
        return true;
    }
};

QStringList RowNames(const CFileTypeGroupDlg& dialog) {
    QStringList names;
    for (int row = 0; row < dialog.List()->rowCount(); ++row)
        names << dialog.RowName(row);
    return names;
}

CFileTypeGroupArray SomeGroups() {
    return {{"Zip", "*.zip"}, {"audio", "*.ogg"}, {"Beta", "*.b"}, {"Audio", "*.mp3"}};
}

}  // namespace

class FileTypeGroupDlgTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithSortedRowsAndItsControls() {
        TestGroupDlg dialog(SomeGroups());
        QCOMPARE(dialog.TemplateId(), 103);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("File Type Group List"));
        QCOMPARE(dialog.HelpPage(), QStringLiteral("filetypelistdlg.htm"));
        QTableWidget* list = dialog.List();
        QCOMPARE(list->objectName(), QStringLiteral("1001"));
        QCOMPARE(list->horizontalHeaderItem(0)->text(), QStringLiteral("Name"));
        QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral("Search String"));
        QCOMPARE(list->columnWidth(0), 100);
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(list->showGrid());
        QCOMPARE(RowNames(dialog), (QStringList{"Audio", "audio", "Beta", "Zip"}));
        QCOMPARE(dialog.RowPatterns(0), QStringLiteral("*.mp3"));
        QCOMPARE(list->item(3, 1)->toolTip(), QStringLiteral("*.zip"));
        for (const int id : {1, 2, 3, 4, 5, 1003})
            QVERIFY2(dialog.Button(id) != nullptr, qPrintable(QString::number(id)));
        QCOMPARE(dialog.Button(1)->cursor().shape(), Qt::PointingHandCursor);
    }

    void addStartsWithStarDotAndKeepsTheOrder() {
        TestGroupDlg dialog(SomeGroups());
        dialog.answerName = QStringLiteral("Music");
        dialog.answerPatterns = QStringLiteral("*.flac");
        dialog.Button(3)->click();
        QCOMPARE(dialog.edits, 1);
        QCOMPARE(dialog.shownName, QString());
        QCOMPARE(dialog.shownPatterns, QStringLiteral("*."));
        QCOMPARE(RowNames(dialog), (QStringList{"Audio", "audio", "Beta", "Music", "Zip"}));
        QCOMPARE(dialog.RowPatterns(3), QStringLiteral("*.flac"));

        // The Insert key in the list adds too; Cancel adds nothing.
        dialog.answerOk = false;
        QTest::keyClick(dialog.List(), Qt::Key_Insert);
        QCOMPARE(dialog.edits, 2);
        QCOMPARE(dialog.List()->rowCount(), 5);
    }

    void editAndDeleteNeedASelectedRow() {
        TestGroupDlg dialog(SomeGroups());
        dialog.List()->clearSelection();
        dialog.Button(4)->click();
        dialog.Button(5)->click();
        QTest::keyClick(dialog.List(), Qt::Key_Delete);
        QCOMPARE(dialog.messages,
                 QStringList(3, QStringLiteral("Please select an item in the list.")));
        QCOMPARE(dialog.edits, 0);
        QCOMPARE(RowNames(dialog), (QStringList{"Audio", "audio", "Beta", "Zip"}));
    }

    void editReplacesTheRowAndResorts() {
        TestGroupDlg dialog(SomeGroups());
        dialog.List()->selectRow(2);  // Beta
        dialog.answerName = QStringLiteral("Archives");
        dialog.answerPatterns = QStringLiteral("*.7z;*.zip");
        dialog.Button(4)->click();
        QCOMPARE(dialog.shownName, QStringLiteral("Beta"));
        QCOMPARE(dialog.shownPatterns, QStringLiteral("*.b"));
        QCOMPARE(RowNames(dialog), (QStringList{"Archives", "Audio", "audio", "Zip"}));
        QCOMPARE(dialog.RowPatterns(0), QStringLiteral("*.7z;*.zip"));
        QCOMPARE(dialog.List()->selectedRanges().first().topRow(), 0);

        // Cancel leaves the row alone.
        dialog.answerOk = false;
        dialog.Button(4)->click();
        QCOMPARE(dialog.RowName(0), QStringLiteral("Archives"));
    }

    void doubleClickEdits() {
        TestGroupDlg dialog(SomeGroups());
        dialog.answerName = QStringLiteral("Zulu");
        dialog.answerPatterns = QStringLiteral("*.z");
        QTableWidget* list = dialog.List();
        list->selectRow(0);
        emit list->cellDoubleClicked(0, 0);
        QCOMPARE(dialog.edits, 1);
        QCOMPARE(dialog.shownName, QStringLiteral("Audio"));
        QCOMPARE(RowNames(dialog), (QStringList{"audio", "Beta", "Zip", "Zulu"}));
    }

    void deleteRemovesTheSelectedRowWithoutAsking() {
        TestGroupDlg dialog(SomeGroups());
        dialog.List()->selectRow(0);
        dialog.Button(5)->click();
        QCOMPARE(RowNames(dialog), (QStringList{"audio", "Beta", "Zip"}));
        dialog.List()->selectRow(2);
        QTest::keyClick(dialog.List(), Qt::Key_Delete);
        QCOMPARE(RowNames(dialog), (QStringList{"audio", "Beta"}));
        QVERIFY(dialog.messages.isEmpty());
    }

    void resetBringsBackTheBuiltInGroups() {
        TestGroupDlg dialog(SomeGroups());
        dialog.Button(1003)->click();
        QCOMPARE(dialog.List()->rowCount(), 11);
        QCOMPARE(RowNames(dialog).first(), QStringLiteral("All Files"));
        QCOMPARE(RowNames(dialog).last(), QStringLiteral("Source Code"));
    }

    void okReturnsTheRowsInNameOrder() {
        TestGroupDlg dialog(SomeGroups());
        dialog.Button(1)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const CFileTypeGroupArray expected = {
            {"Audio", "*.mp3"}, {"audio", "*.ogg"}, {"Beta", "*.b"}, {"Zip", "*.zip"}};
        QVERIFY(dialog.GetGroups() == expected);
    }

    void cancelKeepsTheGroupsGiven() {
        TestGroupDlg dialog(SomeGroups());
        dialog.List()->selectRow(0);
        dialog.Button(5)->click();
        dialog.Button(2)->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.GetGroups() == SomeGroups());
    }

    void editDialogTakesAnyText() {
        CEditFileTypeGroupDlg dialog(QStringLiteral("Audio"), QStringLiteral("*.mp3"));
        QCOMPARE(dialog.TemplateId(), 110);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit File Type Group"));
        QCOMPARE(dialog.HelpPage(), QStringLiteral("editfiletypedlg.htm"));
        QCOMPARE(dialog.NameEdit()->objectName(), QStringLiteral("1045"));
        QCOMPARE(dialog.PatternsEdit()->objectName(), QStringLiteral("1046"));
        QCOMPARE(dialog.GetName(), QStringLiteral("Audio"));
        QCOMPARE(dialog.GetPatterns(), QStringLiteral("*.mp3"));
        dialog.NameEdit()->clear();
        dialog.PatternsEdit()->clear();
        dialog.OkButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.GetName(), QString());
        QCOMPARE(dialog.GetPatterns(), QString());
    }

    void enterInThePatternsConfirms() {
        CEditFileTypeGroupDlg dialog(QString(), QStringLiteral("*."));
        QTest::keyClick(dialog.PatternsEdit(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.GetPatterns(), QStringLiteral("*."));
    }
};

ZB_GUI_TEST(FileTypeGroupDlgTest);
#include "FileTypeGroupDlgTest.moc"
