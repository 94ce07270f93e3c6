#pragma once
// "Macro List": edits a copy of the macros. Delete removes the first
// selected macro, Edit (or a double-click) changes its name and hot key; OK
// hands the list back.

#include <vector>

#include "app/engine/SearchMacro.h"
#include "ui/HelpDialog.h"

class CHoverButton;
class QTableWidget;

constexpr int IDD_MACRO_LIST = 114;
constexpr int IDC_MACRO_LIST = 1014;
constexpr int IDC_MACRO_EDIT = 4;
constexpr int IDC_MACRO_DELETE = 5;
inline constexpr char kMacroListHelpPage[] = "macrolistdlg.htm";

class CMacroListDlg : public CHelpDialog {
    Q_OBJECT
public:
    explicit CMacroListDlg(std::vector<CSearchMacro> macros, QWidget* parent = nullptr);

    // The macros as given, changed by Delete and Edit.
    const std::vector<CSearchMacro>& GetMacros() const { return m_arrMacros; }
    std::vector<CSearchMacro> TakeMacros() { return std::move(m_arrMacros); }

    void OnDelete();
    void OnEdit();

    QTableWidget* List() const { return m_pList; }
    CHoverButton* Button(int id) const;

protected:
    // Shows a message box; tests record it instead.
    virtual void ShowMessage(const QString& text);
    // Runs "Edit Macro" on the macro's name and hot key; true (with both
    // changed) after OK.
    virtual bool RunEditDialog(CSearchMacro& macro);

private:
    void FillRows();
    // The first selected row, or -1 after asking for a selection.
    int SelectedRowOrComplain();

    std::vector<CSearchMacro> m_arrMacros;
    QTableWidget* m_pList = nullptr;
};
