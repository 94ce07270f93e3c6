#include "app/MultiFolderDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/StringTable.h"
#include "platform/shell/ShellFileInfo.h"
#include "ui/IconResources.h"
#include "ui/ProgramMessage.h"
#include "ui/QtFileTypeInfoProvider.h"
#include "ui/ResourceText.h"
#include "ui/RoundButton.h"
#include "ui/SelectFolderDlg.h"
#include "ui/WaitCursor.h"

namespace {

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr UINT kSmallIconFlags = SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON;

// A row of the list: it owns the folder it shows.
class CFolderRow : public QTreeWidgetItem {
public:
    explicit CFolderRow(SELECTEDFOLDER folder) : m_folder(std::move(folder)) {}
    SELECTEDFOLDER& Folder() { return m_folder; }

private:
    SELECTEDFOLDER m_folder;
};

}  // namespace

CMultiFolderDlg::CMultiFolderDlg(QWidget* parent) : CHelpDialog(IDD_MULTI_FOLDER, parent) {
    setWindowTitle(QStringLiteral("Multi Folder Searching"));
    m_pList = new QTreeWidget(this);
    m_pList->setObjectName(QString::number(IDC_MULTI_FOLDER_LIST));
    m_pList->setColumnCount(1);
    m_pList->setHeaderLabels({QStringLiteral("Folder Name")});
    m_pList->header()->setStretchLastSection(true);
    m_pList->header()->setSectionsClickable(false);
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setIconSize(QSize(16, 16));
    m_pList->installEventFilter(this);

    struct ButtonEntry {
        int id;
        const char* text;
        int icon;
        void (CMultiFolderDlg::*handler)();
    };
    const ButtonEntry entries[] = {
        {IDC_MULTI_FOLDER_ADD, "Add", IDI_ADD, &CMultiFolderDlg::OnAdd},
        {IDC_MULTI_FOLDER_REMOVE, "Remove", IDI_DELETE, &CMultiFolderDlg::OnRemove},
        {IDC_MULTI_FOLDER_REMOVE_ALL, "Remove All", IDI_REMOVE_ALL, &CMultiFolderDlg::OnRemoveAll},
        {IDOK, "Search", IDI_OK, &CMultiFolderDlg::OnOK},
        {IDCANCEL, "Cancel", IDI_CANCEL, nullptr},
    };
    auto* buttons = new QVBoxLayout;
    for (const ButtonEntry& entry : entries) {
        auto* button = new CRoundButton(QString::fromLatin1(entry.text), this);
        button->setObjectName(QString::number(entry.id));
        button->SetIcon(entry.icon);
        button->setAutoDefault(false);
        if (entry.handler != nullptr)
            connect(button, &QPushButton::clicked, this, entry.handler);
        else
            connect(button, &QPushButton::clicked, this, &QDialog::reject);
        if (entry.id == IDOK)
            buttons->addStretch(1);
        buttons->addWidget(button);
    }
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_pList, 1);
    layout->addLayout(buttons);
    const QFontMetrics metrics(font());
    resize(280 * metrics.averageCharWidth() / 4, 160 * metrics.height() / 8);
}

CMultiFolderDlg::~CMultiFolderDlg() = default;

CRoundButton* CMultiFolderDlg::Button(int id) const {
    return findChild<CRoundButton*>(QString::number(id));
}

void CMultiFolderDlg::AddFolders(std::vector<SELECTEDFOLDER> folders) {
    for (SELECTEDFOLDER& folder : folders) {
        std::string text = folder.m_sInnerPath;
        if (text.empty())
            GetPidlDisplayName(folder.m_pidlFull.get(), &text);
        const int icon = GetIconIndex(folder.m_pidlFull.get(), kSmallIconFlags);
        auto* row = new CFolderRow(std::move(folder));
        row->setText(0, QString::fromStdString(text));
        row->setToolTip(0, row->text(0));
        row->setIcon(0, SystemImageList().Icon(icon));
        m_pList->addTopLevelItem(row);
    }
}

void CMultiFolderDlg::OnAdd() {
    std::vector<SELECTEDFOLDER> picked;
    if (RunFolderPicker(picked))
        AddFolders(std::move(picked));
}

bool CMultiFolderDlg::RunFolderPicker(std::vector<SELECTEDFOLDER>& picked) {
    CSelectFolderDlg picker(this);
    if (picker.exec() != QDialog::Accepted)
        return false;
    picked = picker.TakeSelection();
    return true;
}

void CMultiFolderDlg::OnRemove() {
    const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
    if (selected.isEmpty()) {
        ShowMessage(ResourceText(IDS_SELECT_AN_ITEM));
        m_pList->setFocus();
        return;
    }
    qDeleteAll(selected);
}

void CMultiFolderDlg::OnRemoveAll() {
    m_pList->clear();
}

void CMultiFolderDlg::OnOK() {
    if (m_pList->topLevelItemCount() == 0) {
        ShowMessage(ResourceText(IDS_NO_FOLDERS_ADDED));
        return;
    }
    m_arrResult.clear();
    for (int row = 0; row < m_pList->topLevelItemCount(); ++row)
        m_arrResult.push_back(
            std::move(static_cast<CFolderRow*>(m_pList->topLevelItem(row))->Folder()));
    m_pList->clear();
    accept();
}

std::vector<SELECTEDFOLDER> CMultiFolderDlg::TakeFolders() {
    std::vector<SELECTEDFOLDER> taken;
    taken.swap(m_arrResult);
    return taken;
}

void CMultiFolderDlg::ShowMessage(const QString& text) {
    ShowProgramMessage(this, text);
}

bool CMultiFolderDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pList && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers =
            key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        if (key->key() == Qt::Key_A || key->key() == Qt::Key_Q) {
            if (modifiers == Qt::ControlModifier && key->key() == Qt::Key_A) {
                m_pList->selectAll();
            } else if (modifiers == Qt::ControlModifier) {
                CWaitCursor wait;
                for (int row = 0; row < m_pList->topLevelItemCount(); ++row) {
                    QTreeWidgetItem* item = m_pList->topLevelItem(row);
                    item->setSelected(!item->isSelected());
                }
            }
            return true;  // A and Q without Ctrl are swallowed
        }
    }
    return CHelpDialog::eventFilter(watched, event);
}
