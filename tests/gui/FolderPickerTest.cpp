// The folder picker and the multi-folder dialog that collects its folders.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

#include "app/MultiFolderDlg.h"
#include "gui/ChosenFolders.h"
#include "gui/GuiTestRegistry.h"
#include "platform/shell/ShellApi.h"
#include "ui/FolderTreeCtrl.h"
#include "ui/RoundButton.h"
#include "ui/SelectFolderDlg.h"

namespace {

class RecordingPicker : public CSelectFolderDlg {
public:
    QStringList messages;

protected:
    void ShowMessage(const QString& text) override { messages << text; }
};

// The multi-folder dialog with its picker answered from a list.
class RecordingFolderDlg : public CMultiFolderDlg {
public:
    QStringList messages;
    std::vector<std::string> toPick;  // paths the picker hands back

protected:
    void ShowMessage(const QString& text) override { messages << text; }
    bool RunFolderPicker(std::vector<SELECTEDFOLDER>& picked) override {
        return zbtest::ChosenFolders(toPick, picked);
    }
};

std::string PathOf(const FOLDERITEM& folder) {
    std::string path;
    SHGetPathFromIDList(folder.m_pidlFull.get(), &path);
    return path;
}

QStringList RowTexts(QTreeWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        texts << list->topLevelItem(row)->text(0);
    return texts;
}

}  // namespace

class FolderPickerTest : public QObject {
    Q_OBJECT
    std::string m_base;

private slots:
    void init() {
        m_base = QDir::homePath().toStdString() + "/pick";
        for (const char* folder : {"/tree/alpha/inner", "/tree/beta", "/leaf"})
            QDir().mkpath(QString::fromStdString(m_base + folder));
        QFile file(QString::fromStdString(m_base + "/tree/file.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    void cleanup() { QDir(QString::fromStdString(m_base)).removeRecursively(); }

    void joinsPathsWithTheirOwnSeparator() {
        QCOMPARE(JoinPickedPath("/", "usr"), std::string("/usr"));
        QCOMPARE(JoinPickedPath("/home/me", "docs"), std::string("/home/me/docs"));
        QCOMPARE(JoinPickedPath("/home/me/", "docs"), std::string("/home/me/docs"));
        QCOMPARE(JoinPickedPath("Desktop\\Computer", "Disk"),
                 std::string("Desktop\\Computer\\Disk"));
    }

    void onePickedFolder() {
        RecordingPicker picker;
        QCOMPARE(picker.windowTitle(), QStringLiteral("Select Folder"));
        QCOMPARE(picker.SubFoldersBox()->text(), QStringLiteral("Select sub folders"));
        picker.show();
        picker.Tree()->setCurrentItem(nullptr);
        picker.OnOK();
        QVERIFY(picker.isVisible());
        QVERIFY(picker.Selection().empty());

        picker.Tree()->SelectPath(m_base + "/tree");
        QCOMPARE(picker.CurrentPath(), m_base + "/tree");
        picker.OnOK();
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        std::vector<SELECTEDFOLDER> picked = picker.TakeSelection();
        QCOMPARE(picked.size(), std::size_t{1});
        QCOMPARE(picked[0].m_sPath, m_base + "/tree");
        QCOMPARE(PathOf(picked[0]), m_base + "/tree");
        QVERIFY(picker.Selection().empty());
        // The node keeps its own place: it can be picked again.
        QVERIFY(picker.Tree()->GetSelectedFolderItem() != nullptr);
        QCOMPARE(picker.CollectSelection(), 1);
        QVERIFY(picker.messages.isEmpty());
    }

    void subFoldersOfAFolderAndALeafRefused() {
        RecordingPicker picker;
        picker.show();
        picker.SubFoldersBox()->setChecked(true);
        picker.Tree()->SelectPath(m_base + "/leaf");
        picker.OnOK();
        QCOMPARE(picker.messages, QStringList{QStringLiteral("leaf has not sub folders.")});
        QVERIFY(picker.isVisible());
        QVERIFY(picker.Selection().empty());

        // Another choice after the refusal.
        picker.Tree()->SelectPath(m_base + "/tree");
        picker.OnOK();
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        std::vector<std::string> paths;
        for (const SELECTEDFOLDER& folder : picker.Selection()) {
            paths.push_back(folder.m_sPath);
            QCOMPARE(PathOf(folder), folder.m_sPath);
        }
        QCOMPARE(paths, (std::vector<std::string>{m_base + "/tree/alpha", m_base + "/tree/beta"}));
    }

    void theListCollectsAndHandsOverTheFolders() {
        RecordingFolderDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Multi Folder Searching"));
        QCOMPARE(dialog.List()->headerItem()->text(0), QStringLiteral("Folder Name"));
        QCOMPARE(dialog.Button(IDC_MULTI_FOLDER_ADD)->text(), QStringLiteral("Add"));
        dialog.show();
        dialog.OnRemove();
        dialog.OnOK();
        QCOMPARE(
            dialog.messages,
            (QStringList{
                QStringLiteral("Please select an item in the list."),
                QStringLiteral("No folders were added. Please press add button to add folders.")}));
        QVERIFY(dialog.isVisible());

        dialog.toPick = {m_base + "/tree/alpha", m_base + "/leaf", m_base + "/tree/beta"};
        QTest::mouseClick(dialog.Button(IDC_MULTI_FOLDER_ADD), Qt::LeftButton);
        QCOMPARE(RowTexts(dialog.List()), (QStringList{"alpha", "leaf", "beta"}));

        QTreeWidget* list = dialog.List();
        list->setFocus();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(list->selectedItems().size(), 3);
        list->topLevelItem(1)->setSelected(false);
        QTest::keyClick(list, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(1)});
        // Plain A and Q do nothing.
        QTest::keyClick(list, Qt::Key_A);
        QTest::keyClick(list, Qt::Key_Q);
        QCOMPARE(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(1)});
        dialog.OnRemove();
        QCOMPARE(RowTexts(list), (QStringList{"alpha", "beta"}));

        QTest::mouseClick(dialog.Button(1), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(list->topLevelItemCount(), 0);
        const std::vector<SELECTEDFOLDER> folders = dialog.TakeFolders();
        QCOMPARE(folders.size(), std::size_t{2});
        QCOMPARE(PathOf(folders[0]), m_base + "/tree/alpha");
        QCOMPARE(folders[1].m_sPath, m_base + "/tree/beta");
    }

    void cancelHandsNothingOver() {
        RecordingFolderDlg dialog;
        dialog.toPick = {m_base + "/leaf"};
        dialog.OnAdd();
        dialog.OnRemoveAll();
        QCOMPARE(dialog.List()->topLevelItemCount(), 0);
        dialog.OnAdd();
        dialog.show();
        QTest::mouseClick(dialog.Button(2), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.TakeFolders().empty());
    }
};

ZB_GUI_TEST(FolderPickerTest);
#include "FolderPickerTest.moc"
