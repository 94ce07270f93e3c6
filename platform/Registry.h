#pragma once
// The registry: keys under three predefined roots holding named values, with
// the call shapes the program, the shell-extension library and the hot-key
// watcher are written against. All three processes share one store, a text
// file in the REGEDIT4 export format at $XDG_CONFIG_HOME/zembrolt/registry.reg
// (see RegistryStore.h); HKEY_LOCAL_MACHINE is per user.
//
// Key and value names compare case-insensitively (ASCII) and keep the case
// they were created with. Subkey paths use "\" as separator. A value named ""
// is the key's default value. Handles name a key by its path, so a handle
// stays valid when another process rewrites the store; once its key has been
// deleted, calls on it fail with ERROR_KEY_DELETED. Every call is thread-safe.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

// An open key. Never dereferenced: the value identifies an entry of the
// handle table, or one of the predefined roots below.
struct HKEY__;
using HKEY = HKEY__*;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000u});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001u});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002u});

// Value types.
constexpr DWORD REG_SZ = 1;      // text; stored without, returned with a terminating NUL
constexpr DWORD REG_BINARY = 3;  // bytes
constexpr DWORD REG_DWORD = 4;   // a 32-bit number, 4 bytes little-endian

// Result codes.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;  // no such key or value
constexpr LONG ERROR_ACCESS_DENIED = 5;   // the store could not be read or saved
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_DATA = 13;  // a value of another type than asked for
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_KEY_DELETED = 1018;  // the handle's key was deleted

// Creates the key `subKey` below `key` together with every missing parent, or
// opens it when it exists, and returns a new handle in `*result`. An empty
// `subKey` opens a new handle to `key` itself.
LONG RegCreateKeyEx(HKEY key, const std::string& subKey, HKEY* result);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it (or a parent) is missing.
LONG RegOpenKeyEx(HKEY key, const std::string& subKey, HKEY* result);
// Releases a handle from RegCreateKeyEx/RegOpenKeyEx; closing a root is a no-op.
LONG RegCloseKey(HKEY key);

// Reads a value. `type`, `data` and `size` may each be null, except that
// `data` needs `size`. With `data` null, `*size` receives the bytes needed;
// when `*size` is too small for the value, `*size` receives the bytes needed
// and the result is ERROR_MORE_DATA. REG_SZ comes back with its terminating
// NUL, whether or not the writer counted one.
LONG RegQueryValueEx(HKEY key, const std::string& name, DWORD* type, BYTE* data, DWORD* size);
// Writes a value, replacing any value of that name. REG_SZ text ends at the
// first NUL within `size` bytes (or at `size`); REG_DWORD needs exactly 4
// bytes. Names must not hold NUL, CR or LF.
LONG RegSetValueEx(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValue(HKEY key, const std::string& name);
// Deletes `subKey` with all its subkeys and values. With an empty `subKey`
// the key itself stays and loses all its subkeys and values (refused on a
// root with ERROR_ACCESS_DENIED).
LONG RegDeleteTree(HKEY key, const std::string& subKey);

// The name of the subkey at `index`, subkeys ordered by case-insensitive
// name; ERROR_NO_MORE_ITEMS past the last one.
LONG RegEnumKeyEx(HKEY key, DWORD index, std::string* name);
// The value at `index` in the order the values were created (REG_SZ data with
// its terminating NUL); ERROR_NO_MORE_ITEMS past the last one. Any of the
// out-parameters may be null.
LONG RegEnumValue(HKEY key, DWORD index, std::string* name, DWORD* type, std::vector<BYTE>* data);

// An owned key handle with typed value access; closes on destruction.
class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(CRegKey&& other) noexcept;
    CRegKey& operator=(CRegKey&& other) noexcept;
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Both close the key held before.
    LONG Create(HKEY parent, const std::string& subKey);
    LONG Open(HKEY parent, const std::string& subKey);
    LONG Close();

    HKEY Handle() const { return m_key; }
    bool IsOpen() const { return m_key != nullptr; }

    // ERROR_INVALID_DATA when the value has another type; `value` is then unchanged.
    LONG QueryDWORD(const std::string& name, DWORD& value) const;
    LONG QueryString(const std::string& name, std::string& value) const;
    LONG QueryBinary(const std::string& name, std::vector<BYTE>& value) const;

    LONG SetDWORD(const std::string& name, DWORD value);
    LONG SetString(const std::string& name, const std::string& value);
    LONG SetBinary(const std::string& name, const void* data, DWORD size);

private:
    LONG QueryTyped(const std::string& name, DWORD wantType, std::vector<BYTE>& bytes) const;

    HKEY m_key = nullptr;
};
