#include "app/engine/SettingsStore.h"

#include <vector>

#include "app/engine/FindVerbs.h"
#include "platform/DesktopIntegration.h"
#include "platform/Log.h"
#include "platform/ProgramKey.h"
#include "readers/archives/ArchiveHandler.h"

namespace {

constexpr const char* kVersion = "Version";
constexpr const char* kAdvanceOption = "Advance Option";
constexpr const char* kCheckSysDll = "Check Sys Dll";
constexpr const char* kFindRootPath = "Find Root Path";
constexpr const char* kLastPos = "Last Pos";
constexpr const char* kInstallPath = "Install Path";
constexpr const char* kAppName = "AppName";

// "Last Pos": left, top, right, bottom as 32-bit little-endian integers.
constexpr std::size_t kRectBytes = 16;

void PutLong(BYTE* out, LONG value) {
    const DWORD v = static_cast<DWORD>(value);
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<BYTE>(v >> (8 * i));
}

LONG GetLong(const BYTE* in) {
    DWORD v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<DWORD>(in[i]) << (8 * i);
    return static_cast<LONG>(v);
}

// The stored rectangle; all zero when the value is missing or not 16 bytes.
WindowRect ReadRect(const CRegKey& key, bool& present) {
    std::vector<BYTE> bytes;
    present = key.QueryBinary(kLastPos, bytes) == ERROR_SUCCESS && bytes.size() == kRectBytes;
    if (!present)
        return {};
    return {GetLong(&bytes[0]), GetLong(&bytes[4]), GetLong(&bytes[8]), GetLong(&bytes[12])};
}

LONG WriteRect(CRegKey& key, const WindowRect& rect) {
    BYTE bytes[kRectBytes];
    PutLong(&bytes[0], rect.left);
    PutLong(&bytes[4], rect.top);
    PutLong(&bytes[8], rect.right);
    PutLong(&bytes[12], rect.bottom);
    return key.SetBinary(kLastPos, bytes, kRectBytes);
}

// The program's folder (without a trailing '/') and file name.
void SplitProgramPath(const std::string& programPath, std::string& folder, std::string& name) {
    const std::size_t slash = programPath.find_last_of('/');
    if (slash == std::string::npos) {
        folder.clear();
        name = programPath;
        return;
    }
    folder = programPath.substr(0, slash);
    name = programPath.substr(slash + 1);
}

// The "Find with Zembrolt" verbs for folders and archives that start
// `programPath`, in the registry and as the file managers' own actions.
// FALSE when the folder verb or an action cannot be written.
bool RegisterFindVerbs(const std::string& programPath) {
    if (!RegisterFolderFindVerb(programPath))
        return false;
    if (g_arrArchiveExtensions.empty())
        InitArchiveExtensions();
    RegisterArchiveFindVerbs(programPath, g_arrArchiveExtensions);
    return zb::RegisterFindActions(programPath, g_arrArchiveExtensions) ? TRUE : FALSE;
}

}  // namespace

CSettingsStore::CSettingsStore(CWindowSettings& window, CAdvancedOptions& options,
                               ISettingsWindow& host)
    : m_window(window), m_options(options), m_host(host) {}

BOOL CSettingsStore::LoadSettings() {
    CRegKey key;
    if (OpenProgramKey(key, false) != ERROR_SUCCESS)
        return FALSE;

    DWORD value = 0;
    if (key.QueryDWORD(kVersion, value) != ERROR_SUCCESS)
        return FALSE;
    if (value != kSettingsVersion)
        DebugTrace("Different version");

    if (key.QueryDWORD(kAdvanceOption, value) != ERROR_SUCCESS) {
        m_window.m_bAdvanceOption = FALSE;
        return FALSE;
    }
    m_window.m_bAdvanceOption = static_cast<BOOL>(value);

    if (key.QueryDWORD(kCheckSysDll, value) != ERROR_SUCCESS) {
        m_window.m_bCheckSysDll = TRUE;
        return FALSE;
    }
    m_window.m_bCheckSysDll = static_cast<BOOL>(value);

    // Read whole, however long: a look-in path that does not fit a fixed
    // buffer must not turn every later start into a first run.
    std::string lookIn;
    if (key.QueryString(kFindRootPath, lookIn) != ERROR_SUCCESS)
        return FALSE;

    bool rectStored = false;
    m_window.m_rcLastPos = ReadRect(key, rectStored);
    if (rectStored)
        m_host.PlaceWindow(m_window.m_rcLastPos);

    m_window.m_sFindRootPath = lookIn;
    m_host.ShowLookInPath(lookIn);

    // The stored page values only have to be present: after start the pages
    // always show their defaults.
    if (!m_host.LoadOptionPages(key))
        return FALSE;
    m_host.ResetOptionPages();

    // After start the option sheet is always shown.
    m_window.m_bAdvanceOption = TRUE;

    if (!m_options.Load(key))
        return FALSE;

    key.Close();
    m_host.ShowOptionSheet(m_window.m_bAdvanceOption);
    return TRUE;
}

BOOL CSettingsStore::SaveSettings() {
    CRegKey key;
    if (OpenProgramKey(key, false) != ERROR_SUCCESS)
        return FALSE;
    if (key.SetDWORD(kAdvanceOption, static_cast<DWORD>(m_window.m_bAdvanceOption)) !=
            ERROR_SUCCESS ||
        key.SetDWORD(kVersion, kSettingsVersion) != ERROR_SUCCESS ||
        key.SetDWORD(kCheckSysDll, static_cast<DWORD>(m_window.m_bCheckSysDll)) != ERROR_SUCCESS ||
        key.SetString(kFindRootPath, m_window.m_sFindRootPath) != ERROR_SUCCESS)
        return FALSE;

    WriteRect(key, m_host.GetRectToSave());  // a rectangle that cannot be written is skipped
    m_host.SaveOptionPages(key);
    m_options.Save(key);
    return TRUE;
}

BOOL CSettingsStore::WriteFirstRunSettings(const std::string& programPath) {
    CRegKey key;
    if (OpenProgramKey(key, true) != ERROR_SUCCESS)
        return FALSE;
    if (!SaveSettings())
        return FALSE;

    std::string folder;
    std::string name;
    SplitProgramPath(programPath, folder, name);
    if (key.SetDWORD(kVersion, kSettingsVersion) != ERROR_SUCCESS ||
        key.SetString(kInstallPath, folder) != ERROR_SUCCESS ||
        key.SetString(kAppName, name) != ERROR_SUCCESS || !m_host.SaveOptionPages(key) ||
        !m_options.Save(key))
        return FALSE;
    key.Close();
    return RegisterFindVerbs(programPath);
}

BOOL CSettingsStore::RefreshInstallInformation(const std::string& programPath) {
    std::string folder;
    std::string name;
    SplitProgramPath(programPath, folder, name);
    CRegKey key;
    if (OpenProgramKey(key, false) != ERROR_SUCCESS)
        return FALSE;
    std::string storedFolder;
    std::string storedName;
    if (key.QueryString(kInstallPath, storedFolder) == ERROR_SUCCESS &&
        key.QueryString(kAppName, storedName) == ERROR_SUCCESS && storedFolder == folder &&
        storedName == name)
        return TRUE;
    if (key.SetString(kInstallPath, folder) != ERROR_SUCCESS ||
        key.SetString(kAppName, name) != ERROR_SUCCESS)
        return FALSE;
    key.Close();
    const BOOL verbs = RegisterFindVerbs(programPath);
    return zb::UpdateUtilityLauncher(programPath) && verbs ? TRUE : FALSE;
}
