#include "app/SelectColumnDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "ui/DialogButtons.h"
#include "ui/HoverButton.h"
#include "ui/IconResources.h"

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kEnabledRole = Qt::UserRole + 1;

}  // namespace

CSelectColumnDlg::CSelectColumnDlg(const CColumnInfoArray& visible,
                                   const CColumnInfoArray& available, QWidget* parent)
    : CHelpDialog(IDD_SELECT_COLUMN, parent) {
    SetHelpPage(QString::fromLatin1(kSelectColumnHelpPage));
    setWindowTitle(QStringLiteral("Select Visible Column"));

    auto* text = new QLabel(QStringLiteral("Please check the item which you want to view. Use up "
                                           "and down button to arrange the order of colume."),
                            this);
    text->setWordWrap(true);
    m_pList = new QListWidget(this);
    m_pList->setObjectName(QString::number(IDC_COLUMN_LIST));
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* buttons = new QVBoxLayout;
    AddDialogButtons(this, buttons,
                     {{IDC_COLUMN_UP, "Up", IDI_UP, [this] { OnUp(); }},
                      {IDC_COLUMN_DOWN, "Down", IDI_DOWN, [this] { OnDown(); }},
                      {IDC_COLUMN_SHOW, "Show", IDI_SHOW, [this] { OnShow(); }},
                      {IDC_COLUMN_HIDE, "Hide", IDI_HIDE, [this] { OnHide(); }},
                      {IDC_COLUMN_RESET, "Reset", IDI_RESET, [this] { OnReset(); }},
                      {IDOK, "Ok", IDI_OK, [this] { OnOK(); }, true},
                      {IDCANCEL, "Cancel", IDI_CANCEL, {}}});

    auto* columns = new QHBoxLayout;
    columns->addWidget(m_pList, 1);
    columns->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(columns, 1);

    // About 200 x 200 dialog units.
    const QFontMetrics metrics(font());
    resize(200 * metrics.averageCharWidth() / 4, 200 * metrics.height() / 8);

    for (const COLUMNINFO& column : visible)
        AddEntry(column, true, (column.nFlags & COLUMN_FLAG_FIXED) == 0);
    for (const COLUMNINFO& column : available)
        AddEntry(column, false, true);
    if (m_pList->count() > 0)
        m_pList->setCurrentRow(0);
    m_pList->setFocus();
}

void CSelectColumnDlg::AddEntry(const COLUMNINFO& column, bool checked, bool enabled) {
    auto* item = new QListWidgetItem(QString::fromUtf8(column.szTitle), m_pList);
    item->setData(kIdRole, column.nId);
    item->setData(kEnabledRole, enabled);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    // A disabled entry can still be the current one (and move down), but its
    // check cannot change.
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (enabled)
        flags |= Qt::ItemIsUserCheckable;
    else
        item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    item->setFlags(flags);
}

CHoverButton* CSelectColumnDlg::Button(int id) const {
    return findChild<CHoverButton*>(QString::number(id));
}

std::vector<int> CSelectColumnDlg::EntryIds() const {
    std::vector<int> ids;
    for (int row = 0; row < m_pList->count(); ++row)
        ids.push_back(m_pList->item(row)->data(kIdRole).toInt());
    return ids;
}

bool CSelectColumnDlg::IsEntryChecked(int row) const {
    const QListWidgetItem* item = m_pList->item(row);
    return item != nullptr && item->checkState() == Qt::Checked;
}

bool CSelectColumnDlg::IsEntryEnabled(int row) const {
    const QListWidgetItem* item = m_pList->item(row);
    return item != nullptr && item->data(kEnabledRole).toBool();
}

void CSelectColumnDlg::MoveCurrent(int step) {
    const int row = m_pList->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= m_pList->count())
        return;
    // The entry takes its text, id, check and enabled state along.
    QListWidgetItem* item = m_pList->takeItem(row);
    m_pList->insertItem(target, item);
    m_pList->setCurrentRow(target);
}

void CSelectColumnDlg::OnUp() {
    const int row = m_pList->currentRow();
    if (row > 0 && IsEntryEnabled(row - 1))
        MoveCurrent(-1);
}

void CSelectColumnDlg::OnDown() {
    MoveCurrent(1);
}

void CSelectColumnDlg::SetCurrentChecked(bool checked) {
    const int row = m_pList->currentRow();
    if (row >= 0 && IsEntryEnabled(row))
        m_pList->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void CSelectColumnDlg::OnShow() {
    SetCurrentChecked(true);
}

void CSelectColumnDlg::OnHide() {
    SetCurrentChecked(false);
}

void CSelectColumnDlg::OnReset() {
    for (int row = 0; row < m_pList->count(); ++row) {
        QListWidgetItem* item = m_pList->item(row);
        const COLUMNINFO* info = GetColumnInfo(item->data(kIdRole).toInt());
        if (info == nullptr)
            break;
        item->setCheckState((info->nFlags & COLUMN_FLAG_DEFAULT) ? Qt::Checked : Qt::Unchecked);
    }
}

void CSelectColumnDlg::OnOK() {
    m_result.clear();
    for (int row = 0; row < m_pList->count(); ++row) {
        if (IsEntryChecked(row))
            m_result.push_back(m_pList->item(row)->data(kIdRole).toInt());
    }
    accept();
}
