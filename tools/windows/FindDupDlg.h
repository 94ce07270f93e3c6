#pragma once
// "Find Duplicate Files": the folders to search (the computer first), an
// optional file-name filter with the file type groups behind ">", the
// minimum size, the rule, and whether archives and sub-folders are searched.

#include <QString>
#include <QStringList>

#include "app/engine/FileTypeGroups.h"
#include "tools/DupFinder.h"
#include "ui/HelpDialog.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QTreeWidget;
class CHoverButton;

constexpr int IDD_FIND_DUP = 173;
constexpr int IDC_DUP_FILE_TYPE_MENU = 1001;
constexpr int IDC_DUP_COMPRESSED = 1005;
constexpr int IDC_DUP_SUB_FOLDERS = 1035;
constexpr int IDC_DUP_RULE_FIRST = 1039;
constexpr int IDC_DUP_FOLDERS = 1059;
constexpr int IDC_DUP_ADD = 1060;
constexpr int IDC_DUP_REMOVE = 1061;
constexpr int IDC_DUP_REMOVE_ALL = 1062;
constexpr int IDC_DUP_MIN_SIZE = 1064;
constexpr int IDC_DUP_FILE_NAME = 1066;
constexpr const char* kFindDupHelpPage = "finddupdlg.html";

class CFindDupDlg : public CHelpDialog {
    Q_OBJECT

public:
    // `history`: the main window's file-name texts; `groups`: the file type groups.
    CFindDupDlg(const QStringList& history, CFileTypeGroupArray groups, QWidget* parent = nullptr);

    // Copies the choices into `options` (reset first).
    void FillOptions(CFindDupOptions& options) const;

    // Appends a folder to the list.
    void AddFolder(const QString& path);
    // The list's folder paths in order.
    QStringList Folders() const;

    void OnAdd();
    void OnRemove();
    void OnRemoveAll();
    void OnFileTypeMenu();
    // Puts the pattern text of the group behind menu command `id` into the
    // file-name box; false when the command names no group.
    bool ApplyFileTypeGroupCommand(UINT id);
    void OnOK();

    QTreeWidget* FolderList() const { return m_pFolders; }
    QComboBox* FileNameCombo() const { return m_pFileName; }
    QComboBox* MinSizeCombo() const { return m_pMinSize; }
    QRadioButton* RuleButton(int index) const { return m_pRules[index]; }
    QCheckBox* CompressedBox() const { return m_pCompressed; }
    QCheckBox* SubFoldersBox() const { return m_pSubFolders; }

protected:
    // The folder browser; an empty text when nothing was chosen.
    virtual QString ChooseFolder();
    virtual void ShowMessage(const QString& text);

private:
    CFileTypeGroupArray m_groups;
    QTreeWidget* m_pFolders = nullptr;
    QComboBox* m_pFileName = nullptr;
    CHoverButton* m_pTypeButton = nullptr;
    QComboBox* m_pMinSize = nullptr;
    QRadioButton* m_pRules[4] = {};
    QCheckBox* m_pCompressed = nullptr;
    QCheckBox* m_pSubFolders = nullptr;
};
