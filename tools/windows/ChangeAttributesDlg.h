#pragma once
// "Change Attributes": four tri-state boxes (read-only, hidden, system,
// archive) that start from the selected records' attributes; a checked box
// sets its attribute, a cleared one clears it and a gray one leaves it. With
// "Include files in sub folders" (offered when a folder is selected) the
// contents of selected folders change too.

#include <vector>

#include "app/engine/ResultItem.h"
#include "tools/AttributeChange.h"
#include "ui/HelpDialog.h"

class QCheckBox;

constexpr int IDD_CHANGE_ATTRIBUTES = 186;
constexpr int IDC_ATTR_SUB_FOLDERS = 1072;
constexpr int IDC_ATTR_READ_ONLY = 1073;
constexpr int IDC_ATTR_ARCHIVE = 1074;
constexpr int IDC_ATTR_HIDDEN = 1075;
constexpr int IDC_ATTR_SYSTEM = 1076;

class CChangeAttributesDlg : public CHelpDialog {
    Q_OBJECT

public:
    explicit CChangeAttributesDlg(QWidget* parent = nullptr);

    // The selected records (not owned); before the dialog runs.
    void SetItems(const std::vector<CResultItem*>& records);
    // OK: applies the boxes, then closes.
    void OnOK();

    QCheckBox* BoxOf(DWORD bit) const;
    QCheckBox* SubFoldersBox() const { return m_pSubFolders; }
    const CAttributeChange& Change() const { return m_change; }

private:
    CAttributeChange m_change;
    QCheckBox* m_pSubFolders = nullptr;
    std::vector<std::pair<DWORD, QCheckBox*>> m_boxes;
};
