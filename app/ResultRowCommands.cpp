#include "app/ResultRowCommands.h"

#include <QFile>
#include <QHeaderView>
#include <QWidget>

#include <algorithm>
#include <array>
#include <utility>

#include "app/ExportDialog.h"
#include "app/MainMenuTable.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/SortHeaderCtrl.h"
#include "app/engine/SelectionCommands.h"
#include "platform/StringTable.h"
#include "platform/shell/ShellHelper.h"
#include "ui/DesktopOpen.h"
#include "ui/NameText.h"
#include "ui/ProgramMessage.h"
#include "ui/ResourceText.h"
#include "ui/WaitCursor.h"

namespace {

struct SelectionCommandId {
    int id;
    SelectionCommand command;
};

constexpr std::array<SelectionCommandId, 6> kSelectionCommandIds{{
    {ID_EDIT_COPY, SELCMD_COPY},
    {ID_EDIT_CUT, SELCMD_CUT},
    {ID_EDIT_DELETE, SELCMD_DELETE},
    {ID_CHANGE_ATTRIBUTES, SELCMD_CHANGE_ATTRIBUTES},
    {ID_CHANGE_FILE_TIME, SELCMD_CHANGE_FILE_TIME},
    {ID_RENAME, SELCMD_RENAME},
}};

// The list's rows as the export writers read them: in list order, the
// visible columns in the order the header shows them.
class CListExportRows : public IExportRows {
public:
    CListExportRows(const CResultListModel& model, const CResultListCtrl& list)
        : m_model(model), m_selected(static_cast<std::size_t>(model.GetRowCount()), false) {
        const QHeaderView* header = list.GetHeader();
        for (int visual = 0; visual < model.columnCount(); ++visual) {
            const int logical = header->logicalIndex(visual);
            if (logical >= 0 && !header->isSectionHidden(logical))
                m_columns.push_back(logical);
        }
        for (const auto& [first, last] : list.GetSelectedRuns())
            std::fill(m_selected.begin() + first, m_selected.begin() + last + 1, true);
    }

    std::size_t GetColumnCount() const override { return m_columns.size(); }
    std::string GetColumnTitle(std::size_t column) const override {
        return m_model.GetVisibleColumns()[static_cast<std::size_t>(m_columns[column])].szTitle;
    }
    std::size_t GetRowCount() const override { return m_selected.size(); }
    bool IsRowSelected(std::size_t row) const override { return m_selected[row]; }
    std::string GetCellText(std::size_t row, std::size_t column) const override {
        return m_model.GetCellText(static_cast<int>(row), m_columns[column]).toStdString();
    }
    bool GetRowPath(std::size_t row, std::string* path) const override {
        const CResultItem* record = m_model.GetRecord(static_cast<int>(row));
        return record && !(record->m_dwFlags & (RIF_IN_ARCHIVE | RIF_NO_PATH)) &&
               record->GetFilePath(path);
    }

private:
    const CResultListModel& m_model;
    std::vector<int> m_columns;
    std::vector<bool> m_selected;
};

}  // namespace

