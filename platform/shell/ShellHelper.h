#pragma once
// The base through which the windows and the engine talk to the shell
// namespace: the desktop folder and the shell allocator, arithmetic on item
// identifier lists, names and icons. The list arithmetic and the look-ups are
// static and hold no state.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileOperation.h"
#include "platform/shell/ShellTypes.h"

// Clipboard format numbers of the shell's item-list array and of a URL,
// registered once per process.
UINT GetShellIdListClipboardFormat();
UINT GetUrlClipboardFormat();

class CShellHelper {
public:
    CShellHelper();
    virtual ~CShellHelper();
    CShellHelper(const CShellHelper&) = delete;
    CShellHelper& operator=(const CShellHelper&) = delete;

    // Item identifier list arithmetic.
    static LPCITEMIDLIST GetNextItemID(LPCITEMIDLIST item);
    static UINT GetPidlSize(LPCITEMIDLIST list);
    static LPITEMIDLIST AllocPidl(UINT bytes);
    static LPITEMIDLIST ConcatPidls(LPCITEMIDLIST first, LPCITEMIDLIST second);
    static LPITEMIDLIST CopyParentPidl(LPCITEMIDLIST list);
    static LPITEMIDLIST CopyItemID(IMalloc* allocator, LPCITEMIDLIST item);
    static LPITEMIDLIST CopyPidl(IMalloc* allocator, LPCITEMIDLIST list);

    // Names and icons.
    static BOOL GetItemName(IShellFolder* folder, LPCITEMIDLIST relative, DWORD shgdn,
                            std::string* out);
    static BOOL GetPidlDisplayName(LPCITEMIDLIST absolute, std::string* out);
    static int GetIconIndex(const std::string& path, UINT flags);
    static int GetIconIndex(LPCITEMIDLIST absolute, UINT flags);
    static int GetIconIndexByAttributes(const std::string& path, DWORD fileAttributes, UINT flags);

    // Runs the verb `verb` on `count` items of `folder` (lists relative to
    // it), without a menu. "delete" sends the items to the Trash after
    // asking `owner` (DeleteToTrash); the namespace knows no other verb, so
    // any other runs nothing. FALSE, after telling `owner`, when the folder
    // cannot name an item on disk; TRUE otherwise, also when the verb's own
    // work failed (it reported that itself).
    static BOOL InvokeVerb(zb::IFileOperationUi& owner, IShellFolder* folder, UINT count,
                           const LPCITEMIDLIST* items, const std::string& verb);

    // The drop effects (copy 1, move 2, link 4) that every item of a "Shell
    // IDList Array" allows: starting from all three, each item's answer from
    // its folder (GetAttributesOf with the mask 7) is kept where it is not 0.
    // 7 when `array` is null or no well-formed array, or its parent folder
    // cannot be bound. The bytes come from outside: every count and offset
    // is checked against them.
    DWORD GetDataObjectDropEffects(const std::vector<std::uint8_t>* array) const;

    // The folder of an absolute list; the desktop for a null or empty list.
    zb::ComPtr<IShellFolder> BindToFolder(LPCITEMIDLIST absolute) const;

    virtual HRESULT ParseDisplayName(const std::string& path, LPITEMIDLIST* result,
                                     IShellFolder* folder);
    virtual HRESULT GetDisplayName(LPCITEMIDLIST relative, std::string* outText,
                                   IShellFolder* folder, DWORD shgdn);
    virtual HRESULT StrRetToStr(const STRRET& strRet, LPCITEMIDLIST list, std::string* outText);

    // An empty text owned by the helper.
    const char* GetEmptyText() const { return m_szEmptyText; }

    IShellFolder* GetDesktopFolder() const { return m_pDesktopFolder.Get(); }
    IMalloc* GetMalloc() const { return m_pMalloc.Get(); }

private:
    zb::ComPtr<IShellFolder> m_pDesktopFolder;
    zb::ComPtr<IMalloc> m_pMalloc;
    char m_szEmptyText[4] = {};
};
