#include "app/FileToolCommands.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QMessageBox>

#include <algorithm>
#include <set>
#include <string_view>
#include <utility>

#include "app/ColumnChoice.h"
#include "app/LogWindow.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/engine/DataFile.h"
#include "app/engine/SearchEngine.h"
#include "platform/FileInfo.h"
#include "platform/StringTable.h"
#include "tools/DupResults.h"
#include "tools/RedundantSearch.h"
#include "tools/ToolRecords.h"
#include "tools/windows/ChangeAttributesDlg.h"
#include "tools/windows/ChangeFileTimeDlg.h"
#include "tools/windows/FindDupDlg.h"
#include "tools/windows/FindDupFilesProcessDlg.h"
#include "tools/windows/FindRedundantDlg.h"
#include "tools/windows/RenameDlg.h"
#include "ui/EnableWindowGuard.h"
#include "ui/ProgressDlg.h"
#include "ui/ResourceText.h"

CFileToolCommands::CFileToolCommands(QWidget* window, CSearchEngine& engine,
                                     CResultListModel* model, CResultListCtrl* list,
                                     CDetailColumns& columns, CColumnChoice& choice,
                                     const CAdvancedOptions& options,
                                     const CFileTypeGroupArray& groups)
    : QObject(window),
      m_pWindow(window),
      m_engine(engine),
      m_pModel(model),
      m_pList(list),
      m_columns(columns),
      m_choice(choice),
      m_options(options),
      m_groups(groups),
      m_nameHistory([] { return QStringList(); }),
      m_ensureProviders([] {}),
      m_ask([this](const std::string& text, const std::string& caption) {
          return QMessageBox::question(m_pWindow, QString::fromStdString(caption),
                                       QString::fromStdString(text),
                                       QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
      }),
      m_roots([] { return RedundantRoots::FromEnvironment(); }) {}

std::vector<CResultItem*> CFileToolCommands::GetSelectedDiskRecords() const {
    std::vector<CResultItem*> records;
    for (const CRowRecord& shown : m_pList->GetSelectedRecords()) {
        std::string path;
        if (IsChangeableRecord(*shown.record, &path))
            records.push_back(shown.record);
    }
    return records;
}

void CFileToolCommands::RedrawResults() {
    m_pList->GetCurrentView()->viewport()->update();
    emit RowsChanged();
}

void CFileToolCommands::OnChangeAttributes() {
    const std::vector<CResultItem*> records = GetSelectedDiskRecords();
    if (records.empty())
        return;
    CChangeAttributesDlg dialog(m_pWindow);
    dialog.SetItems(records);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_pModel->ForgetAttributes();
    if (dialog.SubFoldersBox()->isEnabled() && dialog.SubFoldersBox()->isChecked())
        ReadChangedAttributes(records);
    RedrawResults();
}

void CFileToolCommands::ReadChangedAttributes(const std::vector<CResultItem*>& records) {
    std::set<std::string, std::less<>> folders;
    for (const CResultItem* record : records) {
        std::string path;
        if ((record->m_dwFlags & RIF_FOLDER) && IsChangeableRecord(*record, &path))
            folders.insert(std::move(path));
    }
    // Whether `path` lies below one of the folders: its own folders, from
    // the nearest up to "/", looked up.
    const auto belowFolder = [&folders](std::string_view path) {
        while (path.size() > 1) {
            const std::size_t slash = path.rfind('/');
            if (slash == std::string_view::npos)
                return false;
            path = path.substr(0, std::max<std::size_t>(slash, 1));
            if (folders.contains(path))
                return true;
        }
        return false;
    };
    const std::vector<std::pair<int, int>> runs = m_pList->GetSelectedRuns();
    auto run = runs.begin();
    for (int row = 0; row < m_pModel->GetRowCount(); ++row) {
        while (run != runs.end() && run->second < row)
            ++run;
        const bool selected = run != runs.end() && run->first <= row;
        CResultItem* record = m_pModel->GetRowRecord(row).record;
        std::string path;
        if (!record || !IsChangeableRecord(*record, &path) || (!selected && !belowFolder(path)))
            continue;
        const DWORD attributes = zb::GetFileAttributes(path);
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            record->m_dwAttributes = attributes;
            record->m_dwFlags &= ~RIF_DOS_UNREAD;
        }
    }
}

void CFileToolCommands::OnChangeFileTime() {
    const std::vector<CResultItem*> records = GetSelectedDiskRecords();
    if (records.empty())
        return;
    CChangeFileTimeDlg dialog(m_pWindow);
    dialog.SetItems(records);
    dialog.exec();
    RedrawResults();
}

