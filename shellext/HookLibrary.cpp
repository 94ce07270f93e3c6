// The hot-key half of the library: this process's hot-key letter and hook
// handle, the hook procedure, and the start of the main program that the hook
// and the Find launcher share.

#include "shellext/HookLibrary.h"

#include "platform/Log.h"
#include "platform/ProgramKey.h"
#include "platform/Spawn.h"
#include "shellext/Exports.h"
#include "shellext/ProgramLocation.h"

namespace {

// This process's copy: the letter ('F' until the registry says otherwise; 0
// is off) and the watcher's hook.
BYTE g_cHotKey = 'F';
HHOOK g_hHook = nullptr;

// Traces the library's load and unload, and reads the letter at load.
struct CLibraryLifetime {
    CLibraryLifetime() {
        DebugTrace("DLL_PROCESS_ATTACH");
        LoadHotKeySetting();
    }
    ~CLibraryLifetime() { DebugTrace("DLL_PROCESS_DETACH"); }
    CLibraryLifetime(const CLibraryLifetime&) = delete;
    CLibraryLifetime& operator=(const CLibraryLifetime&) = delete;
};
const CLibraryLifetime g_lifetime;

}  // namespace

BOOL LoadHotKeySetting() {
    CRegKey software;
    if (software.Open(HKEY_LOCAL_MACHINE, kProgramKeyParent) != ERROR_SUCCESS)
        return FALSE;
    CRegKey program;
    if (program.Open(software.Handle(), kProgramKeyName) != ERROR_SUCCESS) {
        g_cHotKey = 'F';
        return FALSE;
    }
    // Four bytes, whatever the value's type; the letter is the low byte.
    BYTE value[4] = {};
    DWORD size = sizeof value;
    g_cHotKey = RegQueryValueEx(program.Handle(), "Hot Key", nullptr, value, &size) == ERROR_SUCCESS
                    ? value[0]
                    : BYTE{'F'};
    return TRUE;
}

void LaunchMainProgram() {
    zb::SpawnDetached({MainProgramPath()});
}

HHOOK SetHookHandle(HHOOK hook) {
    g_hHook = hook;
    return g_hHook;
}

int SetHotKey(int letter) {
    g_cHotKey = static_cast<BYTE>(letter & 0xFF);
    return g_cHotKey;
}

LRESULT HookGetMsgProc(int code, WPARAM, LPARAM message) {
    MSG* msg = reinterpret_cast<MSG*>(message);
    if (code == HC_ACTION && g_cHotKey != 0 && msg != nullptr &&
        (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN ||
         msg->message == WM_HOTKEY)) {
        const bool windowsKeyDown =
            GetKeyState(*msg, VK_LWIN) < 0 || GetKeyState(*msg, VK_RWIN) < 0;
        // Holding the keys sends repeated key-downs; only the first one starts
        // the program, or every repeat would start another copy.
        const bool repeated = msg->message != WM_HOTKEY && (msg->lParam & KF_REPEAT_BIT) != 0;
        if (windowsKeyDown && GetKeyState(*msg, g_cHotKey) < 0 && !repeated) {
            // The focused application gets a Windows-key press instead of the
            // letter. (On X the watcher's grab keeps the letter from it.)
            msg->message = WM_KEYDOWN;
            msg->wParam = VK_LWIN;
            LaunchMainProgram();
            return 0;
        }
    }
    // No other hook follows the watcher's grab on X: the message passes on.
    return 0;
}
