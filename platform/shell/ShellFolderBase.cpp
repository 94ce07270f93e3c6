#include "platform/shell/ShellFolderBase.h"

#include <cerrno>
#include <cstring>

namespace zb {

HRESULT ResultFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return E_FILE_NOT_FOUND;
        case ENOTDIR:
            return E_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
            return E_ACCESSDENIED;
        case ENOMEM:
            return E_OUTOFMEMORY;
        case ELOOP:
        case ENAMETOOLONG:
            return E_INVALIDARG;
        default:
            return E_FAIL;
    }
}

HRESULT CShellFolderBase::BindParentOf(LPCITEMIDLIST list, ComPtr<CShellFolderBase>* parent,
                                       ShellItem* last) {
    ComPtr<CShellFolderBase> folder(this);
    LPCITEMIDLIST item = list;
    ShellItem decoded;
    if (!DecodeItem(item, &decoded))
        return E_INVALIDARG;
    for (;;) {
        LPCITEMIDLIST next = ILNext(item);
        if (ILIsEmpty(next)) {
            if (ILItemSize(next) == 1)
                return E_INVALIDARG;  // a malformed item, not the end
            *parent = std::move(folder);
            *last = decoded;
            return S_OK;
        }
        ComPtr<CShellFolderBase> child;
        const HRESULT hr = folder->BindChild(decoded, &child);
        if (FAILED(hr))
            return hr;
        folder = std::move(child);
        item = next;
        if (!DecodeItem(item, &decoded))
            return E_INVALIDARG;
    }
}

HRESULT CShellFolderBase::AttributesOfList(LPCITEMIDLIST list, ULONG asked, ULONG* attributes) {
    // A child of this folder, the common case, binds nothing.
    ShellItem item;
    if (DecodeItem(list, &item) && ILItemSize(ILNext(list)) == 0)
        return ChildAttributes(item, asked, attributes);
    ComPtr<CShellFolderBase> parent;
    ShellItem last;
    const HRESULT hr = BindParentOf(list, &parent, &last);
    if (FAILED(hr))
        return hr;
    return parent->ChildAttributes(last, asked, attributes);
}

HRESULT CShellFolderBase::ParseDisplayName(const std::string& name, ULONG* eaten,
                                           LPITEMIDLIST* result, ULONG* attributes) {
    if (eaten)
        *eaten = 0;
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (name.empty())
        return E_INVALIDARG;
    std::string items;
    HRESULT hr = ParseItems(name, &items);
    if (FAILED(hr))
        return hr;
    if (items.empty() || items.size() + sizeof(WORD) > kMaxIdListBytes)
        return E_INVALIDARG;
    PidlPtr list(ILAlloc(items.size() + sizeof(WORD)));
    if (!list)
        return E_OUTOFMEMORY;
    std::memcpy(list.get(), items.data(), items.size());
    if (attributes) {
        ULONG found = 0;
        hr = AttributesOfList(list.get(), *attributes, &found);
        if (FAILED(hr))
            return hr;
        *attributes &= found & ~SFGAO_VALIDATE;
    }
    if (eaten)
        *eaten = static_cast<ULONG>(name.size());
    *result = list.release();
    return S_OK;
}

HRESULT CShellFolderBase::EnumObjects(DWORD shcontf, ComPtr<IEnumIDList>* result) {
    if (!result)
        return E_POINTER;
    result->Reset();
    CItemListBuilder items;
    const HRESULT hr = ListItems(shcontf, &items);
    if (FAILED(hr))
        return hr;
    *result = ComPtr<CIdListEnum>::Make(std::move(items));
    return S_OK;
}

HRESULT CShellFolderBase::BindToObject(LPCITEMIDLIST relative, ComPtr<IShellFolder>* result) {
    if (!result)
        return E_POINTER;
    result->Reset();
    if (ILIsEmpty(relative))
        return E_INVALIDARG;
    ComPtr<CShellFolderBase> parent;
    ShellItem last;
    HRESULT hr = BindParentOf(relative, &parent, &last);
    if (FAILED(hr))
        return hr;
    ComPtr<CShellFolderBase> child;
    hr = parent->BindChild(last, &child);
    if (FAILED(hr))
        return hr;
    *result = std::move(child);
    return S_OK;
}

HRESULT CShellFolderBase::CompareIDs(std::intptr_t, LPCITEMIDLIST a, LPCITEMIDLIST b) {
    if (!a || !b)
        return E_INVALIDARG;
    for (;;) {
        if (ILItemSize(a) == 1 || ILItemSize(b) == 1)
            return E_INVALIDARG;
        const bool endA = ILIsEmpty(a);
        const bool endB = ILIsEmpty(b);
        if (endA || endB)
            return ResultFromShort(endA == endB ? 0 : (endA ? -1 : 1));
        ShellItem itemA;
        ShellItem itemB;
        if (!DecodeItem(a, &itemA) || !DecodeItem(b, &itemB))
            return E_INVALIDARG;
        const int order = CompareShellItems(itemA, itemB);
        if (order != 0)
            return ResultFromShort(order < 0 ? -1 : 1);
        a = ILNext(a);
        b = ILNext(b);
    }
}

HRESULT CShellFolderBase::GetAttributesOf(UINT count, const LPCITEMIDLIST* items, ULONG* inOut) {
    if (!inOut)
        return E_POINTER;
    if (count == 0 || !items)
        return E_INVALIDARG;
    const ULONG asked = *inOut;
    ULONG common = ~0u;
    for (UINT i = 0; i < count; ++i) {
        ULONG found = 0;
        const HRESULT hr = AttributesOfList(items[i], asked, &found);
        if (FAILED(hr))
            return hr;
        common &= found;
    }
    *inOut = common & asked & ~SFGAO_VALIDATE;
    return S_OK;
}

HRESULT CShellFolderBase::GetDisplayNameOf(LPCITEMIDLIST item, DWORD shgdn, STRRET* name) {
    if (!name)
        return E_POINTER;
    name->uType = STRRET_CSTR;
    name->uOffset = 0;
    name->str.clear();
    if (ILItemSize(item) == 1)
        return E_INVALIDARG;
    if (ILIsEmpty(item)) {
        OwnName(shgdn, &name->str);
        return S_OK;
    }
    ShellItem child;
    if (DecodeItem(item, &child) && ILItemSize(ILNext(item)) == 0)
        return ChildName(child, shgdn, &name->str);
    ComPtr<CShellFolderBase> parent;
    ShellItem last;
    const HRESULT hr = BindParentOf(item, &parent, &last);
    if (FAILED(hr))
        return hr;
    return parent->ChildName(last, shgdn, &name->str);
}

}  // namespace zb