void CFileToolCommands::OnRename() {
    const std::vector<CResultItem*> records = GetSelectedDiskRecords();
    if (records.empty())
        return;
    CRenameDlg dialog(m_pWindow);
    // Providers of its own: the search thread may be using the window's.
    CFileInfoProviderList providers;
    CreateFileInfoProviders(providers);
    dialog.SetItems(records, MakeRenameDetailReader(providers));
    if (dialog.exec() == IDD_RENAME_FAILED_RESULT) {
        ShowLogWindow(true);
        emit LogWindowShown();
    }
    RedrawResults();
}

int CFileToolCommands::InsertDupNoColumn() {
    CColumnInfoArray columns = m_columns.GetVisibleColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].nId == kDupNoColumnId)
            return static_cast<int>(i);
    }
    const COLUMNINFO* dupNo = GetColumnInfo(kDupNoColumnId);
    if (!dupNo)
        return -1;
    const std::size_t at = std::min<std::size_t>(2, columns.size());
    columns.insert(columns.begin() + static_cast<std::ptrdiff_t>(at), *dupNo);
    m_choice.SetVisibleColumns(std::move(columns));
    return static_cast<int>(at);
}

void CFileToolCommands::EnsureSizeColumn() {
    if (m_columns.IsColumnVisible(COLUMN_ID_SIZE))
        return;
    if (const COLUMNINFO* size = GetColumnInfo(COLUMN_ID_SIZE)) {
        CColumnInfoArray columns = m_columns.GetVisibleColumns();
        columns.push_back(*size);
        m_choice.SetVisibleColumns(std::move(columns));
    }
}

void CFileToolCommands::OnFindDuplicateFiles() {
    if (m_engine.IsSearching())
        return;
    CFindDupDlg settings(m_nameHistory(), m_groups, m_pWindow);
    if (settings.exec() != QDialog::Accepted)
        return;
    m_ensureProviders();
    m_engine.ClearResults();

    CFindDupOptions options;
    settings.FillOptions(options);
    const bool archiveOrder = options.m_bSearchCompressed != FALSE;
    CFindDupFilesProcessDlg search(std::move(options), m_pWindow);
    if (search.exec() == DUP_SEARCH_STOPPED &&
        !m_ask(LoadResourceString(IDS_DISPLAY_FILES_FOUND), LoadResourceString(IDS_PROGRAM_NAME)))
        return;

    const int dupColumn = InsertDupNoColumn();
    EnsureSizeColumn();
    const CDupFinder& finder = search.Finder();
    CProgressDlg progress(m_pWindow);
    progress.SetStatusText(ResourceText(IDS_ADDING_DUPLICATES));
    progress.SetRange64(0, static_cast<std::int64_t>(GetDupAddRange(finder, archiveOrder)));
    progress.SetPos64(0);
    progress.ShowCentred();
    {
        CEnableWindowGuard disabled(m_pWindow, FALSE);
        DupAddSettings adding;
        adding.archiveOrder = archiveOrder;
        adding.dupNoSlot = m_pModel->GetColumnSlot(dupColumn);
        adding.fillDetails = [this](CResultItem& record) { m_columns.FillDetailColumns(record); };
        adding.progress = [&progress](std::size_t position) {
            progress.SetPos64(static_cast<std::int64_t>(position));
            QApplication::processEvents();
        };
        m_engine.GetResultList().SetLimit(m_options.m_nSearchResultLimit);
        AddDuplicateResults(finder, m_engine.GetResultList(), adding);
        // The rows reach the list through its queue.
        QApplication::processEvents();
        if (archiveOrder && dupColumn >= 0)
            m_pList->OnColumnClick(dupColumn);
    }
    progress.close();
    m_pList->GetSelectionModel()->clearSelection();
    emit RowsChanged();
}

void CFileToolCommands::OnFindRedundantFiles() {
    if (m_engine.IsSearching())
        return;
    CFindRedundantDlg dialog(m_RedundantOptions, m_pWindow);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_RedundantOptions = dialog.GetOptions();
    // The columns the search fills are settled before its thread starts.
    m_choice.RemoveColumn(kDupNoColumnId);
    m_ensureProviders();
    m_engine.GetResultList().SetLimit(m_options.m_nSearchResultLimit);
    StartRedundantSearch(m_engine, m_RedundantOptions, m_roots());
}
