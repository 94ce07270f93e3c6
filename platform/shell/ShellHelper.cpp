#include "platform/shell/ShellHelper.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/ClipboardFormat.h"
#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellFileInfo.h"
#include "platform/shell/ShellMalloc.h"

UINT GetShellIdListClipboardFormat() {
    static const UINT format = RegisterClipboardFormat("Shell IDList Array");
    return format;
}

UINT GetUrlClipboardFormat() {
    static const UINT format = RegisterClipboardFormat("UniformResourceLocator");
    return format;
}

namespace {
// Both formats exist before the first window does.
[[maybe_unused]] const UINT g_registerFormats =
    GetShellIdListClipboardFormat() + GetUrlClipboardFormat();
}  // namespace

CShellHelper::CShellHelper() {
    SHGetDesktopFolder(&m_pDesktopFolder);
    SHGetMalloc(&m_pMalloc);
}

CShellHelper::~CShellHelper() {
    m_pDesktopFolder.Reset();
    m_pMalloc.Reset();
}

LPCITEMIDLIST CShellHelper::GetNextItemID(LPCITEMIDLIST item) {
    return ILNext(item);
}

UINT CShellHelper::GetPidlSize(LPCITEMIDLIST list) {
    return static_cast<UINT>(ILGetSize(list));
}

LPITEMIDLIST CShellHelper::AllocPidl(UINT bytes) {
    zb::ComPtr<IMalloc> malloc;
    if (FAILED(SHGetMalloc(&malloc)) || !malloc)
        return nullptr;
    void* block = malloc->Alloc(bytes);
    if (!block)
        return nullptr;
    std::memset(block, 0, bytes);
    return static_cast<LPITEMIDLIST>(block);
}

LPITEMIDLIST CShellHelper::ConcatPidls(LPCITEMIDLIST first, LPCITEMIDLIST second) {
    return ILCombine(first, second);
}

LPITEMIDLIST CShellHelper::CopyParentPidl(LPCITEMIDLIST list) {
    if (!list)
        return nullptr;
    const UINT size = GetPidlSize(list);
    if (size < 2)
        return nullptr;
    // A zero-filled block as large as the whole list: everything behind the
    // copied items is already a terminator.
    LPITEMIDLIST copy = AllocPidl(size);
    if (!copy)
        return nullptr;
    LPCITEMIDLIST last = ILFindLast(list);
    if (last) {
        const auto keep = static_cast<std::size_t>(reinterpret_cast<const BYTE*>(last) -
                                                   reinterpret_cast<const BYTE*>(list));
        std::memcpy(copy, list, keep);
    }
    return copy;
}

LPITEMIDLIST CShellHelper::CopyItemID(IMalloc* allocator, LPCITEMIDLIST item) {
    if (!allocator || ILIsEmpty(item))
        return nullptr;
    const WORD cb = ILItemSize(item);
    auto* copy = static_cast<BYTE*>(allocator->Alloc(cb + 2u));
    if (!copy)
        return nullptr;
    std::memcpy(copy, item, cb);
    copy[cb] = 0;
    copy[cb + 1] = 0;
    return reinterpret_cast<LPITEMIDLIST>(copy);
}

LPITEMIDLIST CShellHelper::CopyPidl(IMalloc* allocator, LPCITEMIDLIST list) {
    if (!allocator || !list)
        return nullptr;
    const std::ptrdiff_t size = allocator->GetSize(list);
    if (size <= 0)
        return nullptr;
    void* copy = allocator->Alloc(static_cast<std::size_t>(size));
    if (!copy)
        return nullptr;
    std::memcpy(copy, list, static_cast<std::size_t>(size));
    return static_cast<LPITEMIDLIST>(copy);
}

