#include "app/IncludeStringPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/ComboHistoryBox.h"
#include "app/IncludeStringWizard.h"
#include "platform/Log.h"

namespace {

constexpr COptionPage::RegistryField<CIncludeStringData> kRegistryValues[] = {
    {"Match Whole Word Only", &CIncludeStringData::m_bMatchWholeWord},
    {"Match Case", &CIncludeStringData::m_bMatchCase},
    {"Regular Expression", &CIncludeStringData::m_bRegularExpression},
};
constexpr const char* kIncludeStringValue = "Include String";

constexpr COptionPage::CheckBoxField<CIncludeStringData> kCheckBoxes[] = {
    {CIncludeStringPage::IDC_MATCH_WHOLE_WORD, "IDC_MATCH_WHOLE_WORD", "Match whole word only",
     &CIncludeStringData::m_bMatchWholeWord},
    {CIncludeStringPage::IDC_MATCH_CASE, "IDC_MATCH_CASE", "Match Case",
     &CIncludeStringData::m_bMatchCase},
    {CIncludeStringPage::IDC_REGULAR_EXPRESSION, "IDC_REGULAR_EXPRESSION", "Regular expression",
     &CIncludeStringData::m_bRegularExpression},
};

}  // namespace

CIncludeStringPage::CIncludeStringPage(QWidget* parent)
    : COptionPage(kIncludeStringPage, IDD, QStringLiteral("Include String"), parent) {
    m_pText = AddControl(IDC_INCLUDE_STRING, "IDC_INCLUDE_STRING", new QComboBox);
    m_pText->setEditable(true);
    // Entries join the history only through AddIncludeStringToHistory.
    m_pText->setInsertPolicy(QComboBox::NoInsert);
    // The expression is what was typed, never a history entry completed inline.
    m_pText->setCompleter(nullptr);
    m_pText->lineEdit()->setMaxLength(kMaxTextLength);
    m_pText->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Grid()->addWidget(m_pText, 0, 0, 1, 2);
    AddCheckBoxes(kCheckBoxes, 1);
    auto* wizard = AddControl(IDC_WIZARD, "IDC_WIZARD", new QPushButton(QStringLiteral("Wizard")));
    Grid()->addWidget(wizard, 1, 1, Qt::AlignRight);
    Grid()->setColumnStretch(0, 1);

    connect(m_pText, &QComboBox::editTextChanged, this, &CIncludeStringPage::OnTextEdited);
    connect(wizard, &QPushButton::clicked, this, &CIncludeStringPage::OnWizard);
    UpdateControls();
}

void CIncludeStringPage::SetData(const CIncludeStringData& data) {
    m_data = data;
    UpdateControls();
}

void CIncludeStringPage::Reset() {
    m_data.Reset();
    UpdateControls();
}

BOOL CIncludeStringPage::Validate() {
    m_data.m_sIncludeStr = m_pText->currentText().toStdString();
    ReadCheckBoxes(m_data, kCheckBoxes);
    return TRUE;
}

BOOL CIncludeStringPage::LoadFromRegistry(CRegKey& key) {
    // The text is read whole, however long it was when it was saved.
    const bool ok = LoadFields(key, m_data, kRegistryValues) &&
                    key.QueryString(kIncludeStringValue, m_data.m_sIncludeStr) == ERROR_SUCCESS;
    UpdateControls();
    return ok ? TRUE : FALSE;
}

BOOL CIncludeStringPage::SaveToRegistry(CRegKey& key) {
    return SaveFields(key, m_data, kRegistryValues) &&
                   key.SetString(kIncludeStringValue, m_data.m_sIncludeStr) == ERROR_SUCCESS
               ? TRUE
               : FALSE;
}

void CIncludeStringPage::AddIncludeStringToHistory() {
    UseComboHistory(m_history, m_pText);
}

void CIncludeStringPage::WriteHistory(CArchive& ar) const {
    m_history.SaveComboHistory(ar);
}

BOOL CIncludeStringPage::ReadHistory(CArchive& ar) {
    BOOL ok = FALSE;
    try {
        ok = m_history.LoadComboHistory(ar);
    } catch (const CArchiveException&) {
        ok = FALSE;
    }
    ShowComboHistory(m_history, m_pText);
    if (!ok)
        LogErrorLocation("GeneralOptionPage", __LINE__);
    return ok;
}

void CIncludeStringPage::OnWizard() {
    CIncludeStringWizard wizard(this);
    if (wizard.exec() == QDialog::Accepted)
        ApplyWizardString(wizard.IncludeString());
}

void CIncludeStringPage::ApplyWizardString(const QString& expression) {
    SetText(expression);
    CheckBox(IDC_REGULAR_EXPRESSION)->setChecked(true);
    PostChangeNotice();
}

void CIncludeStringPage::UpdateControls() {
    SetText(QString::fromStdString(m_data.m_sIncludeStr));
    WriteCheckBoxes(m_data, kCheckBoxes);
}

void CIncludeStringPage::SetText(const QString& text) {
    const QSignalBlocker block(m_pText);
    m_pText->setEditText(text);
    m_bTextEmpty = m_pText->currentText().isEmpty();
}

void CIncludeStringPage::OnTextEdited(const QString& text) {
    // Only a change between empty and not empty can change the default state.
    if (text.isEmpty() == m_bTextEmpty)
        return;
    m_bTextEmpty = text.isEmpty();
    PostChangeNotice();
}
