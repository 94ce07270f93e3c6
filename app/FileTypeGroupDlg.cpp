#include "app/FileTypeGroupDlg.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/EditFileTypeGroupDlg.h"
#include "ui/DialogButtons.h"
#include "ui/HoverButton.h"
#include "ui/IconResources.h"
#include "ui/ProgramMessage.h"
#include "ui/ResourceText.h"

namespace {

constexpr int kNameColumn = 0;
constexpr int kPatternsColumn = 1;
constexpr int kGroupNameColumnWidth = 100;  // pixels

// A name cell: rows sort by name ignoring case, then by the exact text.
class CGroupNameItem : public QTableWidgetItem {
public:
    explicit CGroupNameItem(const QString& text) : QTableWidgetItem(text) {}
    bool operator<(const QTableWidgetItem& other) const override {
        const int byCase = QString::compare(text(), other.text(), Qt::CaseInsensitive);
        return byCase != 0 ? byCase < 0 : QString::compare(text(), other.text()) < 0;
    }
};

}  // namespace

CFileTypeGroupDlg::CFileTypeGroupDlg(const CFileTypeGroupArray& groups, QWidget* parent)
    : CHelpDialog(IDD_FILE_TYPE_GROUP_LIST, parent), m_groups(groups) {
    SetHelpPage(QString::fromLatin1(kFileTypeGroupHelpPage));
    setWindowTitle(QStringLiteral("File Type Group List"));

    m_list = new QTableWidget(0, 2, this);
    m_list->setObjectName(QString::number(IDC_GROUP_LIST));
    m_list->setHorizontalHeaderLabels(
        {ResourceText(IDS_GROUP_NAME_COLUMN), ResourceText(IDS_GROUP_PATTERNS_COLUMN)});
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setSectionsClickable(false);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->installEventFilter(this);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this] { OnEdit(); });

    auto* buttons = new QVBoxLayout;
    AddDialogButtons(this, buttons,
                     {{IDOK, "OK", IDI_OK, [this] { OnOK(); }},
                      {IDCANCEL, "Cancel", IDI_CANCEL, {}},
                      {IDC_GROUP_ADD, "&Add", IDI_ADD, [this] { OnAdd(); }, true},
                      {IDC_GROUP_EDIT, "&Edit", IDI_EDIT, [this] { OnEdit(); }},
                      {IDC_GROUP_DELETE, "&Delete", IDI_DELETE, [this] { OnDelete(); }},
                      {IDC_GROUP_RESET, "&Reset", IDI_RESET, [this] { OnReset(); }}});

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    // About 300 x 170 dialog units.
    const QFontMetrics metrics(font());
    resize(300 * metrics.averageCharWidth() / 4, 170 * metrics.height() / 8);

    FillRows();
    m_list->setFocus();
}

CHoverButton* CFileTypeGroupDlg::Button(int id) const {
    return findChild<CHoverButton*>(QString::number(id));
}

QString CFileTypeGroupDlg::RowName(int row) const {
    const QTableWidgetItem* item = m_list->item(row, kNameColumn);
    return item != nullptr ? item->text() : QString();
}

QString CFileTypeGroupDlg::RowPatterns(int row) const {
    const QTableWidgetItem* item = m_list->item(row, kPatternsColumn);
    return item != nullptr ? item->text() : QString();
}

void CFileTypeGroupDlg::FillRows() {
    m_list->setRowCount(0);
    for (const CFileTypeGroup& group : m_groups) {
        const int row = m_list->rowCount();
        m_list->insertRow(row);
        SetRowTexts(row, QString::fromStdString(group.m_sName),
                    QString::fromStdString(group.m_sPatterns));
    }
    m_list->sortItems(kNameColumn, Qt::AscendingOrder);
    FitNameColumn();
}

void CFileTypeGroupDlg::FitNameColumn() {
    // The column's width is a minimum: it grows to the longest name.
    m_list->resizeColumnToContents(kNameColumn);
    if (m_list->columnWidth(kNameColumn) < kGroupNameColumnWidth)
        m_list->setColumnWidth(kNameColumn, kGroupNameColumnWidth);
}

void CFileTypeGroupDlg::SetRowTexts(int row, const QString& name, const QString& patterns) {
    auto* nameItem = new CGroupNameItem(name);
    nameItem->setToolTip(name);
    auto* patternsItem = new QTableWidgetItem(patterns);
    patternsItem->setToolTip(patterns);
    m_list->setItem(row, kNameColumn, nameItem);
    m_list->setItem(row, kPatternsColumn, patternsItem);
}

int CFileTypeGroupDlg::SortRows(int row) {
    QTableWidgetItem* marker = m_list->item(row, kNameColumn);
    m_list->sortItems(kNameColumn, Qt::AscendingOrder);
    FitNameColumn();
    return marker != nullptr ? marker->row() : row;
}

int CFileTypeGroupDlg::InsertRow(const QString& name, const QString& patterns) {
    const int row = m_list->rowCount();
    m_list->insertRow(row);
    SetRowTexts(row, name, patterns);
    return SortRows(row);
}

int CFileTypeGroupDlg::SelectedRowOrComplain() {
    const QList<QTableWidgetSelectionRange> ranges = m_list->selectedRanges();
    if (!ranges.isEmpty())
        return ranges.first().topRow();
    ShowMessage(ResourceText(IDS_SELECT_AN_ITEM));
    m_list->setFocus();
    return -1;
}

void CFileTypeGroupDlg::OnAdd() {
    QString name;
    QString patterns = QStringLiteral("*.");
    if (!RunEditDialog(name, patterns))
        return;
    const int row = InsertRow(name, patterns);
    m_list->selectRow(row);
    m_list->scrollToItem(m_list->item(row, kNameColumn));
}

void CFileTypeGroupDlg::OnEdit() {
    const int row = SelectedRowOrComplain();
    if (row < 0)
        return;
    QString name = RowName(row);
    QString patterns = RowPatterns(row);
    if (!RunEditDialog(name, patterns))
        return;
    SetRowTexts(row, name, patterns);
    m_list->selectRow(SortRows(row));
}

void CFileTypeGroupDlg::OnDelete() {
    const int row = SelectedRowOrComplain();
    if (row >= 0)
        m_list->removeRow(row);
}

void CFileTypeGroupDlg::OnReset() {
    BuildBuiltInGroups(m_groups);
    FillRows();
}

void CFileTypeGroupDlg::OnOK() {
    CFileTypeGroupArray groups;
    groups.reserve(static_cast<std::size_t>(m_list->rowCount()));
    for (int row = 0; row < m_list->rowCount(); ++row)
        groups.push_back({RowName(row).toStdString(), RowPatterns(row).toStdString()});
    m_groups = std::move(groups);
    accept();
}

void CFileTypeGroupDlg::ShowMessage(const QString& text) {
    ShowProgramMessage(this, text);
}

bool CFileTypeGroupDlg::RunEditDialog(QString& name, QString& patterns) {
    CEditFileTypeGroupDlg dialog(name, patterns, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = dialog.GetName();
    patterns = dialog.GetPatterns();
    return true;
}

bool CFileTypeGroupDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Insert) {
                OnAdd();
                return true;
            }
            if (key->key() == Qt::Key_Delete) {
                OnDelete();
                return true;
            }
        }
    }
    return CHelpDialog::eventFilter(watched, event);
}
