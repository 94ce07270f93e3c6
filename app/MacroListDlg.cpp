#include "app/MacroListDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/MacroEditDlg.h"
#include "platform/StringTable.h"
#include "ui/DialogButtons.h"
#include "ui/HoverButton.h"
#include "ui/IconResources.h"
#include "ui/ProgramMessage.h"
#include "ui/ResourceText.h"

namespace {

constexpr int kNameColumn = 0;
constexpr int kHotKeyColumn = 1;
constexpr int kNameColumnWidth = 100;  // pixels

}  // namespace

CMacroListDlg::CMacroListDlg(std::vector<CSearchMacro> macros, QWidget* parent)
    : CHelpDialog(IDD_MACRO_LIST, parent), m_arrMacros(std::move(macros)) {
    SetHelpPage(QString::fromLatin1(kMacroListHelpPage));
    setWindowTitle(QStringLiteral("Macro List"));

    m_pList = new QTableWidget(0, 2, this);
    m_pList->setObjectName(QString::number(IDC_MACRO_LIST));
    m_pList->setHorizontalHeaderLabels(
        {ResourceText(IDS_MACRO_NAME_COLUMN), ResourceText(IDS_MACRO_HOT_KEY_COLUMN)});
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setShowGrid(true);
    m_pList->setWordWrap(false);
    m_pList->verticalHeader()->hide();
    m_pList->horizontalHeader()->setSectionsClickable(false);
    m_pList->horizontalHeader()->setStretchLastSection(true);
    m_pList->setColumnWidth(kNameColumn, kNameColumnWidth);
    connect(m_pList, &QTableWidget::cellDoubleClicked, this, [this] { OnEdit(); });

    auto* buttons = new QVBoxLayout;
    AddDialogButtons(this, buttons,
                     {{IDOK, "Ok", IDI_OK, [this] { accept(); }},
                      {IDCANCEL, "Cancel", IDI_CANCEL, {}},
                      {IDC_MACRO_DELETE, "Delete", IDI_DELETE, [this] { OnDelete(); }, true},
                      {IDC_MACRO_EDIT, "Edit", IDI_EDIT, [this] { OnEdit(); }}});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_pList, 1);
    layout->addLayout(buttons);
    const QFontMetrics metrics(font());
    resize(260 * metrics.averageCharWidth() / 4, 140 * metrics.height() / 8);
    FillRows();
}

CHoverButton* CMacroListDlg::Button(int id) const {
    return findChild<CHoverButton*>(QString::number(id));
}

void CMacroListDlg::FillRows() {
    m_pList->setRowCount(0);
    for (const CSearchMacro& macro : m_arrMacros) {
        const int row = m_pList->rowCount();
        m_pList->insertRow(row);
        const QString hotKey =
            macro.m_HotKey.IsEmpty() ? QString() : QString::fromStdString(macro.m_HotKey.GetText());
        for (const auto& [column, text] :
             {std::pair{kNameColumn, QString::fromStdString(macro.m_sName)},
              std::pair{kHotKeyColumn, hotKey}}) {
            auto* item = new QTableWidgetItem(text);
            item->setToolTip(text);
            m_pList->setItem(row, column, item);
        }
    }
}

int CMacroListDlg::SelectedRowOrComplain() {
    int first = -1;
    for (const QModelIndex& index : m_pList->selectionModel()->selectedRows()) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    if (first >= 0)
        return first;
    ShowMessage(ResourceText(IDS_SELECT_AN_ITEM));
    m_pList->setFocus();
    return -1;
}

void CMacroListDlg::OnDelete() {
    const int row = SelectedRowOrComplain();
    if (row < 0)
        return;
    m_arrMacros.erase(m_arrMacros.begin() + row);
    m_pList->removeRow(row);
}

void CMacroListDlg::OnEdit() {
    const int row = SelectedRowOrComplain();
    if (row < 0)
        return;
    if (!RunEditDialog(m_arrMacros[static_cast<std::size_t>(row)]))
        return;
    FillRows();
    m_pList->selectRow(row);
}

bool CMacroListDlg::RunEditDialog(CSearchMacro& macro) {
    CMacroEditDlg dialog(macro.m_sName, macro.m_HotKey, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    macro.m_sName = dialog.GetName();
    macro.m_HotKey = dialog.GetHotKey();
    return true;
}

void CMacroListDlg::ShowMessage(const QString& text) {
    ShowProgramMessage(this, text);
}
