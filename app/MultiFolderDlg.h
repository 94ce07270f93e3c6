#pragma once
// "Multi Folder Searching": collects the folders a multi-folder search walks,
// one row each, through the folder picker. Remove takes the selected rows
// out, Remove All every row; "Search" hands the rows' folders over in row
// order and "Cancel" drops them. In the list Ctrl+A selects every row and
// Ctrl+Q inverts the selection.

#include <vector>

#include "platform/shell/FolderItem.h"
#include "platform/shell/ShellHelper.h"
#include "ui/HelpDialog.h"

class CRoundButton;
class QTreeWidget;

constexpr int IDD_MULTI_FOLDER = 199;
constexpr int IDC_MULTI_FOLDER_LIST = 1059;
constexpr int IDC_MULTI_FOLDER_ADD = 1060;
constexpr int IDC_MULTI_FOLDER_REMOVE = 1061;
constexpr int IDC_MULTI_FOLDER_REMOVE_ALL = 1062;

class CMultiFolderDlg : public CHelpDialog, public CShellHelper {
    Q_OBJECT
public:
    explicit CMultiFolderDlg(QWidget* parent = nullptr);
    ~CMultiFolderDlg() override;

    void OnAdd();
    void OnRemove();
    void OnRemoveAll();
    // "Search": refuses an empty list, else takes the rows' folders and ends.
    void OnOK();

    // Adds a row for each folder, in order.
    void AddFolders(std::vector<SELECTEDFOLDER> folders);
    // The folders "Search" took, handed to the caller.
    std::vector<SELECTEDFOLDER> TakeFolders();

    QTreeWidget* List() const { return m_pList; }
    CRoundButton* Button(int id) const;

protected:
    // Shows a message box; tests record it instead.
    virtual void ShowMessage(const QString& text);
    // Runs the folder picker; true with its folders after OK.
    virtual bool RunFolderPicker(std::vector<SELECTEDFOLDER>& picked);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* m_pList = nullptr;
    std::vector<SELECTEDFOLDER> m_arrResult;
};
