#include "app/ColumnChoice.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>
#include <array>
#include <memory>

#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/SelectColumnDlg.h"
#include "ui/EnableWindowGuard.h"
#include "ui/ProgressDlg.h"
#include "ui/ResourceText.h"

namespace {

// The columns the header menu offers when they are not visible, in its order.
constexpr std::array<int, 22> kHeaderMenuChoices = {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008,
                                                    2,    4,    6,    5,    3,    50,   59,   301,
                                                    302,  303,  304,  305,  202,  201};

}  // namespace

CColumnChoice::CColumnChoice(QWidget* window, CDetailColumns& columns, CResultListModel* model,
                             CResultListCtrl* list)
    : QObject(window),
      m_pWindow(window),
      m_columns(columns),
      m_pModel(model),
      m_pList(list),
      m_isSearching([] { return false; }),
      m_showMessage([window](const QString& text) {
          QMessageBox::information(window, window->windowTitle(), text);
      }),
      m_runDialog([](CSelectColumnDlg& dialog) { return dialog.exec() == QDialog::Accepted; }) {}

void CColumnChoice::OnSelectVisibleColumns() {
    if (m_isSearching())
        return;
    m_columns.EnsureProviders();
    CSelectColumnDlg dialog(m_columns.GetVisibleColumns(), m_columns.GetAvailableColumns(),
                            m_pWindow);
    if (!m_runDialog(dialog))
        return;
    CColumnInfoArray chosen;
    for (const int id : dialog.GetResult()) {
        COLUMNINFO info{};
        if (m_columns.FindColumn(id, &info))
            chosen.push_back(info);
    }
    SetVisibleColumns(std::move(chosen));
}

void CColumnChoice::BuildHeaderMenu(QMenu& menu) const {
    const auto add = [&](const COLUMNINFO& column, bool visible) {
        QAction* action = menu.addAction(QString::fromUtf8(column.szTitle));
        action->setData(column.nId + kHeaderColumnCommandBase);
        action->setCheckable(true);
        action->setChecked(visible);
        if (visible && (column.nFlags & COLUMN_FLAG_FIXED))
            action->setEnabled(false);
    };
    for (const COLUMNINFO& column : m_columns.GetVisibleColumns())
        add(column, true);
    for (const int id : kHeaderMenuChoices) {
        const COLUMNINFO* column = GetColumnInfo(id);
        if (column != nullptr && !m_columns.IsColumnVisible(id))
            add(*column, false);
    }
    menu.addSeparator();
    menu.addAction(ResourceText(IDS_MORE_COLUMNS))->setData(ID_HEADER_MORE_COLUMNS);
}

void CColumnChoice::OnHeaderMenu(const QPoint& globalPos) {
    if (m_isSearching()) {
        m_showMessage(ResourceText(IDS_COLUMNS_WHILE_SEARCHING));
        return;
    }
    QMenu menu(m_pWindow);
    BuildHeaderMenu(menu);
    if (const QAction* chosen = menu.exec(globalPos))
        OnHeaderCommand(chosen->data().toInt());
}

void CColumnChoice::OnHeaderCommand(int command) {
    if (command == ID_HEADER_MORE_COLUMNS) {
        OnSelectVisibleColumns();
        return;
    }
    const int id = command - kHeaderColumnCommandBase;
    CColumnInfoArray columns = m_columns.GetVisibleColumns();
    const auto visible = std::find_if(columns.begin(), columns.end(),
                                      [id](const COLUMNINFO& c) { return c.nId == id; });
    if (visible != columns.end()) {
        if (visible->nFlags & COLUMN_FLAG_FIXED)
            return;
        columns.erase(visible);
    } else if (const COLUMNINFO* row = GetColumnInfo(id)) {
        columns.push_back(*row);
    } else {
        return;
    }
    SetVisibleColumns(std::move(columns));
}

void CColumnChoice::SetVisibleColumns(CColumnInfoArray columns) {
    const CColumnInfoArray previous = m_columns.GetVisibleColumns();
    m_columns.SetVisibleColumns(std::move(columns));
    ApplyVisibleColumns(previous);
}

void CColumnChoice::RemoveColumn(int id) {
    if (!m_columns.IsColumnVisible(id))
        return;
    CColumnInfoArray columns = m_columns.GetVisibleColumns();
    columns.erase(std::remove_if(columns.begin(), columns.end(),
                                 [id](const COLUMNINFO& c) { return c.nId == id; }),
                  columns.end());
    SetVisibleColumns(std::move(columns));
}

void CColumnChoice::ApplyVisibleColumns(const CColumnInfoArray& previous) {
    m_pList->setUpdatesEnabled(false);
    const CColumnInfoArray& current = m_columns.GetVisibleColumns();
    m_pModel->SetVisibleColumns(current);

    const std::shared_ptr<CResultArray> results = m_pModel->GetResults();
    const std::size_t count = results->GetCount();
    const DetailValueChange change =
        GetDetailValueChange(previous, current, count > 0 ? &results->GetAt(0) : nullptr);
    if (change != DetailValueChange::None) {
        CEnableWindowGuard disabled(m_pWindow, FALSE);
        CProgressDlg progress(m_pWindow);
        progress.SetStatusText(ResourceText(IDS_REFRESHING_SUMMARY));
        progress.SetRange64(0, static_cast<std::int64_t>(count));
        progress.SetPos64(0);
        progress.ShowCentred();
        for (std::size_t i = 0; i < count; ++i) {
            CResultItem& record = results->GetAt(i);
            if (change == DetailValueChange::Move)
                MoveDetailValues(record, previous, current);
            else
                m_columns.FillDetailColumns(record);
            progress.SetPos64(static_cast<std::int64_t>(i + 1));
            QCoreApplication::processEvents();
        }
    }
    m_pList->setUpdatesEnabled(true);
}
