#pragma once
// "Edit Macro": a macro's name and hot key. OK trims the name at both ends
// and refuses an empty one.

#include <string>

#include "app/engine/HotKeyValue.h"
#include "ui/HelpDialog.h"

class CHotKeyCtrl;
class CRoundButton;
class QLineEdit;

constexpr int IDD_MACRO_EDIT = 115;
constexpr int IDC_MACRO_NAME = 1045;
constexpr int IDC_MACRO_HOT_KEY = 1015;
inline constexpr char kMacroEditHelpPage[] = "macroeditdlg.htm";

class CMacroEditDlg : public CHelpDialog {
    Q_OBJECT
public:
    CMacroEditDlg(const std::string& name, const CHotKeyValue& hotKey, QWidget* parent = nullptr);

    // The name and hot key, as given or as OK took them.
    const std::string& GetName() const { return m_sName; }
    const CHotKeyValue& GetHotKey() const { return m_HotKey; }

    void OnOK();

    QLineEdit* NameEdit() const { return m_pName; }
    CHotKeyCtrl* HotKeyControl() const { return m_pHotKey; }
    CRoundButton* OkButton() const { return m_pOk; }

protected:
    // Shows a message box; tests record it instead.
    virtual void ShowMessage(const QString& text);

private:
    std::string m_sName;
    CHotKeyValue m_HotKey;
    QLineEdit* m_pName = nullptr;
    CHotKeyCtrl* m_pHotKey = nullptr;
    CRoundButton* m_pOk = nullptr;
};
