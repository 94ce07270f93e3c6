#include "tools/windows/ChangeAttributesDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "tools/windows/ChangeDialogLayout.h"
#include "ui/WaitCursor.h"

namespace {

Qt::CheckState ToCheckState(AttributeBox box) {
    switch (box) {
        case AttributeBox::Checked:
            return Qt::Checked;
        case AttributeBox::Gray:
            return Qt::PartiallyChecked;
        default:
            return Qt::Unchecked;
    }
}

AttributeBox ToBox(Qt::CheckState state) {
    switch (state) {
        case Qt::Checked:
            return AttributeBox::Checked;
        case Qt::PartiallyChecked:
            return AttributeBox::Gray;
        default:
            return AttributeBox::Clear;
    }
}

}  // namespace

CChangeAttributesDlg::CChangeAttributesDlg(QWidget* parent)
    : CHelpDialog(IDD_CHANGE_ATTRIBUTES, parent) {
    setWindowTitle(QStringLiteral("Change Attributes"));

    struct BoxEntry {
        int id;
        DWORD bit;
        const char* text;
    };
    const BoxEntry entries[] = {
        {IDC_ATTR_READ_ONLY, FILE_ATTRIBUTE_READONLY, "&Read-only"},
        {IDC_ATTR_HIDDEN, FILE_ATTRIBUTE_HIDDEN, "&Hidden"},
        {IDC_ATTR_SYSTEM, FILE_ATTRIBUTE_SYSTEM, "&System"},
        {IDC_ATTR_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE, "&Archive"},
    };
    auto* group = new QGroupBox(QStringLiteral("Attributes"), this);
    auto* boxes = new QVBoxLayout(group);
    for (const BoxEntry& entry : entries) {
        auto* box = new QCheckBox(QString::fromLatin1(entry.text), group);
        box->setObjectName(QString::number(entry.id));
        box->setTristate(true);
        boxes->addWidget(box);
        m_boxes.emplace_back(entry.bit, box);
    }

    // The legend: a sample box in each state between its two texts.
    auto* legend = new QGridLayout;
    const std::pair<Qt::CheckState, const char*> states[] = {
        {Qt::PartiallyChecked, "gray "},
        {Qt::Checked, "checked "},
        {Qt::Unchecked, "unchecked "},
    };
    const char* meanings[] = {" = unchanged", " = set attribute", " = clear attribute"};
    for (int row = 0; row < 3; ++row) {
        auto* sample = new QCheckBox(this);
        sample->setTristate(true);
        sample->setCheckState(states[row].first);
        sample->setEnabled(false);
        sample->setFocusPolicy(Qt::NoFocus);
        legend->addWidget(new QLabel(QString::fromLatin1(states[row].second), this), row, 0);
        legend->addWidget(sample, row, 1);
        legend->addWidget(new QLabel(QString::fromLatin1(meanings[row]), this), row, 2);
    }
    legend->setColumnStretch(3, 1);

    auto* controls = new QVBoxLayout;
    controls->addWidget(group);
    controls->addLayout(legend);
    m_pSubFolders = LayOutChangeDialog(this, controls, IDC_ATTR_SUB_FOLDERS, [this] { OnOK(); });
    SetItems({});
}

void CChangeAttributesDlg::SetItems(const std::vector<CResultItem*>& records) {
    m_change.SetItems(records);
    for (auto& [bit, box] : m_boxes)
        box->setCheckState(ToCheckState(m_change.InitialBox(bit)));
    m_pSubFolders->setEnabled(!m_change.HasNoFolder());
}

QCheckBox* CChangeAttributesDlg::BoxOf(DWORD bit) const {
    for (const auto& [boxBit, box] : m_boxes) {
        if (boxBit == bit)
            return box;
    }
    return nullptr;
}

void CChangeAttributesDlg::OnOK() {
    DWORD set = 0;
    DWORD keep = 0xFFFFFFFFu;
    for (const auto& [bit, box] : m_boxes)
        CAttributeChange::AddBox(ToBox(box->checkState()), bit, &set, &keep);
    {
        CWaitCursor wait;
        m_change.Apply(set, keep, m_pSubFolders->isEnabled() && m_pSubFolders->isChecked());
    }
    accept();
}
