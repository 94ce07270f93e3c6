#pragma once
// The real libzembrolt.so (or a copy of it elsewhere), loaded into the test
// process the way the watcher loads it, with its exports bound.

#include <dlfcn.h>

#include <string>
#include <utility>

#include "platform/HotKeyHook.h"
#include "platform/WinTypes.h"

namespace zbtest {

class ShellExtLibrary {
public:
    explicit ShellExtLibrary(std::string path = kBuiltPath) : m_path(std::move(path)) { Load(); }
    ~ShellExtLibrary() { Unload(); }
    ShellExtLibrary(const ShellExtLibrary&) = delete;
    ShellExtLibrary& operator=(const ShellExtLibrary&) = delete;

    // Loads the library anew, so it reads the registry again; false when the
    // old copy stayed in memory.
    bool Reload() {
        Unload();
        const bool unloaded = dlopen(m_path.c_str(), RTLD_NOW | RTLD_NOLOAD) == nullptr;
        Load();
        return unloaded;
    }

    bool IsLoaded() const { return m_handle != nullptr; }
    // The library as built.
    static const char* Path() { return kBuiltPath; }

    HookGetMsgProcFn HookGetMsgProc = nullptr;
    SetHookHandleFn SetHookHandle = nullptr;
    SetHotKeyFn SetHotKey = nullptr;
    HRESULT (*DllRegisterServer)() = nullptr;
    HRESULT (*DllUnregisterServer)() = nullptr;

private:
    static constexpr const char* kBuiltPath = ZEMBROLT_SHELLEXT_PATH;

    template <typename Function>
    void Bind(Function& function, const char* name) {
        function = reinterpret_cast<Function>(dlsym(m_handle, name));
    }
    void Load() {
        m_handle = dlopen(m_path.c_str(), RTLD_NOW | RTLD_LOCAL);
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

    std::string m_path;
    void* m_handle = nullptr;
};

}  // namespace zbtest
