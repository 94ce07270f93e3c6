#pragma once
// "Find Redundant Files": the categories to look for, on a copy of the
// options that OK (Start) hands back.

#include "tools/RedundantFinder.h"
#include "ui/HelpDialog.h"

class QCheckBox;

constexpr int IDD_FIND_REDUNDANT = 179;
constexpr const char* kFindRedundantHelpPage = "findreduntantdlg.html";

class CFindRedundantDlg : public CHelpDialog {
    Q_OBJECT

public:
    explicit CFindRedundantDlg(const CRedundantOptions& options, QWidget* parent = nullptr);

    // The boxes' choices.
    CRedundantOptions GetOptions() const;
    QCheckBox* OptionBox(int id) const;

private:
    CRedundantOptions m_options;
};
