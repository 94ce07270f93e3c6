#pragma once
// The root of the namespace. Its items, in this order: Home (the user's home
// folder), Computer, Network and Trash, then the entries of the Desktop
// folder on disk (the XDG desktop folder; none when it is missing).
//
// Names: the special items show "Home", "Computer", "Network" and "Trash";
// their parsing names are "::Home", "::Computer", "::Network" and "::Trash",
// which ParseDisplayName takes back (optionally followed by "/" and a name
// inside that folder: "::Trash/a.txt", "::Computer/media/usb"). The desktop
// itself shows "Desktop"; its parsing name is the Desktop folder's path.
// Parsing an absolute path goes through Computer (see VolumeListFolder.h);
// any other name is parsed inside the Desktop folder.
//
// Home is a file-system folder with a path; Computer, Network and Trash have
// none (Trash's items do: they are the entries of the home trash's "files"
// folder).

#include "platform/shell/FileSystemFolder.h"

namespace zb {

class CDesktopFolder final : public CShellFolderBase {
public:
    explicit CDesktopFolder(std::shared_ptr<const ShellRoots> roots);

    HRESULT BindChild(const ShellItem& item, ComPtr<CShellFolderBase>* child) override;
    HRESULT ChildAttributes(const ShellItem& item, ULONG asked, ULONG* attributes) override;
    HRESULT ChildName(const ShellItem& item, DWORD shgdn, std::string* name) override;
    void OwnName(DWORD shgdn, std::string* name) override;
    HRESULT ParseItems(std::string_view name, std::string* items) override;
    HRESULT ListItems(DWORD shcontf, CItemListBuilder* items) override;

private:
    ComPtr<CShellFolderBase> SpecialFolder(zb::SpecialFolder which) const;

    ComPtr<CFileSystemFolder> m_files;  // the Desktop folder on disk
};

}  // namespace zb
