#pragma once
// "Rename": renames every selected row at once by a name template and an
// extension template (the sheet's three pages), with a preview of every new
// name that follows each edit. The list can be sorted by a column, rows moved
// up and down (the counter follows the list order) and taken out. Rename asks
// for confirmation, renames, and ends with IDOK when every rename succeeded,
// 2001 when one failed (the log says which), or as cancelled.

#include <vector>

#include "app/engine/ResultItem.h"
#include "tools/RenameJob.h"
#include "ui/HelpDialog.h"

class CRenamePreviewModel;
class CRenameSheet;
class QPushButton;
class QTreeView;

constexpr int IDD_RENAME = 188;
constexpr int IDC_RENAME_UP = 1024;
constexpr int IDC_RENAME_DOWN = 1025;
constexpr int IDC_RENAME_PREVIEW = 1086;
constexpr int IDC_RENAME_REMOVE = 1090;
// Smallest size, in pixels.
constexpr int kRenameMinWidth = 450;
constexpr int kRenameMinHeight = 420;

class CRenameDlg : public CHelpDialog {
    Q_OBJECT

public:
    explicit CRenameDlg(QWidget* parent = nullptr);
    ~CRenameDlg() override;

    // The selected records (not owned) and the reader of their titles and
    // authors; fills the rows.
    void SetItems(const std::vector<CResultItem*>& records, const RenameDetailReader& reader);

    // Recomputes the new names from the pages; an invalid template keeps the
    // previous preview.
    void UpdateNewNames();
    void OnUp();
    void OnDown();
    void OnRemove();
    // Rename: asks, then renames and ends the dialog.
    void OnRename();

    CRenameSheet* Sheet() const { return m_pSheet; }
    QTreeView* PreviewList() const { return m_pList; }
    CRenamePreviewModel* PreviewModel() const { return m_pModel; }
    const CRenameJob& Job() const { return m_job; }

protected:
    // "Are you sure to rename these files?" with Yes and No (tests answer it).
    virtual bool ConfirmRename();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<std::size_t> SelectedPositions() const;
    void SelectPositions(const std::vector<std::size_t>& positions);
    void ShowSortMark();
    // Up or Down: moves the selected rows and keeps them selected.
    void MoveSelection(void (CRenameJob::*move)(std::vector<std::size_t>*));

    CRenameJob m_job;
    CRenameSheet* m_pSheet = nullptr;
    QTreeView* m_pList = nullptr;
    CRenamePreviewModel* m_pModel = nullptr;
};
