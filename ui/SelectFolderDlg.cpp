#include "ui/SelectFolderDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/StringTable.h"
#include "platform/shell/ShellApi.h"
#include "ui/DialogUnits.h"
#include "ui/FolderTreeCtrl.h"
#include "ui/HoverButton.h"
#include "ui/IconResources.h"
#include "ui/ProgramMessage.h"
#include "ui/ResourceText.h"

std::string JoinPickedPath(const std::string& parent, const std::string& child) {
    const char separator = !parent.empty() && parent.front() == '/' ? '/' : '\\';
    if (parent.empty() || parent.back() == separator)
        return parent + child;
    return parent + separator + child;
}

CSelectFolderDlg::CSelectFolderDlg(QWidget* parent) : CHelpDialog(IDD_SELECT_FOLDER, parent) {
    setWindowTitle(QStringLiteral("Select Folder"));

    m_pTree = new CFolderTreeCtrl(this);
    m_pTree->setObjectName(QString::number(IDC_SELECT_FOLDER_TREE));
    connect(m_pTree, &CFolderTreeCtrl::SelChanged, this,
            [this] { m_sCurrentPath = m_pTree->SelectedPath(); });
    m_pSubFolders = new QCheckBox(QStringLiteral("Select sub folders"), this);
    m_pSubFolders->setObjectName(QString::number(IDC_SELECT_SUB_FOLDERS));
    m_pOk = new CHoverButton(QStringLiteral("OK"), this);
    m_pOk->setObjectName(QStringLiteral("1"));
    m_pOk->setDefault(true);
    m_pCancel = new CHoverButton(QStringLiteral("Cancel"), this);
    m_pCancel->setObjectName(QStringLiteral("2"));
    m_pCancel->setAutoDefault(false);
    connect(m_pOk, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);

    // The tree, the check box under it and the buttons in the middle below;
    // at least 187 x 234 dialog units, buttons 58 x 18.
    const QFontMetrics metrics(font());
    for (CHoverButton* button : {m_pOk, m_pCancel})
        button->setMinimumSize(DluX(metrics, 58), DluY(metrics, 18));
    m_pTree->setMinimumSize(DluX(metrics, 173), DluY(metrics, 181));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pOk);
    buttons->addSpacing(DluX(metrics, 2));
    buttons->addWidget(m_pCancel);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTree, 1);
    layout->addWidget(m_pSubFolders);
    layout->addLayout(buttons);
    setMinimumSize(DluX(metrics, 187), DluY(metrics, 234));

    m_pTree->RecreateArchiveHandlers();
    m_pTree->SetSystemImageList();
    m_pTree->Refresh();
    m_pOk->SetIcon(IDI_OK);
    m_pCancel->SetIcon(IDI_CANCEL);
    m_pOk->SetBtnCursor(IDC_HAND_CURSOR);
    m_pCancel->SetBtnCursor(IDC_HAND_CURSOR);
}

CSelectFolderDlg::~CSelectFolderDlg() = default;

SELECTEDFOLDER CSelectFolderDlg::MakeRecord(const FOLDERITEM& place, std::string path) {
    SELECTEDFOLDER record;
    CopyFolderItem(place, record);
    record.m_sPath = std::move(path);
    return record;
}

std::string CSelectFolderDlg::ChildPath(const FOLDERITEM& child, const std::string& text) const {
    std::string path;
    if (child.m_nKind == FOLDERITEM_SHELL && child.m_pidlFull &&
        SHGetPathFromIDList(child.m_pidlFull.get(), &path))
        return path;
    return JoinPickedPath(m_sCurrentPath, text);
}

int CSelectFolderDlg::CollectSelection() {
    m_arrSelected.clear();
    QTreeWidgetItem* selected = m_pTree->currentItem();
    const FOLDERITEM* place = CFolderTreeCtrl::GetFolderItem(selected);
    if (place == nullptr)
        return 0;
    if (!m_pSubFolders->isChecked()) {
        m_arrSelected.push_back(MakeRecord(*place, m_sCurrentPath));
        return 1;
    }
    m_pTree->ExpandItem(selected);
    if (selected->childCount() == 0) {
        const auto* node = static_cast<CFolderTreeItem*>(selected);
        ShowMessage(ResourceText(IDS_NO_SUB_FOLDERS, node->Text()));
        return 0;
    }
    std::vector<SELECTEDFOLDER> records;
    for (int i = 0; i < selected->childCount(); ++i) {
        auto* child = static_cast<CFolderTreeItem*>(selected->child(i));
        if (child->Data() == nullptr)
            return 0;
        records.push_back(MakeRecord(*child->Data(), ChildPath(*child->Data(), child->Text())));
    }
    m_arrSelected = std::move(records);
    return 1;
}

void CSelectFolderDlg::OnOK() {
    if (CollectSelection() == 1)
        accept();
}

std::vector<SELECTEDFOLDER> CSelectFolderDlg::TakeSelection() {
    std::vector<SELECTEDFOLDER> taken;
    taken.swap(m_arrSelected);
    return taken;
}

void CSelectFolderDlg::ShowMessage(const QString& text) {
    ShowProgramMessage(this, text);
}
