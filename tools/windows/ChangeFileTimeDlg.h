#pragma once
// "Change File Time": a row per time (a check box, a date, a time of day and
// a "Current" button); the ticked times are set on the selected files, and
// with "Include files in sub folders" on everything below selected folders.
// The "Created" row is shown disabled: Linux cannot set a creation time.

#include <vector>

#include "app/engine/ResultItem.h"
#include "tools/FileTimeChange.h"
#include "ui/HelpDialog.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QTimeEdit;

constexpr int IDD_CHANGE_FILE_TIME = 187;
constexpr int IDC_TIME_CREATED = 1072;
constexpr int IDC_TIME_MODIFIED = 1073;
constexpr int IDC_TIME_ACCESSED = 1074;
constexpr int IDC_TIME_SUB_FOLDERS = 1076;

class CChangeFileTimeDlg : public CHelpDialog {
    Q_OBJECT

public:
    // The rows.
    enum Row { ROW_CREATED = 0, ROW_MODIFIED, ROW_ACCESSED, ROW_COUNT };

    explicit CChangeFileTimeDlg(QWidget* parent = nullptr);

    // The selected records (not owned); the pickers start from the first
    // record on disk, in local time.
    void SetItems(const std::vector<CResultItem*>& records);
    // "Current": ticks the row and sets it to now.
    void OnCurrent(int row);
    // OK: sets the ticked times, then closes.
    void OnOK();

    QCheckBox* RowBox(int row) const { return m_rows[row].box; }
    QDateEdit* RowDate(int row) const { return m_rows[row].date; }
    QTimeEdit* RowTime(int row) const { return m_rows[row].time; }
    QCheckBox* SubFoldersBox() const { return m_pSubFolders; }
    QLabel* CreatedNote() const { return m_pCreatedNote; }

private:
    struct RowControls {
        QCheckBox* box = nullptr;
        QDateEdit* date = nullptr;
        QTimeEdit* time = nullptr;
    };
    // The row's date and time as UTC; false for a time that cannot be one.
    bool RowTimeUtc(int row, FILETIME* utc) const;

    CFileTimeChange m_change;
    RowControls m_rows[ROW_COUNT];
    QCheckBox* m_pSubFolders = nullptr;
    QLabel* m_pCreatedNote = nullptr;
};
