#pragma once
// The main window's "Option" command: the Option dialog on a copy of the
// program options, and after OK the changes applied to the window (thumbnails
// made again at a new size, the hot-key watcher restarted for a new letter,
// recent searches trimmed).

#include "app/engine/OptionChanges.h"

class CZembroltDlg;
class COptionDlg;
class IHotKeyWatcherControl;

class COptionCommand : public IOptionTarget {
public:
    // Both must outlive the command.
    COptionCommand(CZembroltDlg& window, IHotKeyWatcherControl& watcher);
    ~COptionCommand() override = default;

    // Runs the dialog on the window's options and applies them after OK.
    void Run();

    // IOptionTarget over the window.
    bool IsThumbnailViewShown() const override;
    void RemakeThumbnails(int width, int height) override;
    BOOL SaveSettings() override;
    void RestartHotKeyProgram(BYTE letter) override;
    std::vector<CSearchData>& RecentSearches() override;

protected:
    // Runs the dialog; true after OK. Tests replace it.
    virtual bool RunDialog(COptionDlg& dialog);

private:
    CZembroltDlg& m_window;
    IHotKeyWatcherControl& m_watcher;
};

// The command as the window runs it, with the watcher on the X display,
// started from the program's folder.
void OnOptionCommand(CZembroltDlg& window);
