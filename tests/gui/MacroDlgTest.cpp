#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include "app/HotKeyCtrl.h"
#include "app/MacroEditDlg.h"
#include "app/MacroListDlg.h"
#include "gui/GuiTestRegistry.h"
#include "ui/HoverButton.h"
#include "ui/RoundButton.h"

namespace {

class RecordingEditDlg : public CMacroEditDlg {
public:
    using CMacroEditDlg::CMacroEditDlg;
    QStringList messages;

protected:
    void ShowMessage(const QString& text) override { messages << text; }
};

class RecordingListDlg : public CMacroListDlg {
public:
    using CMacroListDlg::CMacroListDlg;
    QStringList messages;
    QStringList edited;  // the names the edit dialog was run on

protected:
    void ShowMessage(const QString& text) override { messages << text; }
    bool RunEditDialog(CSearchMacro& macro) override {
        edited << QString::fromStdString(macro.m_sName);
        macro.m_sName += " changed";
        macro.m_HotKey = CHotKeyValue(VK_F2, 0);
        return true;
    }
    static constexpr WORD VK_F2 = 113;
};

CSearchMacro Macro(const std::string& name, CHotKeyValue hotKey = {}) {
    CSearchMacro macro;
    macro.m_sName = name;
    macro.m_HotKey = hotKey;
    return macro;
}

}  // namespace

class MacroDlgTest : public QObject {
    Q_OBJECT
private slots:
    void aNameOfBlanksIsRefused() {
        RecordingEditDlg dialog("", CHotKeyValue());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit Macro"));
        QCOMPARE(dialog.TemplateId(), IDD_MACRO_EDIT);
        QCOMPARE(dialog.HelpPage(), QStringLiteral("macroeditdlg.htm"));
        dialog.show();
        dialog.NameEdit()->setText(QStringLiteral("   "));
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        QCOMPARE(dialog.messages, QStringList{QStringLiteral("Invalidate macro name.")});
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.NameEdit()->selectedText(), QStringLiteral("   "));

        dialog.NameEdit()->setText(QStringLiteral("  Text files "));
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.GetName(), std::string("Text files"));
    }

    void theHotKeyBoxTakesTheNextKey() {
        RecordingEditDlg dialog("Sources", CHotKeyValue());
        dialog.show();
        CHotKeyCtrl* box = dialog.HotKeyControl();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(box->GetHotKey(), CHotKeyValue('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT));
        QCOMPARE(box->text(), QStringLiteral("Ctrl + Shift + K"));
        // The keypad, function keys and the shifted digits of the layout.
        QTest::keyClick(box, Qt::Key_5, Qt::KeypadModifier);
        QCOMPARE(box->GetHotKey(), CHotKeyValue(101, 0));
        QCOMPARE(box->text(), QStringLiteral("Num 5"));
        QTest::keyClick(box, Qt::Key_F24, Qt::AltModifier);
        QCOMPARE(box->text(), QStringLiteral("Alt + F24"));
        QTest::keyClick(box, Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(box->text(), QStringLiteral("Ctrl + Shift + 1"));
        QTest::keyClick(box, Qt::Key_PageDown);
        QCOMPARE(box->GetHotKey(), CHotKeyValue(34, 0));
        // Only modifiers are shown while held, and the key stays.
        QTest::keyPress(box, Qt::Key_Control, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("Ctrl + "));
        QTest::keyRelease(box, Qt::Key_Control, Qt::NoModifier);
        QCOMPARE(box->text(), QStringLiteral("Page Down"));
        // Backspace alone clears it; Tab leaves it.
        QTest::keyClick(box, Qt::Key_Backspace);
        QVERIFY(box->GetHotKey().IsEmpty());
        QCOMPARE(box->text(), QString());
        QTest::keyClick(box, Qt::Key_Tab);
        QVERIFY(box->GetHotKey().IsEmpty());

        QTest::keyClick(box, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        dialog.OnOK();
        QCOMPARE(dialog.GetHotKey(), CHotKeyValue('K', HOTKEYF_CONTROL | HOTKEYF_SHIFT));
    }

    void theExtendedFlagIsKeptButNeverCaptured() {
        const CHotKeyValue stored(46, HOTKEYF_CONTROL | HOTKEYF_EXT);
        RecordingEditDlg dialog("Delete", stored);
        dialog.show();
        QCOMPARE(dialog.HotKeyControl()->text(), QStringLiteral("Ctrl + Ext + Delete"));
        dialog.OnOK();
        QCOMPARE(dialog.GetHotKey(), stored);

        CHotKeyCtrl* box = dialog.HotKeyControl();
        QTest::keyClick(box, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(box->GetHotKey(), CHotKeyValue(46, HOTKEYF_CONTROL));
    }

    void theListEditsItsCopy() {
        RecordingListDlg dialog(
            {Macro("First", CHotKeyValue('K', HOTKEYF_CONTROL)), Macro("Second"), Macro("Third")});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Macro List"));
        QCOMPARE(dialog.HelpPage(), QStringLiteral("macrolistdlg.htm"));
        QTableWidget* list = dialog.List();
        QCOMPARE(list->horizontalHeaderItem(0)->text(), QStringLiteral("Name"));
        QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral("Hot Key"));
        QCOMPARE(list->columnWidth(0), 100);
        QCOMPARE(list->rowCount(), 3);
        QCOMPARE(list->item(0, 1)->text(), QStringLiteral("Ctrl + K"));
        QCOMPARE(list->item(1, 1)->text(), QString());

        dialog.OnDelete();
        dialog.OnEdit();
        QCOMPARE(dialog.messages,
                 (QStringList{QStringLiteral("Please select an item in the list."),
                              QStringLiteral("Please select an item in the list.")}));
        QVERIFY(dialog.edited.isEmpty());

        list->selectRow(1);
        dialog.OnDelete();
        QCOMPARE(dialog.GetMacros().size(), std::size_t{2});
        QCOMPARE(dialog.GetMacros()[1].m_sName, std::string("Third"));
        QCOMPARE(list->rowCount(), 2);

        list->selectRow(1);
        dialog.OnEdit();
        QCOMPARE(dialog.edited, QStringList{QStringLiteral("Third")});
        QCOMPARE(list->item(1, 0)->text(), QStringLiteral("Third changed"));
        QCOMPARE(list->item(1, 1)->text(), QStringLiteral("F2"));
        QCOMPARE(dialog.GetMacros()[0].m_sName, std::string("First"));
    }
};

ZB_GUI_TEST(MacroDlgTest);
#include "MacroDlgTest.moc"
