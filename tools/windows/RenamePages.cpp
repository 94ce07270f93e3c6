#include "tools/windows/RenamePages.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/ResourceText.h"

namespace {

constexpr int kSpinLimit = 0x40000000;

QComboBox* MakeCombo(QWidget* parent, int id, std::initializer_list<const char*> entries) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::number(id));
    for (const char* entry : entries)
        combo->addItem(QString::fromLatin1(entry));
    return combo;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QSpinBox* MakeSpin(QWidget* parent, int id, int low, int high, int value) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::number(id));
    spin->setRange(low, high);
    spin->setValue(value);
    return spin;
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

}  // namespace

CRenamePage::CRenamePage(int templateId, const QString& title, QWidget* parent)
    : QWidget(parent), m_templateId(templateId) {
    setWindowTitle(title);
}

QWidget* CRenamePage::MakeTokenButton(int id, const char* text, QLineEdit* edit) {
    auto* button = new QPushButton(QString::fromLatin1(text), this);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [edit, text] {
        edit->insert(QString::fromLatin1(text));
        edit->setFocus();
    });
    return button;
}

void CRenamePage::Watch(QLineEdit* edit) {
    connect(edit, &QLineEdit::textChanged, this, &CRenamePage::Changed);
}

void CRenamePage::Watch(QComboBox* combo) {
    connect(combo, &QComboBox::currentIndexChanged, this, &CRenamePage::Changed);
}

void CRenamePage::Watch(QSpinBox* spin) {
    connect(spin, &QSpinBox::valueChanged, this, &CRenamePage::Changed);
}

CFileNamePage::CFileNamePage(QWidget* parent)
    : CRenamePage(IDD_RENAME_NAME_PAGE, QStringLiteral("File Name"), parent) {
    m_pTemplate = MakeEdit(this, "IDC_NAME_TEMPLATE", QStringLiteral("[N]"));
    m_pFind = MakeEdit(this, "IDC_NAME_FIND");
    m_pReplace = MakeEdit(this, "IDC_NAME_REPLACE");
    m_pMode = MakeCombo(this, 1081,
                        {"All occurrence", "First occurrence", "At the beginning of the file name",
                         "At the end of the file name"});
    m_pCase = MakeCombo(this, 1082,
                        {"Unchanged", "all lowercase", "ALL UPPERCASE", "First letter uppercase",
                         "Initial Of Each Word Uppercase"});
    auto* tokens = new QHBoxLayout;
    tokens->addWidget(MakeTokenButton(1090, "[N]", m_pTemplate));
    tokens->addWidget(MakeTokenButton(1092, "[YMD]", m_pTemplate));
    tokens->addWidget(MakeTokenButton(1091, "[C]", m_pTemplate));
    tokens->addWidget(MakeTokenButton(1093, "[hms]", m_pTemplate));
    tokens->addWidget(MakeTokenButton(1095, "[A]", m_pTemplate));
    tokens->addWidget(MakeTokenButton(1094, "[T]", m_pTemplate));
    tokens->addStretch(1);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Name:"), m_pTemplate);
    form->addRow(QString(), tokens);
    form->addRow(QStringLiteral("&Find:"), m_pFind);
    form->addRow(QStringLiteral("Re&place with:"), m_pReplace);
    form->addRow(QStringLiteral("Replace &mode:"), m_pMode);
    form->addRow(QStringLiteral("C&ase:"), m_pCase);
    for (QLineEdit* edit : {m_pTemplate, m_pFind, m_pReplace})
        Watch(edit);
    Watch(m_pMode);
    Watch(m_pCase);
}

void CFileNamePage::Read(RenameOptions& options) const {
    // Leading blanks of the name template go.
    QString text = m_pTemplate->text();
    while (!text.isEmpty() && text.front() == QLatin1Char(' '))
        text.remove(0, 1);
    options.nameTemplate = Utf8(text);
    options.findText = Utf8(m_pFind->text());
    options.replaceText = Utf8(m_pReplace->text());
    options.replaceMode = m_pMode->currentIndex();
    options.nameCase = m_pCase->currentIndex();
}

CExtPage::CExtPage(QWidget* parent)
    : CRenamePage(IDD_RENAME_EXT_PAGE, QStringLiteral("Extension"), parent) {
    m_pTemplate = MakeEdit(this, "IDC_EXT_TEMPLATE", QStringLiteral("[E]"));
    m_pFind = MakeEdit(this, "IDC_EXT_FIND");
    m_pReplace = MakeEdit(this, "IDC_EXT_REPLACE");
    m_pCase = MakeCombo(this, 1095, {"Unchanged", "all lowercase", "ALL UPPERCASE"});
    auto* tokens = new QHBoxLayout;
    tokens->addWidget(MakeTokenButton(1093, "[E]", m_pTemplate));
    tokens->addWidget(MakeTokenButton(1094, "[C]", m_pTemplate));
    tokens->addStretch(1);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Extension:"), m_pTemplate);
    form->addRow(QString(), tokens);
    form->addRow(QStringLiteral("&Find:"), m_pFind);
    form->addRow(QStringLiteral("Re&place with:"), m_pReplace);
    form->addRow(QStringLiteral("C&ase:"), m_pCase);
    for (QLineEdit* edit : {m_pTemplate, m_pFind, m_pReplace})
        Watch(edit);
    Watch(m_pCase);
}

void CExtPage::Read(RenameOptions& options) const {
    // Trailing blanks of the extension template go.
    QString text = m_pTemplate->text();
    while (!text.isEmpty() && text.back() == QLatin1Char(' '))
        text.chop(1);
    options.extTemplate = Utf8(text);
    options.extFindText = Utf8(m_pFind->text());
    options.extReplaceText = Utf8(m_pReplace->text());
    options.extCase = m_pCase->currentIndex();
}

CCounterPage::CCounterPage(QWidget* parent)
    : CRenamePage(IDD_RENAME_COUNTER_PAGE, QStringLiteral("Counter"), parent) {
    m_pDigits = MakeSpin(this, 1092, 1, 8, 4);
    m_pStart = MakeSpin(this, 1089, -kSpinLimit, kSpinLimit, 1);
    m_pStep = MakeSpin(this, 1090, -kSpinLimit, kSpinLimit, 1);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Digits:"), m_pDigits);
    form->addRow(QStringLiteral("&Start:"), m_pStart);
    form->addRow(QStringLiteral("S&tep:"), m_pStep);
    for (QSpinBox* spin : {m_pDigits, m_pStart, m_pStep})
        Watch(spin);
}

void CCounterPage::Read(RenameOptions& options) const {
    options.digits = static_cast<unsigned>(m_pDigits->value());
    options.start = m_pStart->value();
    options.step = m_pStep->value();
}

CRenameSheet::CRenameSheet(QWidget* parent) : QTabWidget(parent) {
    setObjectName(ResourceText(IDS_RENAME_SHEET));
    m_pName = new CFileNamePage(this);
    m_pExt = new CExtPage(this);
    m_pCounter = new CCounterPage(this);
    for (CRenamePage* page : {static_cast<CRenamePage*>(m_pName), static_cast<CRenamePage*>(m_pExt),
                              static_cast<CRenamePage*>(m_pCounter)}) {
        addTab(page, page->windowTitle());
        connect(page, &CRenamePage::Changed, this, &CRenameSheet::Changed);
    }
}

RenameOptions CRenameSheet::ReadOptions() const {
    RenameOptions options;
    m_pName->Read(options);
    m_pExt->Read(options);
    m_pCounter->Read(options);
    return options;
}
