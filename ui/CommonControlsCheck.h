#pragma once
// The start-up check that the window libraries the program runs on are at
// least as new as the ones it was built for, with its "Warning" dialog.

#include <QCheckBox>

#include <functional>

#include "platform/WinTypes.h"
#include "ui/HelpDialog.h"
#include "ui/ProductLinks.h"

class CHoverButton;

constexpr int IDD_IEWARNING = 146;
constexpr int IDC_IEWARNING_TEXT = 1040;
constexpr int IDC_IEWARNING_DONT_SHOW = 1039;

inline constexpr char kIEWarningHelpPage[] = "iewarningdlg.htm";
inline constexpr char kIEWarningText[] =
    "     If you want to run Zembrolt, IE 5.0 or newer version is required. It  is not found  "
    "in your computer. Please visit Microsoft site to  download it and install it. If you "
    "don't install it, Zembrolt still can run, but  some error will occur.";

// Whether the version text `running` ("major.minor.patch") is at least the
// packed version `required` (0xMMNNPP). A missing or unreadable version
// counts as too old.
bool IsRuntimeVersionAtLeast(const char* running, int required);

// 1 when the running Qt libraries are at least the version the program was
// built against, else 0.
int IsCommonControls5();

// The check's decision. `checkSysDll` is the "Check Sys Dll" setting (read
// and updated): 0 skips the check; passing sets it to 0 for good. When the
// libraries are too old, `showWarning` runs the warning and answers whether
// "Don't show it again" was checked (then the setting becomes 0), and
// `openUrl` opens the download page. Returns 1 when the check passes or is
// skipped, 0 after the warning.
int CheckCommonControls(DWORD& checkSysDll, int commonControlsOk,
                        const std::function<bool()>& showWarning, const UrlOpener& openUrl);

// The check as the program runs it at start-up: the real version test, the
// modal warning over `parent` and the desktop's browser.
int CheckCommonControls(QWidget* parent, DWORD& checkSysDll);

class CIEWarningDlg : public CHelpDialog {
    Q_OBJECT
public:
    explicit CIEWarningDlg(QWidget* parent = nullptr);

    bool DontShowAgain() const { return m_dontShow->isChecked(); }
    QCheckBox* DontShowCheckBox() const { return m_dontShow; }
    CHoverButton* OkButton() const { return m_ok; }

private:
    QCheckBox* m_dontShow = nullptr;
    CHoverButton* m_ok = nullptr;
};
