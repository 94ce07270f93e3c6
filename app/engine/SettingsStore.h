#pragma once
// The main window's registry settings: loading them at start, saving them when
// the window goes, and the first-run set-up that writes every value, the
// install information read by the shell-extension library and the hot-key
// watcher, and the "Find with Zembrolt" verbs.
//
// The window's values live in a plain CWindowSettings and its CAdvancedOptions;
// the option sheet and the steps that change the window are reached through
// ISettingsWindow, so the whole sequence runs without a window.
//
// Values under HKEY_LOCAL_MACHINE\SOFTWARE\Zembrolt written here: "Version",
// "Advance Option", "Check Sys Dll", "Find Root Path", "Last Pos", "Install
// Path" and "AppName" (at the first run, and again when the program starts
// from another place); the option pages and CAdvancedOptions write their own.

#include <string>
#include <vector>

#include "app/engine/AdvancedOptions.h"
#include "platform/Registry.h"
#include "platform/WinTypes.h"

// A window rectangle in screen pixels.
struct WindowRect {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// What the main window keeps of its registry settings.
struct CWindowSettings {
    std::string m_sFindRootPath;    // the look-in path shown
    BOOL m_bAdvanceOption = FALSE;  // whether the option sheet is shown
    BOOL m_bCheckSysDll = TRUE;     // whether the common-controls check runs at start
    WindowRect m_rcLastPos;         // the rectangle read; all zero when none was stored
};

// The window's side of the settings.
class ISettingsWindow {
public:
    virtual ~ISettingsWindow() = default;

    // The option sheet's registry load and save of its five pages: every page
    // is asked even after one failed; TRUE only when all succeeded.
    virtual BOOL LoadOptionPages(CRegKey& key) = 0;
    virtual BOOL SaveOptionPages(CRegKey& key) = 0;
    // Resets the five pages to their defaults and redraws the sheet's tabs.
    virtual void ResetOptionPages() = 0;

    // Places the window by a stored rectangle.
    virtual void PlaceWindow(const WindowRect& rect) = 0;
    // Shows the look-in path in its field, selects it in the folder tree and
    // refreshes the controls from the window's data.
    virtual void ShowLookInPath(const std::string& path) = 0;
    // Shows or hides the option sheet, sets the "Advance" button's picture and
    // lays the window out.
    virtual void ShowOptionSheet(BOOL show) = 0;
    // The rectangle to store: all zero while the window is minimised, else its
    // screen rectangle.
    virtual WindowRect GetRectToSave() const = 0;
};

class CSettingsStore {
public:
    // The store reads and writes `window` and `options` and calls `host`; all
    // three must outlive it.
    CSettingsStore(CWindowSettings& window, CAdvancedOptions& options, ISettingsWindow& host);

    // Reads the key. 0 when the key or a required value is missing, or the
    // option pages or the advanced options fail to load: the caller then runs
    // WriteFirstRunSettings, which writes what the window holds by then.
    // After a successful load the option sheet is shown with its pages at
    // their defaults, whatever the key held for them.
    BOOL LoadSettings();
    // Writes the current values. 0 when the key cannot be opened or one of
    // "Advance Option", "Version", "Check Sys Dll" and "Find Root Path" cannot
    // be written; after those, "Last Pos", the option pages and the advanced
    // options are written as far as they go and the result is 1.
    BOOL SaveSettings();
    // Creates the key and writes every value, the install information of
    // `programPath` (the program's full path), and the "Find with Zembrolt"
    // verbs for folders and for each archive extension, in the registry and
    // as the file managers' own actions (platform/DesktopIntegration). 0 when
    // a step before the archive verbs fails or an action cannot be written.
    BOOL WriteFirstRunSettings(const std::string& programPath);
    // After a load: when "Install Path" and "AppName" do not name
    // `programPath` (the program was moved, or another copy of it runs with
    // the same settings), writes them anew with the verbs and actions that
    // start it, and moves a launcher the library's registration wrote along.
    // Nothing is written when they name it. 0 when the key or a value cannot
    // be written or an action cannot be.
    BOOL RefreshInstallInformation(const std::string& programPath);

private:
    CWindowSettings& m_window;
    CAdvancedOptions& m_options;
    ISettingsWindow& m_host;
};
