#pragma once
// What every folder of the namespace shares: the checks of the lists it is
// handed, binding and naming through lists of several items (by binding the
// items in front one after the other), attributes ANDed over several items,
// the one comparison of items, and parsing with attributes. A folder type
// supplies only the steps for its own direct children.

#include <memory>
#include <string>
#include <string_view>

#include "platform/shell/ItemListEnum.h"
#include "platform/shell/ShellRoots.h"

namespace zb {

class CShellFolderBase : public IShellFolder {
public:
    explicit CShellFolderBase(std::shared_ptr<const ShellRoots> roots)
        : m_roots(std::move(roots)) {}

    HRESULT ParseDisplayName(const std::string& name, ULONG* eaten, LPITEMIDLIST* result,
                             ULONG* attributes) final;
    HRESULT EnumObjects(DWORD shcontf, ComPtr<IEnumIDList>* result) final;
    HRESULT BindToObject(LPCITEMIDLIST relative, ComPtr<IShellFolder>* result) final;
    // Every column compares by name: the namespace has only the name column.
    HRESULT CompareIDs(std::intptr_t column, LPCITEMIDLIST a, LPCITEMIDLIST b) final;
    HRESULT GetAttributesOf(UINT count, const LPCITEMIDLIST* items, ULONG* inOut) final;
    // An empty list names the folder itself.
    HRESULT GetDisplayNameOf(LPCITEMIDLIST item, DWORD shgdn, STRRET* name) final;

    // The steps for the folder's own direct children, which every folder
    // type supplies (and the desktop also calls on the folders it holds).

    // The folder of one direct child; E_INVALIDARG for a child that is not
    // a folder (a file, a symbolic link) or not one of this folder's kinds.
    virtual HRESULT BindChild(const ShellItem& item, ComPtr<CShellFolderBase>* child) = 0;
    // The attributes of one direct child among `asked` (the SFGAO_ bits
    // computed only when asked where they cost a system call).
    virtual HRESULT ChildAttributes(const ShellItem& item, ULONG asked, ULONG* attributes) = 0;
    virtual HRESULT ChildName(const ShellItem& item, DWORD shgdn, std::string* name) = 0;
    virtual void OwnName(DWORD shgdn, std::string* name) = 0;
    // Appends the bytes of the items that `name` parses into (relative to
    // this folder) to `items`.
    virtual HRESULT ParseItems(std::string_view name, std::string* items) = 0;
    virtual HRESULT ListItems(DWORD shcontf, CItemListBuilder* items) = 0;

protected:
    const std::shared_ptr<const ShellRoots>& Roots() const { return m_roots; }

private:
    // The attributes of a relative list of one or more items.
    HRESULT AttributesOfList(LPCITEMIDLIST list, ULONG asked, ULONG* attributes);
    // Binds all items of `list` but the last; `last` gets the last item.
    HRESULT BindParentOf(LPCITEMIDLIST list, ComPtr<CShellFolderBase>* parent, ShellItem* last);

    std::shared_ptr<const ShellRoots> m_roots;
};

// The result code for an errno value of a failed file-system call.
HRESULT ResultFromErrno(int error);

}  // namespace zb