namespace {

// The name a folder returned, in whichever of the three forms it came.
bool NameFromStrRet(const STRRET& strRet, LPCITEMIDLIST list, std::string* out) {
    switch (strRet.uType) {
        case STRRET_WSTR:
        case STRRET_CSTR:
            *out = strRet.str;
            return true;
        case STRRET_OFFSET: {
            // Bytes inside the item itself, up to a NUL or the item's end.
            const WORD cb = ILItemSize(list);
            if (strRet.uOffset >= cb) {
                out->clear();
                return true;
            }
            const char* begin = reinterpret_cast<const char*>(list) + strRet.uOffset;
            const std::size_t room = cb - strRet.uOffset;
            const void* nul = std::memchr(begin, 0, room);
            out->assign(begin, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin)
                                   : room);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

BOOL CShellHelper::GetItemName(IShellFolder* folder, LPCITEMIDLIST relative, DWORD shgdn,
                               std::string* out) {
    if (!folder || !out)
        return FALSE;
    STRRET strRet;
    if (FAILED(folder->GetDisplayNameOf(relative, shgdn, &strRet)))
        return FALSE;
    return NameFromStrRet(strRet, relative, out) ? TRUE : FALSE;
}

BOOL CShellHelper::GetPidlDisplayName(LPCITEMIDLIST absolute, std::string* out) {
    SHFILEINFO info;
    SHGetFileInfo(absolute, 0, &info, SHGFI_PIDL | SHGFI_DISPLAYNAME);
    if (out)
        *out = info.szDisplayName;
    return TRUE;
}

int CShellHelper::GetIconIndex(const std::string& path, UINT flags) {
    SHFILEINFO info;
    SHGetFileInfo(path, 0, &info, flags);
    return info.iIcon;
}

int CShellHelper::GetIconIndex(LPCITEMIDLIST absolute, UINT flags) {
    SHFILEINFO info;
    SHGetFileInfo(absolute, 0, &info, flags | SHGFI_PIDL);
    return info.iIcon;
}

int CShellHelper::GetIconIndexByAttributes(const std::string& path, DWORD fileAttributes,
                                           UINT flags) {
    SHFILEINFO info;
    SHGetFileInfo(path, fileAttributes, &info, flags);
    return info.iIcon;
}

DWORD CShellHelper::GetDataObjectDropEffects(const std::vector<std::uint8_t>* array) const {
    constexpr DWORD kAll = 7;  // SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK
    if (array == nullptr || array->size() < 8)
        return kAll;
    const std::uint8_t* bytes = array->data();
    const std::size_t size = array->size();
    auto read32 = [bytes](std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at]) |
               static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
               static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
               static_cast<std::uint32_t>(bytes[at + 3]) << 24;
    };
    const std::uint64_t lists = std::uint64_t{read32(0)} + 1;
    if (lists > (size - 8) / 4)
        return kAll;
    // A copy of list `index`, or null when its offset or bytes are bad.
    auto listAt = [&](std::size_t index) -> PidlPtr {
        const std::uint32_t offset = read32(4 + 4 * index);
        if (offset >= size)
            return nullptr;
        const std::size_t listSize = ILValidSize(bytes + offset, size - offset);
        if (listSize == 0)
            return nullptr;
        PidlPtr list(ILAlloc(listSize));
        if (list)
            std::memcpy(list.get(), bytes + offset, listSize);
        return list;
    };
    const PidlPtr parent = listAt(0);
    if (!parent)
        return kAll;
    const zb::ComPtr<IShellFolder> folder = BindToFolder(parent.get());
    if (!folder)
        return kAll;
    DWORD effects = kAll;
    for (std::size_t index = 1; index < lists; ++index) {
        const PidlPtr child = listAt(index);
        if (!child)
            continue;
        LPCITEMIDLIST item = child.get();
        ULONG answer = kAll;
        if (SUCCEEDED(folder->GetAttributesOf(1, &item, &answer)) && (answer & kAll) != 0)
            effects &= answer & kAll;
    }
    return effects;
}

zb::ComPtr<IShellFolder> CShellHelper::BindToFolder(LPCITEMIDLIST absolute) const {
    if (ILIsEmpty(absolute))
        return m_pDesktopFolder;
    if (!m_pDesktopFolder)
        return nullptr;
    zb::ComPtr<IShellFolder> folder;
    if (FAILED(m_pDesktopFolder->BindToObject(absolute, &folder)))
        return nullptr;
    return folder;
}

HRESULT CShellHelper::ParseDisplayName(const std::string& path, LPITEMIDLIST* result,
                                       IShellFolder* folder) {
    if (!result)
        return E_POINTER;
    *result = nullptr;
    zb::ComPtr<IShellFolder> desktop;
    if (!folder) {
        const HRESULT hr = SHGetDesktopFolder(&desktop);
        if (FAILED(hr))
            return hr;
        folder = desktop.Get();
    }
    ULONG eaten = 0;
    return folder->ParseDisplayName(path, &eaten, result, nullptr);
}

HRESULT CShellHelper::GetDisplayName(LPCITEMIDLIST relative, std::string* outText,
                                     IShellFolder* folder, DWORD shgdn) {
    if (!folder)
        folder = m_pDesktopFolder.Get();
    if (!folder)
        return E_FAIL;
    STRRET strRet;
    const HRESULT hr = folder->GetDisplayNameOf(relative, shgdn, &strRet);
    if (FAILED(hr))
        return hr;
    std::string text;
    StrRetToStr(strRet, relative, &text);
    if (outText)
        *outText = std::move(text);
    return hr;
}

HRESULT CShellHelper::StrRetToStr(const STRRET& strRet, LPCITEMIDLIST list, std::string* outText) {
    if (!outText)
        return E_POINTER;
    // An unknown form leaves no text and is not an error.
    if (!NameFromStrRet(strRet, list, outText))
        outText->clear();
    return S_OK;
}

BOOL CShellHelper::InvokeVerb(zb::IFileOperationUi& owner, IShellFolder* folder, UINT count,
                              const LPCITEMIDLIST* items, const std::string& verb) {
    std::vector<std::string> paths;
    for (UINT i = 0; i < count; ++i) {
        std::string path;
        if (!folder || !GetItemName(folder, items[i], SHGDN_FORPARSING, &path) || path.empty() ||
            path.front() != '/') {
            char text[64];
            std::snprintf(text, sizeof text, "GetUIObjectOf failed! hr=%lx",
                          static_cast<unsigned long>(static_cast<DWORD>(E_FAIL)));
            owner.ReportFileOperation(text);
            return FALSE;
        }
        paths.push_back(std::move(path));
    }
    if (verb == "delete")
        zb::DeleteToTrash(paths, owner);
    return TRUE;
}
