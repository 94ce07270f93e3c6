// The main window's commands on the result list's rows: deleting to the
// Trash and tidying the list afterwards, renaming in place, what the
// selection enables, export and print, and the list's own menu.
#include <QAbstractItemView>
#include <QFile>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMessageBox>

#include <array>
#include <set>

#include "app/ExportDialog.h"
#include "app/MainMenuTable.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/SortHeaderCtrl.h"
#include "app/ZembroltDlg.h"
#include "app/engine/SelectionCommands.h"
#include "platform/StringTable.h"
#include "ui/DesktopOpen.h"
#include "ui/NameText.h"
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

// The list's own menu (menu 125).
struct ListMenuItem {
    int id;
    const char* text;
};
constexpr std::array<ListMenuItem, 5> kListMenu{{
    {ID_CLEAR_RESULT, "Clear"},
    {ID_OPTION, "Option"},
    {ID_SEL_VISIBLE_COLUMN, "Column Setting"},
    {ID_PRINT_RESULT, "Print Search Result"},
    {ID_EXPORT_RESULT, "Export Search Result"},
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
        for (const int row : list.GetSelectedRows())
            m_selected[static_cast<std::size_t>(row)] = true;
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

void CZembroltDlg::UpdateSelectionCommands() {
    CSelectionFlags selection;
    for (const CRowRecord& shown : m_pResultList->GetSelectedRecords())
        selection.Add(shown.record->m_dwFlags);
    const unsigned enabled = selection.EnabledCommands();
    std::set<int> refused;
    for (const SelectionCommandId& each : kSelectionCommandIds) {
        if (!(enabled & each.command))
            refused.insert(each.id);
    }
    m_pMenu->SetRefusedCommands(std::move(refused));
}

// ------------------------------------------------------------------ delete

void CZembroltDlg::OnDeleteKey() {
    if (IsSearching())
        return;
    const std::vector<CRowRecord> selected = m_pResultList->GetSelectedRecords();
    if (selected.size() >= 2) {
        OnCommand(ID_EDIT_DELETE);
        return;
    }
    std::vector<LPCITEMIDLIST> items;
    IShellFolder* folder = nullptr;
    for (const CRowRecord& shown : selected) {
        const CResultItem* record = shown.record;
        if (IsDeleteCandidate(record->m_dwFlags) && record->m_pidl && record->m_pParentFolder) {
            items.push_back(record->m_pidl.get());
            folder = record->m_pParentFolder.Get();
        }
    }
    // Nothing deletable (an archive member): there is no folder to ask.
    if (items.empty())
        return;
    InvokeVerb(*this, folder, static_cast<UINT>(items.size()), items.data(), "delete");
    RemoveVanishedSelection();
}

void CZembroltDlg::OnDeleteCommand() {
    if (IsSearching())
        return;
    CSelectionFlags selection;
    std::vector<std::string> paths;
    for (const CRowRecord& shown : m_pResultList->GetSelectedRecords()) {
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

void CZembroltDlg::RemoveVanishedSelection() {
    std::vector<int> vanished;
    for (const CRowRecord& shown : m_pResultList->GetSelectedRecords()) {
        if (!IsResultItemValid(*shown.record)) {
            shown.record->m_dwFlags |= RIF_VANISHED;
            vanished.push_back(shown.row);
        }
    }
    if (vanished.empty())
        return;
    m_pResultList->setUpdatesEnabled(false);
    m_pModel->RemoveRows(vanished);
    m_pResultList->setUpdatesEnabled(true);
    UpdateStatusText();
    UpdateSelectionCommands();
}

// ------------------------------------------------------------------ rename

void CZembroltDlg::OnRenameCommand() {
    const std::vector<CRowRecord> selected = m_pResultList->GetSelectedRecords();
    if (selected.size() == 1) {
        m_pResultList->EditLabel(selected.front().row);
        return;
    }
    std::vector<const CResultItem*> onDisk;
    for (const CRowRecord& shown : selected) {
        if (IsFileOnDisk(shown.record->m_dwFlags))
            onDisk.push_back(shown.record);
    }
    if (!MayRenameTogether(onDisk)) {
        ShowMessageBox(ResourceText(IDS_RENAME_FOLDERS_APART), QMessageBox::Warning);
        return;
    }
    OnRename();
}

bool CZembroltDlg::CanEditLabel(int row) {
    const CResultItem* record = m_pModel->GetRecord(row);
    if (IsSearching() || !record || !IsLabelEditable(record->m_dwFlags) ||
        !record->m_pParentFolder || !record->m_pidl)
        return false;
    // One row at a time: an editor on one row of many would take the keys
    // meant for the selection (Ctrl+X).
    if (m_pResultList->GetSelectedRecords().size() > 1)
        return false;
    // An archive file whose members are rows keeps its name, or their rows
    // would name the old one.
    std::string path;
    if (!(record->m_dwFlags & RIF_FOLDER) && record->GetFilePath(&path)) {
        std::vector<const CResultItem*> rows;
        for (int r = 0; r < m_pModel->GetRowCount(); ++r)
            rows.push_back(m_pModel->GetRecord(r));
        if (HasMemberRecords(rows, path))
            return false;
    }
    ULONG attributes = SFGAO_CANRENAME;
    LPCITEMIDLIST item = record->m_pidl.get();
    return SUCCEEDED(record->m_pParentFolder->GetAttributesOf(1, &item, &attributes)) &&
           (attributes & SFGAO_CANRENAME);
}

bool CZembroltDlg::RenameRow(int row, const QString& text) {
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
        QString::fromStdString(zb::RenameFailureText(result, record.m_sName, newName, error));
    QMetaObject::invokeMethod(
        this, [this, message] { ShowMessageBox(message, QMessageBox::Warning); },
        Qt::QueuedConnection);
    return false;
}

// ----------------------------------------------------------- export, print

bool CZembroltDlg::AskExportTarget(CExportChoice* choice) {
    CExportDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    choice->path = dialog.selectedFiles().front();
    choice->type = dialog.GetType();
    choice->onlySelected = dialog.IsOnlySelected();
    return true;
}

void CZembroltDlg::OnExport() {
    if (IsSearching())
        return;
    CExportChoice choice;
    if (!AskExportTarget(&choice))
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
        ShowMessageBox(ResourceText(IDS_EXPORT_FAILED, QFile::decodeName(path.c_str())),
                       QMessageBox::Warning);
}

BOOL CZembroltDlg::ExportRows(const std::string& path, ExportType type, bool onlySelected) {
    CWaitCursor wait;
    return ExportResults(path, type, CListExportRows(*m_pModel, *m_pResultList), onlySelected);
}

BOOL CZembroltDlg::ExportText(const std::string& path, bool onlySelected) {
    return ExportRows(path, ExportType::Text, onlySelected);
}

BOOL CZembroltDlg::ExportHtml(const std::string& path, bool onlySelected) {
    return ExportRows(path, ExportType::Html, onlySelected);
}

BOOL CZembroltDlg::ExportM3u(const std::string& path, bool onlySelected) {
    return ExportRows(path, ExportType::M3u, onlySelected);
}

BOOL CZembroltDlg::ExportPls(const std::string& path, bool onlySelected) {
    return ExportRows(path, ExportType::Pls, onlySelected);
}

void CZembroltDlg::OnPrint() {
    if (IsSearching())
        return;
    std::string path;
    zb::UniqueFd file = m_printFiles.Create(LoadResourceString(IDS_PRINT_FILE_PREFIX), &path);
    bool written = file.IsOpen();
    if (written) {
        CWaitCursor wait;
        written = WriteTextExport(file.Get(), CListExportRows(*m_pModel, *m_pResultList), false) &&
                  file.Close();
    }
    if (!written) {
        ShowMessageBox(ResourceText(IDS_PRINT_FAILED), QMessageBox::Warning);
        return;
    }
    PrintFileWithDesktop(m_printCommand, path, this, [this] {
        ShowMessageBox(ResourceText(IDS_PRINT_FAILED), QMessageBox::Warning);
    });
}

// ------------------------------------------------------- the list's menu

void CZembroltDlg::OnListContextMenu(const QPoint& globalPos) {
    if (m_pResultList->GetSelectedCount() > 0) {
        ShowSelectionMenu(globalPos);
        return;
    }
    if (IsSearching())
        return;
    QMenu menu(this);
    for (const ListMenuItem& item : kListMenu) {
        QAction* action = menu.addAction(QString::fromLatin1(item.text));
        action->setEnabled(m_pMenu->IsEnabled(item.id));
        connect(action, &QAction::triggered, this, [this, id = item.id] { OnCommand(id); });
    }
    menu.exec(globalPos);
}

// ---------------------------------------------------- file-operation texts

bool CZembroltDlg::AskFileOperation(const std::string& text) {
    return QMessageBox::question(this, windowTitle(), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void CZembroltDlg::ReportFileOperation(const std::string& text) {
    ShowMessageBox(QString::fromStdString(text), QMessageBox::Warning);
}
