#include "app/SizeOptionPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace {

constexpr COptionPage::RegistryField<CSizeOptionData> kRegistryValues[] = {
    {"Size Option Type", &CSizeOptionData::m_iSizeOptionType},
    {"Size", &CSizeOptionData::m_nSize},
};

}  // namespace

CSizeOptionPage::CSizeOptionPage(QWidget* parent)
    : COptionPage(kSizePage, IDD, QStringLiteral("Size"), parent) {
    auto* type = AddControl(IDC_SIZE_TYPE, "IDC_SIZE_TYPE", new QComboBox);
    type->addItems(
        {QStringLiteral("All Files"), QStringLiteral("At Least"), QStringLiteral("At Most")});
    Grid()->addWidget(type, 0, 0);
    m_pSize = AddControl(IDC_SIZE, "IDC_SIZE", new CSpinEdit);
    RegisterControl(IDC_SIZE_SPIN, nullptr, m_pSize);
    m_pSize->SetSpinRange(0, kSpinMax);
    Grid()->addWidget(m_pSize, 0, 1);
    Grid()->addWidget(new QLabel(QStringLiteral("KB")), 0, 2);
    Grid()->setColumnStretch(3, 1);

    connect(type, &QComboBox::currentIndexChanged, this, [this] {
        UpdateEnabling();
        PostChangeNotice();
    });
    UpdateControls();
}

QComboBox* CSizeOptionPage::TypeCombo() const {
    return Combo(IDC_SIZE_TYPE);
}

void CSizeOptionPage::SetData(const CSizeOptionData& data) {
    m_data = data;
    UpdateControls();
}

void CSizeOptionPage::Reset() {
    m_data.Reset();
    UpdateControls();
}

BOOL CSizeOptionPage::Validate() {
    m_data.m_iSizeOptionType = TypeCombo()->currentIndex();
    m_pSize->interpretText();
    m_data.m_nSize = m_pSize->value();
    return TRUE;
}

BOOL CSizeOptionPage::LoadFromRegistry(CRegKey& key) {
    const bool ok = LoadFields(key, m_data, kRegistryValues);
    UpdateControls();
    return ok ? TRUE : FALSE;
}

BOOL CSizeOptionPage::SaveToRegistry(CRegKey& key) {
    return SaveFields(key, m_data, kRegistryValues) ? TRUE : FALSE;
}

void CSizeOptionPage::UpdateControls() {
    const QSignalBlocker blockType(TypeCombo());
    TypeCombo()->setCurrentIndex(m_data.m_iSizeOptionType);
    m_pSize->setValue(m_data.m_nSize);
    UpdateEnabling();
}

void CSizeOptionPage::UpdateEnabling() {
    m_pSize->setEnabled(TypeCombo()->currentIndex() != 0);
}
