#include "tools/windows/FindRedundantDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/DialogButtons.h"
#include "ui/IconResources.h"

namespace {

struct OptionEntry {
    int id;
    BOOL CRedundantOptions::*option;
    const char* text;
};

// In the options' order.
constexpr OptionEntry kOptionBoxes[] = {
    {1072, &CRedundantOptions::m_bInternetCache, "Find Internet temporary files"},
    {1074, &CRedundantOptions::m_bLostClusters, "Find lost allocation unit files"},
    {1073, &CRedundantOptions::m_bBrokenShortcuts, "Find shortcuts to missing files"},
    {1076, &CRedundantOptions::m_bTempFiles, "Find temporary files"},
    {1078, &CRedundantOptions::m_bTempFolder, "Find files in Windows temporary folder"},
    {1077, &CRedundantOptions::m_bInstallTemp, "Find temporary installation files"},
    {1079, &CRedundantOptions::m_bRecycleBin, "Find files in the Recycle Bin"},
    {1080, &CRedundantOptions::m_bEmptyDirectories, "Find empty directory"},
};

}  // namespace

CFindRedundantDlg::CFindRedundantDlg(const CRedundantOptions& options, QWidget* parent)
    : CHelpDialog(IDD_FIND_REDUNDANT, parent), m_options(options) {
    setWindowTitle(QStringLiteral("Find Redundant Files"));
    SetHelpPage(QString::fromLatin1(kFindRedundantHelpPage));
    auto* boxes = new QVBoxLayout;
    for (const OptionEntry& entry : kOptionBoxes) {
        auto* box = new QCheckBox(QString::fromLatin1(entry.text), this);
        box->setObjectName(QString::number(entry.id));
        box->setChecked(options.*entry.option != FALSE);
        boxes->addWidget(box);
    }
    boxes->addStretch(1);
    auto* buttons = new QVBoxLayout;
    AddDialogButtons(
        this, buttons,
        {{IDOK, "&Start", IDI_SEARCH, [this] { accept(); }}, {IDCANCEL, "Cancel", IDI_CANCEL, {}}});
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(boxes, 1);
    layout->addLayout(buttons);
}

QCheckBox* CFindRedundantDlg::OptionBox(int id) const {
    return findChild<QCheckBox*>(QString::number(id));
}

CRedundantOptions CFindRedundantDlg::GetOptions() const {
    CRedundantOptions options = m_options;
    for (const OptionEntry& entry : kOptionBoxes) {
        if (const QCheckBox* box = OptionBox(entry.id))
            options.*entry.option = box->isChecked() ? TRUE : FALSE;
    }
    return options;
}
