#pragma once
// "Select Visible Column": a check list of the columns, the visible ones
// first (checked, in display order) and then the others; the user checks the
// columns to show and arranges their order with Up and Down.

#include <QString>

#include <vector>

#include "readers/details/ColumnInfo.h"
#include "ui/HelpDialog.h"

class CHoverButton;
class QListWidget;

constexpr int IDD_SELECT_COLUMN = 119;
constexpr int IDC_COLUMN_LIST = 1023;
constexpr int IDC_COLUMN_UP = 1024;
constexpr int IDC_COLUMN_DOWN = 1025;
constexpr int IDC_COLUMN_SHOW = 1026;
constexpr int IDC_COLUMN_HIDE = 1027;
constexpr int IDC_COLUMN_RESET = 1003;
constexpr const char* kSelectColumnHelpPage = "selviscoldlg.htm";

class CSelectColumnDlg : public CHelpDialog {
    Q_OBJECT
public:
    // The visible columns are listed checked (those that cannot be hidden
    // disabled), then the available ones unchecked.
    CSelectColumnDlg(const CColumnInfoArray& visible, const CColumnInfoArray& available,
                     QWidget* parent = nullptr);

    // After OK: the ids of the checked entries, top to bottom.
    const std::vector<int>& GetResult() const { return m_result; }

    QListWidget* List() const { return m_pList; }
    CHoverButton* Button(int id) const;
    // The entries' ids, top to bottom, and whether each is checked / enabled.
    std::vector<int> EntryIds() const;
    bool IsEntryChecked(int row) const;
    bool IsEntryEnabled(int row) const;

    // The current entry changes place with the one above (when that one is
    // enabled) or below.
    void OnUp();
    void OnDown();
    // Checks / unchecks the current entry when it is enabled.
    void OnShow();
    void OnHide();
    // Checks each entry whose column is shown by default, up to the first
    // entry whose id the column table lacks.
    void OnReset();
    void OnOK();

private:
    void AddEntry(const COLUMNINFO& column, bool checked, bool enabled);
    void MoveCurrent(int step);
    void SetCurrentChecked(bool checked);

    QListWidget* m_pList = nullptr;
    std::vector<int> m_result;
};
