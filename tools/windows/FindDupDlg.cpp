#include "tools/windows/FindDupDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellHelper.h"
#include "ui/DialogButtons.h"
#include "ui/HoverButton.h"
#include "ui/IconResources.h"
#include "ui/ResourceText.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
// The computer stands for every volume: its walk starts at the root.
constexpr const char* kComputerPath = "/";

// The shell's display name of a path ("Computer" for the special folder).
QString DisplayName(const std::string& parsingName) {
    CShellHelper helper;
    LPITEMIDLIST list = nullptr;
    std::string name;
    if (SUCCEEDED(helper.ParseDisplayName(parsingName, &list, nullptr)) && list) {
        CShellHelper::GetPidlDisplayName(list, &name);
        ILFree(list);
    }
    return name.empty() ? QFile::decodeName(QByteArray::fromStdString(parsingName))
                        : QString::fromStdString(name);
}

}  // namespace

CFindDupDlg::CFindDupDlg(const QStringList& history, CFileTypeGroupArray groups, QWidget* parent)
    : CHelpDialog(IDD_FIND_DUP, parent), m_groups(std::move(groups)) {
    setWindowTitle(QStringLiteral("Find Duplicate Files"));
    SetHelpPage(QString::fromLatin1(kFindDupHelpPage));

    m_pFolders = new QTreeWidget(this);
    m_pFolders->setObjectName(QString::number(IDC_DUP_FOLDERS));
    m_pFolders->setColumnCount(1);
    m_pFolders->setHeaderLabels({QStringLiteral("Folder Name")});
    m_pFolders->setRootIsDecorated(false);
    m_pFolders->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pFolders->header()->setStretchLastSection(true);
    connect(m_pFolders, &QTreeWidget::itemDoubleClicked, this, [this] { OnRemove(); });
    {
        auto* computer = new QTreeWidgetItem(m_pFolders, {DisplayName("::Computer")});
        computer->setIcon(0, QFileIconProvider().icon(QFileIconProvider::Computer));
        computer->setData(0, kPathRole, QString::fromLatin1(kComputerPath));
        computer->setToolTip(0, QString::fromLatin1(kComputerPath));
    }

    auto* side = new QVBoxLayout;
    AddDialogButtons(this, side,
                     {{IDC_DUP_ADD, "&Add", IDI_ADD, [this] { OnAdd(); }},
                      {IDC_DUP_REMOVE, "&Remove", IDI_DELETE, [this] { OnRemove(); }},
                      {IDC_DUP_REMOVE_ALL, "Remove A&ll", IDI_RESET, [this] { OnRemoveAll(); }}});

    m_pFileName = new QComboBox(this);
    m_pFileName->setObjectName(QString::number(IDC_DUP_FILE_NAME));
    m_pFileName->setEditable(true);
    m_pFileName->setInsertPolicy(QComboBox::NoInsert);
    m_pFileName->addItems(history);
    m_pFileName->setEditText(QString());
    m_pTypeButton = new CHoverButton(QStringLiteral(">"), this);
    m_pTypeButton->setObjectName(QString::number(IDC_DUP_FILE_TYPE_MENU));
    m_pTypeButton->SetAlwaysBorder(true);
    m_pTypeButton->setAutoDefault(false);
    connect(m_pTypeButton, &QPushButton::clicked, this, [this] { OnFileTypeMenu(); });
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_pFileName, 1);
    nameRow->addWidget(m_pTypeButton);

    m_pMinSize = new QComboBox(this);
    m_pMinSize->setObjectName(QString::number(IDC_DUP_MIN_SIZE));
    m_pMinSize->setEditable(true);
    m_pMinSize->setInsertPolicy(QComboBox::NoInsert);
    for (const char* size :
         {"0", "1024", "16384", "32768", "65536", "131072", "262144", "524288", "1048576"})
        m_pMinSize->addItem(QString::fromLatin1(size));
    m_pMinSize->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    m_pMinSize->setEditText(QStringLiteral("65536"));

    auto* rules = new QGroupBox(QStringLiteral("Rule"), this);
    auto* ruleLayout = new QVBoxLayout(rules);
    const char* const ruleTexts[4] = {"Match File Name",
                                      "Match File Name, File Size and Modify Time",
                                      "Match File Name and Content", "Match Content"};
    auto* ruleGroup = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        m_pRules[i] = new QRadioButton(QString::fromLatin1(ruleTexts[i]), rules);
        m_pRules[i]->setObjectName(QString::number(IDC_DUP_RULE_FIRST + i));
        ruleGroup->addButton(m_pRules[i], i);
        ruleLayout->addWidget(m_pRules[i]);
    }
    m_pRules[1]->setChecked(true);

    m_pCompressed = new QCheckBox(QStringLiteral("Search in &compressed files"), this);
    m_pCompressed->setObjectName(QString::number(IDC_DUP_COMPRESSED));
    m_pCompressed->setChecked(true);
    m_pSubFolders = new QCheckBox(QStringLiteral("Include &sub folders"), this);
    m_pSubFolders->setObjectName(QString::number(IDC_DUP_SUB_FOLDERS));
    m_pSubFolders->setChecked(true);

    auto* form = new QFormLayout;
    // The name field is a row with its ">" button: its label needs a buddy
    // of its own, else the "&" shows instead of marking Alt+N.
    auto* nameLabel = new QLabel(QStringLiteral("File &name:"), this);
    nameLabel->setBuddy(m_pFileName);
    form->addRow(nameLabel, nameRow);
    form->addRow(QStringLiteral("&Minimum size (bytes):"), m_pMinSize);

    auto* top = new QHBoxLayout;
    top->addWidget(m_pFolders, 1);
    top->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    auto* okCancel = new QHBoxLayout;
    AddDialogButtons(
        this, okCancel,
        {{IDOK, "Searc&h", IDI_SEARCH, [this] { OnOK(); }}, {IDCANCEL, "Cancel", IDI_CANCEL, {}}});
    bottom->addLayout(okCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(form);
    layout->addWidget(rules);
    layout->addWidget(m_pCompressed);
    layout->addWidget(m_pSubFolders);
    layout->addLayout(bottom);
    m_pFileName->setFocus();
}

