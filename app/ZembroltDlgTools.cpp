// The main window's side of the file tools: it hands them the selected rows,
// runs the duplicate and redundant-file finders into the result list and
// keeps the "Dup No" and Size columns for the duplicates.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>

#include "app/ColumnChoice.h"
#include "app/LogWindow.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"
#include "platform/FileInfo.h"
#include "tools/ChangeAttributesDlg.h"
#include "tools/ChangeFileTimeDlg.h"
#include "tools/DupResults.h"
#include "tools/FindDupDlg.h"
#include "tools/FindDupFilesProcessDlg.h"
#include "tools/FindRedundantDlg.h"
#include "tools/RedundantSearch.h"
#include "tools/RenameDlg.h"
#include "tools/ToolRecords.h"
#include "ui/EnableWindowGuard.h"
#include "ui/ProgressDlg.h"
#include "ui/ResourceText.h"

std::vector<CResultItem*> CZembroltDlg::GetSelectedDiskRecords() const {
    std::vector<CResultItem*> records;
    for (const CRowRecord& shown : m_pResultList->GetSelectedRecords()) {
        std::string path;
        if (IsChangeableRecord(*shown.record, &path))
            records.push_back(shown.record);
    }
    return records;
}

void CZembroltDlg::RedrawResults() {
    m_pResultList->GetCurrentView()->viewport()->update();
    UpdateStatusText();
}

void CZembroltDlg::OnChangeAttributes() {
    const std::vector<CResultItem*> records = GetSelectedDiskRecords();
    if (records.empty())
        return;
    CChangeAttributesDlg dialog(this);
    dialog.SetItems(records);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.SubFoldersBox()->isEnabled() && dialog.SubFoldersBox()->isChecked()) {
        // Files below a folder may be rows of their own: read every row again.
        const std::shared_ptr<CResultArray>& results = m_pModel->GetResults();
        for (std::size_t i = 0; results && i < results->GetCount(); ++i) {
            CResultItem& record = results->GetAt(i);
            std::string path;
            if (!IsChangeableRecord(record, &path))
                continue;
            const DWORD attributes = zb::GetFileAttributes(path);
            if (attributes != INVALID_FILE_ATTRIBUTES)
                record.m_dwAttributes = attributes;
        }
    }
    RedrawResults();
}

void CZembroltDlg::OnChangeFileTime() {
    const std::vector<CResultItem*> records = GetSelectedDiskRecords();
    if (records.empty())
        return;
    CChangeFileTimeDlg dialog(this);
    dialog.SetItems(records);
    dialog.exec();
    RedrawResults();
}

void CZembroltDlg::OnRename() {
    const std::vector<CResultItem*> records = GetSelectedDiskRecords();
    if (records.empty())
        return;
    CRenameDlg dialog(this);
    // Providers of its own: the search thread may be using the window's.
    CFileInfoProviderList providers;
    CreateFileInfoProviders(providers);
    dialog.SetItems(records, MakeRenameDetailReader(providers));
    if (dialog.exec() == IDD_RENAME_FAILED_RESULT) {
        ShowLogWindow(true);
        UpdateShowLogAction();
    }
    RedrawResults();
}

int CZembroltDlg::InsertDupNoColumn() {
    CColumnInfoArray columns = m_detailColumns.GetVisibleColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].nId == kDupNoColumnId)
            return static_cast<int>(i);
    }
    const COLUMNINFO* dupNo = GetColumnInfo(kDupNoColumnId);
    if (!dupNo)
        return -1;
    const std::size_t at = std::min<std::size_t>(2, columns.size());
    columns.insert(columns.begin() + static_cast<std::ptrdiff_t>(at), *dupNo);
    m_pColumnChoice->SetVisibleColumns(std::move(columns));
    return static_cast<int>(at);
}

void CZembroltDlg::EnsureSizeColumn() {
    if (m_detailColumns.IsColumnVisible(COLUMN_ID_SIZE))
        return;
    if (const COLUMNINFO* size = GetColumnInfo(COLUMN_ID_SIZE)) {
        CColumnInfoArray columns = m_detailColumns.GetVisibleColumns();
        columns.push_back(*size);
        m_pColumnChoice->SetVisibleColumns(std::move(columns));
    }
}

void CZembroltDlg::OnFindDuplicateFiles() {
    if (IsSearching())
        return;
    QStringList history;
    for (int i = 0; i < m_pFileNameCombo->count(); ++i)
        history << m_pFileNameCombo->itemText(i);
    CFindDupDlg settings(history, m_data.m_Groups, this);
    if (settings.exec() != QDialog::Accepted)
        return;
    EnsureProviders();
    m_pEngine->ClearResults();

    CFindDupOptions options;
    settings.FillOptions(options);
    const bool archiveOrder = options.m_bSearchCompressed != FALSE;
    CFindDupFilesProcessDlg search(std::move(options), this);
    if (search.exec() == DUP_SEARCH_STOPPED &&
        !AskYesNo(LoadResourceString(IDS_DISPLAY_FILES_FOUND),
                  LoadResourceString(IDS_PROGRAM_NAME)))
        return;

    const int dupColumn = InsertDupNoColumn();
    EnsureSizeColumn();
    const CDupFinder& finder = search.Finder();
    CProgressDlg progress(this);
    progress.SetStatusText(ResourceText(IDS_ADDING_DUPLICATES));
    progress.SetRange64(0, static_cast<std::int64_t>(GetDupAddRange(finder, archiveOrder)));
    progress.SetPos64(0);
    progress.ShowCentred();
    {
        CEnableWindowGuard disabled(this, FALSE);
        DupAddSettings adding;
        adding.archiveOrder = archiveOrder;
        adding.dupNoSlot = m_pModel->GetColumnSlot(dupColumn);
        adding.fillDetails = [this](CResultItem& record) {
            m_detailColumns.FillDetailColumns(record);
        };
        adding.progress = [&progress](std::size_t position) {
            progress.SetPos64(static_cast<std::int64_t>(position));
            QApplication::processEvents();
        };
        m_pEngine->GetResultList().SetLimit(m_AdvancedOptions.m_nSearchResultLimit);
        AddDuplicateResults(finder, m_pEngine->GetResultList(), adding);
        // The rows reach the list through its queue.
        QApplication::processEvents();
        if (archiveOrder && dupColumn >= 0)
            m_pResultList->OnColumnClick(dupColumn);
    }
    progress.close();
    ClearSelection();
    UpdateStatusText();
}

void CZembroltDlg::OnFindRedundantFiles() {
    if (IsSearching())
        return;
    CFindRedundantDlg dialog(m_RedundantOptions, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_RedundantOptions = dialog.GetOptions();
    // The columns the search fills are settled before its thread starts.
    m_pColumnChoice->RemoveColumn(kDupNoColumnId);
    EnsureProviders();
    m_pEngine->GetResultList().SetLimit(m_AdvancedOptions.m_nSearchResultLimit);
    StartRedundantSearch(*m_pEngine, m_RedundantOptions, RedundantSearchRoots());
}

RedundantRoots CZembroltDlg::RedundantSearchRoots() const {
    return RedundantRoots::FromEnvironment();
}
