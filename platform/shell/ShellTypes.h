#pragma once
// The shell namespace's vocabulary: item identifier lists in their byte layout,
// the attribute, enumeration and display-name flags, the name-return record,
// the allocator and the folder interface. Our own declarations.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/RefCounted.h"
#include "platform/WinTypes.h"

// An item identifier: a 16-bit byte count that includes the count itself,
// then the item's bytes. A list is a run of items ended by a 16-bit zero.
#pragma pack(push, 1)
struct SHITEMID {
    WORD cb;
    BYTE abID[1];
};
struct ITEMIDLIST {
    SHITEMID mkid;
};
#pragma pack(pop)

using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

// Item attributes (GetAttributesOf).
constexpr ULONG SFGAO_CANCOPY = 0x00000001;
constexpr ULONG SFGAO_CANMOVE = 0x00000002;
constexpr ULONG SFGAO_CANLINK = 0x00000004;
constexpr ULONG SFGAO_STORAGE = 0x00000008;
constexpr ULONG SFGAO_CANRENAME = 0x00000010;
constexpr ULONG SFGAO_CANDELETE = 0x00000020;
constexpr ULONG SFGAO_HASPROPSHEET = 0x00000040;
constexpr ULONG SFGAO_DROPTARGET = 0x00000100;
constexpr ULONG SFGAO_CAPABILITYMASK = 0x00000177;
constexpr ULONG SFGAO_GHOSTED = 0x00008000;
constexpr ULONG SFGAO_LINK = 0x00010000;
constexpr ULONG SFGAO_SHARE = 0x00020000;
constexpr ULONG SFGAO_READONLY = 0x00040000;
constexpr ULONG SFGAO_HIDDEN = 0x00080000;
constexpr ULONG SFGAO_NONENUMERATED = 0x00100000;
constexpr ULONG SFGAO_NEWCONTENT = 0x00200000;
constexpr ULONG SFGAO_STREAM = 0x00400000;
constexpr ULONG SFGAO_STORAGEANCESTOR = 0x00800000;
constexpr ULONG SFGAO_VALIDATE = 0x01000000;
constexpr ULONG SFGAO_REMOVABLE = 0x02000000;
constexpr ULONG SFGAO_COMPRESSED = 0x04000000;
constexpr ULONG SFGAO_BROWSABLE = 0x08000000;
constexpr ULONG SFGAO_FILESYSANCESTOR = 0x10000000;
constexpr ULONG SFGAO_FOLDER = 0x20000000;
constexpr ULONG SFGAO_FILESYSTEM = 0x40000000;
constexpr ULONG SFGAO_HASSUBFOLDER = 0x80000000;

// Enumeration flags (EnumObjects).
constexpr DWORD SHCONTF_FOLDERS = 0x0020;
constexpr DWORD SHCONTF_NONFOLDERS = 0x0040;
constexpr DWORD SHCONTF_INCLUDEHIDDEN = 0x0080;
constexpr DWORD SHCONTF_INIT_ON_FIRST_NEXT = 0x0100;
constexpr DWORD SHCONTF_NETPRINTERSRCH = 0x0200;
constexpr DWORD SHCONTF_SHAREABLE = 0x0400;
constexpr DWORD SHCONTF_STORAGE = 0x0800;

// Display-name flags (GetDisplayNameOf).
constexpr DWORD SHGDN_NORMAL = 0x0000;
constexpr DWORD SHGDN_INFOLDER = 0x0001;
constexpr DWORD SHGDN_FOREDITING = 0x1000;
constexpr DWORD SHGDN_FORADDRESSBAR = 0x4000;
constexpr DWORD SHGDN_FORPARSING = 0x8000;

// The three forms in which a folder returns a name.
constexpr UINT STRRET_WSTR = 0;    // an owned string (UTF-8 here)
constexpr UINT STRRET_OFFSET = 1;  // bytes at an offset inside the item itself
constexpr UINT STRRET_CSTR = 2;    // an inline string
struct STRRET {
    UINT uType = STRRET_CSTR;
    UINT uOffset = 0;
    std::string str;  // for STRRET_WSTR and STRRET_CSTR; file names are bytes
};

// The shell allocator: blocks that know their size.
class IMalloc : public zb::RefCounted {
public:
    virtual void* Alloc(std::size_t bytes) = 0;
    virtual void* Realloc(void* block, std::size_t bytes) = 0;
    virtual void Free(void* block) = 0;
    // Size of a block from this allocator; -1 for null.
    virtual std::ptrdiff_t GetSize(const void* block) = 0;
};

class IEnumIDList : public zb::RefCounted {
public:
    // Hands out up to `count` new relative item lists (allocated with the
    // shell allocator; the caller frees them). S_OK when `count` came back,
    // S_FALSE when fewer did (the end).
    virtual HRESULT Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
};

class IShellFolder : public zb::RefCounted {
public:
    // Parses a name relative to this folder into a new relative item list.
    // `attributes`, when given, is an in/out SFGAO mask as for GetAttributesOf.
    virtual HRESULT ParseDisplayName(const std::string& name, ULONG* eaten, LPITEMIDLIST* result,
                                     ULONG* attributes) = 0;
    virtual HRESULT EnumObjects(DWORD shcontf, zb::ComPtr<IEnumIDList>* result) = 0;
    // Binds to a sub-folder named by a relative list (one or more items).
    virtual HRESULT BindToObject(LPCITEMIDLIST relative, zb::ComPtr<IShellFolder>* result) = 0;
    // Negative, 0 or positive in the HRESULT's low 16 bits, as the shell does;
    // use ShortFromResult() to read it.
    virtual HRESULT CompareIDs(std::intptr_t column, LPCITEMIDLIST a, LPCITEMIDLIST b) = 0;
    // In: the attributes asked for; out: those that all items have.
    virtual HRESULT GetAttributesOf(UINT count, const LPCITEMIDLIST* items, ULONG* inOut) = 0;
    virtual HRESULT GetDisplayNameOf(LPCITEMIDLIST item, DWORD shgdn, STRRET* name) = 0;
};

inline short ShortFromResult(HRESULT hr) {
    return static_cast<short>(hr & 0xFFFF);
}
inline HRESULT ResultFromShort(int v) {
    return static_cast<HRESULT>(static_cast<WORD>(v));
}
