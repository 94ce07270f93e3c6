#pragma once
// "Select Folder": the user picks one folder in a shell-namespace tree, or,
// with "Select sub folders" ticked, all sub-folders of the picked folder at
// once. OK hands back one record per chosen folder; the tree keeps its own
// nodes' data, so a refused OK can be followed by another choice.

#include <string>
#include <vector>

#include "platform/shell/FolderItem.h"
#include "platform/shell/ShellHelper.h"
#include "ui/HelpDialog.h"

class CFolderTreeCtrl;
class CHoverButton;
class QCheckBox;
class QTreeWidgetItem;

constexpr int IDD_SELECT_FOLDER = 201;
constexpr int IDC_SELECT_FOLDER_TREE = 1044;
constexpr int IDC_SELECT_SUB_FOLDERS = 1072;

// `child` below the folder shown by `parent` (a file-system path, or a path
// of display names joined by "\"), joined with that path's separator.
std::string JoinPickedPath(const std::string& parent, const std::string& child);

class CSelectFolderDlg : public CHelpDialog, public CShellHelper {
    Q_OBJECT
public:
    explicit CSelectFolderDlg(QWidget* parent = nullptr);
    ~CSelectFolderDlg() override;

    // Makes the records of the current choice; 1 when there are any. Without
    // a selected folder, or when a sub-folder cannot be taken, 0; a folder
    // without sub-folders says so first.
    int CollectSelection();
    // Ends with OK once the choice gave records.
    void OnOK();
    // The records of the last successful OK, handed to the caller.
    std::vector<SELECTEDFOLDER> TakeSelection();
    const std::vector<SELECTEDFOLDER>& Selection() const { return m_arrSelected; }

    CFolderTreeCtrl* Tree() const { return m_pTree; }
    QCheckBox* SubFoldersBox() const { return m_pSubFolders; }
    CHoverButton* OkButton() const { return m_pOk; }
    CHoverButton* CancelButton() const { return m_pCancel; }
    // The path the tree's selection last gave.
    const std::string& CurrentPath() const { return m_sCurrentPath; }

protected:
    // Shows a message box; tests record it instead.
    virtual void ShowMessage(const QString& text);

private:
    // A record of a node's place, shown by `path`.
    static SELECTEDFOLDER MakeRecord(const FOLDERITEM& place, std::string path);
    // The path a child node of the current folder is shown by.
    std::string ChildPath(const FOLDERITEM& child, const std::string& text) const;

    CFolderTreeCtrl* m_pTree = nullptr;
    QCheckBox* m_pSubFolders = nullptr;
    CHoverButton* m_pOk = nullptr;
    CHoverButton* m_pCancel = nullptr;
    std::vector<SELECTEDFOLDER> m_arrSelected;
    std::string m_sCurrentPath;
};
