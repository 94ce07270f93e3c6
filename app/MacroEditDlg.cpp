#include "app/MacroEditDlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/HotKeyCtrl.h"
#include "platform/StringTable.h"
#include "ui/IconResources.h"
#include "ui/ProgramMessage.h"
#include "ui/ResourceText.h"
#include "ui/RoundButton.h"

CMacroEditDlg::CMacroEditDlg(const std::string& name, const CHotKeyValue& hotKey, QWidget* parent)
    : CHelpDialog(IDD_MACRO_EDIT, parent), m_sName(name), m_HotKey(hotKey) {
    SetHelpPage(QString::fromLatin1(kMacroEditHelpPage));
    setWindowTitle(QStringLiteral("Edit Macro"));

    m_pName = new QLineEdit(QString::fromStdString(name), this);
    m_pName->setObjectName(QString::number(IDC_MACRO_NAME));
    m_pHotKey = new CHotKeyCtrl(this);
    m_pHotKey->setObjectName(QString::number(IDC_MACRO_HOT_KEY));
    m_pHotKey->SetHotKey(hotKey);

    m_pOk = new CRoundButton(QStringLiteral("OK"), this);
    m_pOk->setObjectName(QStringLiteral("1"));
    m_pOk->SetIcon(IDI_OK);
    m_pOk->setDefault(true);
    auto* cancel = new CRoundButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->SetIcon(IDI_CANCEL);
    cancel->setAutoDefault(false);
    connect(m_pOk, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QFormLayout;
    auto* nameLabel = new QLabel(QStringLiteral("Macro &Name:"), this);
    nameLabel->setBuddy(m_pName);
    auto* keyLabel = new QLabel(QStringLiteral("&Hot Key:"), this);
    keyLabel->setBuddy(m_pHotKey);
    fields->addRow(nameLabel, m_pName);
    fields->addRow(keyLabel, m_pHotKey);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pOk);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    const QFontMetrics metrics(font());
    setMinimumWidth(200 * metrics.averageCharWidth() / 4);
    m_pName->setFocus();
}

void CMacroEditDlg::OnOK() {
    const QString name = m_pName->text().trimmed();
    if (name.isEmpty()) {
        ShowMessage(ResourceText(IDS_INVALID_MACRO_NAME));
        m_pName->setFocus();
        m_pName->selectAll();
        return;
    }
    m_sName = name.toStdString();
    m_HotKey = m_pHotKey->GetHotKey();
    accept();
}

void CMacroEditDlg::ShowMessage(const QString& text) {
    ShowProgramMessage(this, text, QMessageBox::Warning);
}