void CFindDupDlg::AddFolder(const QString& path) {
    const std::string bytes = QFile::encodeName(path).toStdString();
    auto* item = new QTreeWidgetItem(m_pFolders, {DisplayName(bytes)});
    item->setIcon(0, QFileIconProvider().icon(QFileIconProvider::Folder));
    item->setData(0, kPathRole, path);
    item->setToolTip(0, path);
}

QStringList CFindDupDlg::Folders() const {
    QStringList folders;
    for (int i = 0; i < m_pFolders->topLevelItemCount(); ++i)
        folders << m_pFolders->topLevelItem(i)->data(0, kPathRole).toString();
    return folders;
}

QString CFindDupDlg::ChooseFolder() {
    return QFileDialog::getExistingDirectory(this, QStringLiteral("Add Folder"));
}

void CFindDupDlg::ShowMessage(const QString& text) {
    QMessageBox::information(this, windowTitle(), text);
}

void CFindDupDlg::OnAdd() {
    const QString path = ChooseFolder();
    if (!path.isEmpty())
        AddFolder(path);
}

void CFindDupDlg::OnRemove() {
    const QList<QTreeWidgetItem*> selected = m_pFolders->selectedItems();
    if (selected.isEmpty()) {
        ShowMessage(ResourceText(IDS_SELECT_AN_ITEM));
        m_pFolders->setFocus();
        return;
    }
    qDeleteAll(selected);
}

void CFindDupDlg::OnRemoveAll() {
    m_pFolders->clear();
}

void CFindDupDlg::OnFileTypeMenu() {
    QMenu menu(this);
    for (std::size_t i = 0; i < m_groups.size(); ++i) {
        QAction* action = menu.addAction(QString::fromStdString(m_groups[i].m_sName));
        action->setData(GetFileTypeGroupCommand(i));
    }
    const QAction* chosen =
        menu.exec(m_pTypeButton->mapToGlobal(QPoint(m_pTypeButton->width(), 0)));
    if (chosen)
        ApplyFileTypeGroupCommand(chosen->data().toUInt());
}

bool CFindDupDlg::ApplyFileTypeGroupCommand(UINT id) {
    const CFileTypeGroup* group = FindFileTypeGroupByCommand(m_groups, id);
    if (!group)
        return false;
    m_pFileName->setEditText(QString::fromStdString(group->m_sPatterns));
    return true;
}

void CFindDupDlg::OnOK() {
    if (m_pFolders->topLevelItemCount() == 0) {
        ShowMessage(ResourceText(IDS_NO_FOLDERS_ADDED));
        return;
    }
    accept();
}

void CFindDupDlg::FillOptions(CFindDupOptions& options) const {
    options.Reset();
    options.m_bSearchCompressed = m_pCompressed->isChecked() ? TRUE : FALSE;
    options.m_bIncludeSubFolders = m_pSubFolders->isChecked() ? TRUE : FALSE;
    for (const QString& folder : Folders())
        options.m_arrFolders.push_back(QFile::encodeName(folder).toStdString());
    // Digits only; a number beyond 32 bits keeps the largest count.
    bool ok = false;
    const qulonglong size = m_pMinSize->currentText().toULongLong(&ok);
    options.m_nMinSize =
        ok ? static_cast<std::uint32_t>(std::min<qulonglong>(size, 0xFFFFFFFFu)) : 0;
    int rule = 1;
    for (int i = 0; i < 4; ++i) {
        if (m_pRules[i]->isChecked())
            rule = i;
    }
    options.m_nRules = kDupRules[rule];
    ParseDupNamePatterns(m_pFileName->currentText().toStdString(), &options.m_arrPatterns);
}
