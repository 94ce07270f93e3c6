#pragma once
// "File Type Group List": edits a copy of the main window's file type groups.
// The list shows one row per group, kept sorted by name; Add (or Insert),
// Edit (or a double-click) and Delete (or the Delete key) change rows, Reset
// brings back the built-in groups, and OK hands the rows back top to bottom.

#include <QString>

#include "app/engine/FileTypeGroups.h"
#include "ui/HelpDialog.h"

class CHoverButton;
class QTableWidget;

constexpr int IDD_FILE_TYPE_GROUP_LIST = 103;
constexpr int IDC_GROUP_LIST = 1001;
constexpr int IDC_GROUP_ADD = 3;
constexpr int IDC_GROUP_EDIT = 4;
constexpr int IDC_GROUP_DELETE = 5;
constexpr int IDC_GROUP_RESET = 1003;
constexpr const char* kFileTypeGroupHelpPage = "filetypelistdlg.htm";

class CFileTypeGroupDlg : public CHelpDialog {
    Q_OBJECT
public:
    explicit CFileTypeGroupDlg(const CFileTypeGroupArray& groups, QWidget* parent = nullptr);

    // The dialog's list: the groups given, or after OK the rows top to bottom.
    const CFileTypeGroupArray& GetGroups() const { return m_groups; }

    void OnAdd();
    void OnEdit();
    void OnDelete();
    void OnReset();
    // Takes the rows into the list and closes the dialog.
    void OnOK();

    QTableWidget* List() const { return m_list; }
    CHoverButton* Button(int id) const;
    // The row's name and patterns.
    QString RowName(int row) const;
    QString RowPatterns(int row) const;

protected:
    // Shows a message box; tests replace it.
    virtual void ShowMessage(const QString& text);
    // Runs the edit dialog on `name` and `patterns`; true (with both updated)
    // on OK. Tests replace it.
    virtual bool RunEditDialog(QString& name, QString& patterns);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Refills the rows from m_groups.
    void FillRows();
    // Adds a row and returns it after sorting.
    int InsertRow(const QString& name, const QString& patterns);
    void SetRowTexts(int row, const QString& name, const QString& patterns);
    // Sorts the rows by name and returns where `row` went.
    int SortRows(int row);
    // Widens the name column to its longest name.
    void FitNameColumn();
    // The selected row, or -1 after telling the user to select one.
    int SelectedRowOrComplain();

    CFileTypeGroupArray m_groups;
    QTableWidget* m_list = nullptr;
};
