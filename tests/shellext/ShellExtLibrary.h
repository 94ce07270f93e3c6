#pragma once
// The real libzembrolt.so, loaded into the test process the way the watcher
// loads it, with its exports bound.

#include <dlfcn.h>

#include <string>

#include "platform/HotKeyHook.h"
#include "platform/WinTypes.h"

namespace zbtest {

class ShellExtLibrary {
public:
    ShellExtLibrary() { Load(); }
    ~ShellExtLibrary() { Unload(); }
    ShellExtLibrary(const ShellExtLibrary&) = delete;
    ShellExtLibrary& operator=(const ShellExtLibrary&) = delete;

    // Loads the library anew, so it reads the registry again; false when the
    // old copy stayed in memory.
    bool Reload() {
        Unload();
        const bool unloaded = dlopen(kPath, RTLD_NOW | RTLD_NOLOAD) == nullptr;
        Load();
        return unloaded;
    }

    bool IsLoaded() const { return m_handle != nullptr; }
    static const char* Path() { return kPath; }

    HookGetMsgProcFn HookGetMsgProc = nullptr;
    SetHookHandleFn SetHookHandle = nullptr;
    SetHotKeyFn SetHotKey = nullptr;
    HRESULT (*DllRegisterServer)() = nullptr;
    HRESULT (*DllUnregisterServer)() = nullptr;

private:
    static constexpr const char* kPath = ZEMBROLT_SHELLEXT_PATH;

    template <typename Function>
    void Bind(Function& function, const char* name) {
        function = reinterpret_cast<Function>(dlsym(m_handle, name));
    }
    void Load() {
        m_handle = dlopen(kPath, RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr)
            return;
        Bind(HookGetMsgProc, "HookGetMsgProc");
        Bind(SetHookHandle, "SetHookHandle");
        Bind(SetHotKey, "SetHotKey");
        Bind(DllRegisterServer, "DllRegisterServer");
        Bind(DllUnregisterServer, "DllUnregisterServer");
    }
    void Unload() {
        if (m_handle != nullptr)
            dlclose(m_handle);
        m_handle = nullptr;
    }

    void* m_handle = nullptr;
};

}  // namespace zbtest