CResultRowCommands::CResultRowCommands(QWidget* window, CResultListModel* model,
                                       CResultListCtrl* list)
    : QObject(window), m_pWindow(window), m_pModel(model), m_pList(list) {
    m_showMessage = [this](const QString& text, QMessageBox::Icon icon) {
        ShowProgramMessage(m_pWindow, text, icon);
    };
    m_ask = [this](const QString& text) {
        return QMessageBox::question(m_pWindow, m_pWindow->windowTitle(), text,
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    m_runExportDialog = [this](CExportChoice* choice) {
        CExportDialog dialog(m_pWindow);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        choice->path = dialog.selectedFiles().front();
        choice->type = dialog.GetType();
        choice->onlySelected = dialog.IsOnlySelected();
        return true;
    };
    connect(m_pList, &CResultListCtrl::DeleteKeyPressed, this, [this] { OnDeleteKey(); });
    m_pList->SetLabelEditGate([this](int row) { return CanEditLabel(row); });
    m_pModel->SetRenameHandler(
        [this](int row, const QString& name) { return RenameRow(row, name); });
}

std::set<int> CResultRowCommands::RefusedCommands() const {
    CSelectionFlags selection;
    m_pList->ForEachSelectedRecord(
        [&selection](const CRowRecord& shown) { selection.Add(shown.record->m_dwFlags); });
    const unsigned enabled = selection.EnabledCommands();
    std::set<int> refused;
    for (const SelectionCommandId& each : kSelectionCommandIds) {
        if (!(enabled & each.command))
            refused.insert(each.id);
    }
    return refused;
}

// ------------------------------------------------------------------ delete

void CResultRowCommands::OnDeleteKey() {
    if (IsSearching())
        return;
    if (m_pList->GetSelectedCount() >= 2) {
        OnDeleteCommand();
        return;
    }
    std::vector<LPCITEMIDLIST> items;
    IShellFolder* folder = nullptr;
    for (const CRowRecord& shown : m_pList->GetSelectedRecords()) {
        const CResultItem* record = shown.record;
        if (IsDeleteCandidate(record->m_dwFlags) && record->m_pidl && record->m_pParentFolder) {
            items.push_back(record->m_pidl.get());
            folder = record->m_pParentFolder.Get();
        }
    }
    // Nothing deletable (an archive member): there is no folder to ask.
    if (items.empty())
        return;
    CShellHelper::InvokeVerb(*this, folder, static_cast<UINT>(items.size()), items.data(),
                             "delete");
    RemoveVanishedSelection();
}

void CResultRowCommands::OnDeleteCommand() {
    if (IsSearching())
        return;
    CSelectionFlags selection;
    std::vector<std::string> paths;
    for (const CRowRecord& shown : m_pList->GetSelectedRecords()) {
        const CResultItem* record = shown.record;
        selection.Add(record->m_dwFlags);
        std::string path;
        if (IsFileOnDisk(record->m_dwFlags) && record->GetFilePath(&path))
            paths.push_back(std::move(path));
    }
    if (!selection.IsEnabled(SELCMD_DELETE) || paths.empty())
        return;
    zb::DeleteToTrash(paths, *this);
    RemoveVanishedSelection();
}

void CResultRowCommands::RemoveVanishedSelection() {
    std::vector<int> vanished;
    for (const CRowRecord& shown : m_pList->GetSelectedRecords()) {
        if (!IsResultItemValid(*shown.record)) {
            shown.record->m_dwFlags |= RIF_VANISHED;
            vanished.push_back(shown.row);
        }
    }
    if (vanished.empty())
        return;
    m_pList->setUpdatesEnabled(false);
    m_pModel->RemoveRows(vanished);
    m_pList->setUpdatesEnabled(true);
    emit RowsRemoved();
}

// ------------------------------------------------------------------ rename

void CResultRowCommands::OnRenameCommand() {
    const std::vector<std::pair<int, int>> runs = m_pList->GetSelectedRuns();
    if (runs.size() == 1 && runs.front().first == runs.front().second) {
        m_pList->EditLabel(runs.front().first);
        return;
    }
    std::vector<const CResultItem*> onDisk;
    m_pList->ForEachSelectedRecord([&onDisk](const CRowRecord& shown) {
        if (IsFileOnDisk(shown.record->m_dwFlags))
            onDisk.push_back(shown.record);
    });
    if (!MayRenameTogether(onDisk)) {
        ShowWarning(ResourceText(IDS_RENAME_FOLDERS_APART));
        return;
    }
    emit RenameToolRequested();
}

bool CResultRowCommands::CanEditLabel(int row) {
    const CResultItem* record = m_pModel->GetRecord(row);
    if (IsSearching() || !record || !IsLabelEditable(record->m_dwFlags) ||
        !record->m_pParentFolder || !record->m_pidl)
        return false;
    // One row at a time: an editor on one row of many would take the keys
    // meant for the selection (Ctrl+X).
    if (m_pList->GetSelectedCount() > 1)
        return false;
    // An archive file whose members are rows keeps its name, or their rows
    // would name the old one.
    std::string path;
    if (!(record->m_dwFlags & RIF_FOLDER) && record->GetFilePath(&path)) {
        for (int r = 0; r < m_pModel->GetRowCount(); ++r) {
            const CResultItem* shown = m_pModel->GetRecord(r);
            if (shown && HasMemberRecords({&shown, 1}, path))
                return false;
        }
    }
    ULONG attributes = SFGAO_CANRENAME;
    LPCITEMIDLIST item = record->m_pidl.get();
    return SUCCEEDED(record->m_pParentFolder->GetAttributesOf(1, &item, &attributes)) &&
           (attributes & SFGAO_CANRENAME);
}

bool CResultRowCommands::RenameRow(int row, const QString& text) {
    const CRowRecord shown = m_pModel->GetRowRecord(row);
    if (!shown.record || IsSearching())
        return false;
    CResultItem& record = *shown.record;
    // The characters left as they were keep their bytes, also those that are
    // not UTF-8.
    const std::string newName = CNameText(record.m_sName).BytesOf(text);
    if (newName == record.m_sName)
        return false;
    int error = 0;
    const zb::RenameResult result = RenameResultItem(record, newName, &error);
    if (result == zb::RenameResult::Renamed)
        return true;
    // Shown once the editor has closed.
    const QString message =
        QString::fromStdString(zb::RenameFailureText(result, record.m_sName.str(), newName, error));
    QMetaObject::invokeMethod(
        this, [this, message] { ShowWarning(message); }, Qt::QueuedConnection);
    return false;
}

// ----------------------------------------------------------- export, print

void CResultRowCommands::OnExport() {
    if (IsSearching())
        return;
    CExportChoice choice;
    if (!m_runExportDialog(&choice))
        return;
    std::string path = QFile::encodeName(choice.path).toStdString();
    BOOL written = FALSE;
    switch (ExportTypeForPath(&path, choice.type)) {
        case ExportType::Html:
            written = ExportHtml(path, choice.onlySelected);
            break;
        case ExportType::Pls:
            written = ExportPls(path, choice.onlySelected);
            break;
        case ExportType::M3u:
            written = ExportM3u(path, choice.onlySelected);
            break;
        case ExportType::Text:
            written = ExportText(path, choice.onlySelected);
            break;
    }
    if (!written)
        ShowWarning(ResourceText(IDS_EXPORT_FAILED, QFile::decodeName(path.c_str())));
}

bool CResultRowCommands::ExportRows(const std::string& path, ExportType type, bool onlySelected) {
    CWaitCursor wait;
    return ExportResults(path, type, CListExportRows(*m_pModel, *m_pList), onlySelected) != FALSE;
}

BOOL CResultRowCommands::ExportText(const std::string& path, bool onlySelected) {
    return ExportRows(path, ExportType::Text, onlySelected);
}

BOOL CResultRowCommands::ExportHtml(const std::string& path, bool onlySelected) {
    return ExportRows(path, ExportType::Html, onlySelected);
}

BOOL CResultRowCommands::ExportM3u(const std::string& path, bool onlySelected) {
    return ExportRows(path, ExportType::M3u, onlySelected);
}

BOOL CResultRowCommands::ExportPls(const std::string& path, bool onlySelected) {
    return ExportRows(path, ExportType::Pls, onlySelected);
}

void CResultRowCommands::OnPrint() {
    if (IsSearching())
        return;
    std::string path;
    zb::UniqueFd file = m_printFiles.Create(LoadResourceString(IDS_PRINT_FILE_PREFIX), &path);
    bool written = file.IsOpen();
    if (written) {
        CWaitCursor wait;
        written = WriteTextExport(file.Get(), CListExportRows(*m_pModel, *m_pList), false) &&
                  file.Close();
    }
    if (!written) {
        ShowWarning(ResourceText(IDS_PRINT_FAILED));
        return;
    }
    PrintFileWithDesktop(m_printCommand, path, m_pWindow,
                         [this] { ShowWarning(ResourceText(IDS_PRINT_FAILED)); });
}

// ---------------------------------------------------- file-operation texts

bool CResultRowCommands::AskFileOperation(const std::string& text) {
    return m_ask(QString::fromStdString(text));
}

void CResultRowCommands::ReportFileOperation(const std::string& text) {
    ShowWarning(QString::fromStdString(text));
}
