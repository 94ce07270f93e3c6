#include "app/GeneralOptionPage.h"

#include <QCheckBox>
#include <QGridLayout>

#include <iterator>

namespace {

// The check boxes in page order, with the field each one edits.
constexpr COptionPage::CheckBoxField<CGeneralOptionData> kCheckBoxes[] = {
    {CGeneralOptionPage::IDC_SEARCH_IN_COMPRESSED_FILES, "IDC_SEARCH_IN_COMPRESSED_FILES",
     "Search in compressed files (ZIP,RAR,...)", &CGeneralOptionData::m_bSearhInCompressedFiles},
    {CGeneralOptionPage::IDC_SEARCH_IN_LAST_RESULT, "IDC_SEARCH_IN_LAST_RESULT",
     "Search in last result", &CGeneralOptionData::m_bSearchInLastResult},
    {CGeneralOptionPage::IDC_MATCH_CASE, "IDC_MATCH_CASE", "Match case",
     &CGeneralOptionData::m_bCaseSensitive},
    {CGeneralOptionPage::IDC_INCLUDE_SUB_FOLDERS, "IDC_INCLUDE_SUB_FOLDERS", "Include sub folders",
     &CGeneralOptionData::m_bIncludeSubFolder},
    {CGeneralOptionPage::IDC_APPEND_RESULT, "IDC_APPEND_RESULT", "Append result to last search",
     &CGeneralOptionData::m_bAppendResultToLastSearch},
    {CGeneralOptionPage::IDC_ONLY_SEARCH_FILES, "IDC_ONLY_SEARCH_FILES", "Only search files",
     &CGeneralOptionData::m_bOnlyFiles},
    {CGeneralOptionPage::IDC_LIMIT_SEARCH_DEPTH, "IDC_LIMIT_SEARCH_DEPTH", "Limit search depth",
     &CGeneralOptionData::m_bLimitDepth},
};

// The stored values in the order they are read and written.
constexpr COptionPage::RegistryField<CGeneralOptionData> kRegistryValues[] = {
    {"File Name Case Sensitive", &CGeneralOptionData::m_bCaseSensitive},
    {"Search in Compressed Files", &CGeneralOptionData::m_bSearhInCompressedFiles},
    {"Include Folders", &CGeneralOptionData::m_bIncludeSubFolder},
    {"Get File Detail Data", &CGeneralOptionData::m_bGetFileDetail},
    {"Append Result To Last Search", &CGeneralOptionData::m_bAppendResultToLastSearch},
    {"Limit Search Depth", &CGeneralOptionData::m_bLimitDepth},
    {"Search Depth", &CGeneralOptionData::m_nSearchDepth},
    {"Only Search Files", &CGeneralOptionData::m_bOnlyFiles},
};

}  // namespace

CGeneralOptionPage::CGeneralOptionPage(QWidget* parent)
    : COptionPage(kGeneralPage, IDD, QStringLiteral("General"), parent) {
    AddCheckBoxes(kCheckBoxes, 0);
    for (const CheckBoxField<CGeneralOptionData>& box : kCheckBoxes) {
        const int id = box.id;
        connect(CheckBox(id), &QCheckBox::clicked, this, [this, id] { OnButtonClicked(id); });
    }
    // The depth stands beside "Limit search depth", the last check box.
    m_pDepth = AddControl(IDC_SEARCH_DEPTH, "IDC_SEARCH_DEPTH", new CSpinEdit);
    RegisterControl(IDC_SEARCH_DEPTH_SPIN, nullptr, m_pDepth);
    m_pDepth->SetSpinRange(kDepthSpinMin, kDepthSpinMax);
    Grid()->addWidget(m_pDepth, static_cast<int>(std::size(kCheckBoxes)) - 1, 1);
    Grid()->setColumnStretch(2, 1);
    UpdateControls();
}

void CGeneralOptionPage::SetData(const CGeneralOptionData& data) {
    m_data = data;
    UpdateControls();
}

void CGeneralOptionPage::Reset() {
    const std::int32_t depth = m_data.m_nSearchDepth;
    m_data.Reset();
    m_data.m_nSearchDepth = depth;
    UpdateControls();
}

BOOL CGeneralOptionPage::IsDefault() const {
    return m_data.m_bSearhInCompressedFiles && m_data.m_bIncludeSubFolder &&
           !m_data.m_bSearchInLastResult && !m_data.m_bCaseSensitive && !m_data.m_bGetFileDetail &&
           !m_data.m_bAppendResultToLastSearch && !m_data.m_bLimitDepth && !m_data.m_bOnlyFiles;
}

BOOL CGeneralOptionPage::Validate() {
    ReadCheckBoxes(m_data, kCheckBoxes);
    m_pDepth->interpretText();
    m_data.m_nSearchDepth = m_pDepth->value() <= 0 ? 1 : m_pDepth->value();
    return TRUE;
}

BOOL CGeneralOptionPage::LoadFromRegistry(CRegKey& key) {
    const bool ok = LoadFields(key, m_data, kRegistryValues);
    UpdateControls();
    return ok ? TRUE : FALSE;
}

BOOL CGeneralOptionPage::SaveToRegistry(CRegKey& key) {
    return SaveFields(key, m_data, kRegistryValues) ? TRUE : FALSE;
}

void CGeneralOptionPage::UpdateControls() {
    WriteCheckBoxes(m_data, kCheckBoxes);
    m_pDepth->setValue(m_data.m_nSearchDepth);
    m_pDepth->setEnabled(m_data.m_bLimitDepth != FALSE);
}

void CGeneralOptionPage::OnButtonClicked(int id) {
    // "Search in last result" and "Append result to last search" exclude
    // each other: turning one on turns the other off.
    const auto exclusive = [this](int clicked, int other) {
        if (CheckBox(clicked)->isChecked())
            CheckBox(other)->setChecked(false);
    };
    if (id == IDC_SEARCH_IN_LAST_RESULT)
        exclusive(IDC_SEARCH_IN_LAST_RESULT, IDC_APPEND_RESULT);
    else if (id == IDC_APPEND_RESULT)
        exclusive(IDC_APPEND_RESULT, IDC_SEARCH_IN_LAST_RESULT);
    m_pDepth->setEnabled(CheckBox(IDC_LIMIT_SEARCH_DEPTH)->isChecked());
    PostChangeNotice();
}
