#pragma once
// Type names, icon indices and display names of items: the query the result
// list and the folder tree make for every row and node. The answer comes from
// a provider that the program installs (the window layer uses the desktop's
// MIME database and icon theme); without one, a core default answers.

#include <string>

#include "platform/shell/ShellTypes.h"

// Which parts of SHFILEINFO to fill, and how to read the first argument.
constexpr UINT SHGFI_LARGEICON = 0x000;
constexpr UINT SHGFI_SMALLICON = 0x001;
constexpr UINT SHGFI_OPENICON = 0x002;
constexpr UINT SHGFI_PIDL = 0x008;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x010;
constexpr UINT SHGFI_ICON = 0x100;
constexpr UINT SHGFI_DISPLAYNAME = 0x200;
constexpr UINT SHGFI_TYPENAME = 0x400;
constexpr UINT SHGFI_ATTRIBUTES = 0x800;
constexpr UINT SHGFI_SYSICONINDEX = 0x4000;

struct SHFILEINFO {
    int iIcon = -1;
    DWORD dwAttributes = 0;  // SFGAO bits, with SHGFI_ATTRIBUTES
    std::string szDisplayName;
    std::string szTypeName;
};

namespace zb {

// What a provider is asked about one item.
struct FileTypeQuery {
    std::string name;        // display name; its extension picks the type
    std::string path;        // file-system path, empty when the item has none
    ULONG attributes = 0;    // SFGAO bits of the item (SFGAO_FOLDER, SFGAO_LINK, ...)
    bool isSpecial = false;  // a folder of the namespace without a path (Computer, ...)
    bool openIcon = false;
    bool smallIcon = true;
};

struct FileTypeAnswer {
    int iconIndex = -1;
    std::string typeName;
};

class IFileTypeInfoProvider {
public:
    virtual ~IFileTypeInfoProvider() = default;
    // Called from any thread; implementations guard their own caches.
    virtual FileTypeAnswer Describe(const FileTypeQuery& query) = 0;
};

// The core's default: "File Folder" for folders, "<EXT> File" for files with
// an extension, "File" otherwise; icon 0 file, 1 folder, 2 open folder.
class DefaultFileTypeInfoProvider : public IFileTypeInfoProvider {
public:
    FileTypeAnswer Describe(const FileTypeQuery& query) override;
};

// Installs the process's provider (null restores the default). The provider
// must outlive every query.
void SetFileTypeInfoProvider(IFileTypeInfoProvider* provider);

}  // namespace zb

// Fills `info` for an item named by path (with SHGFI_USEFILEATTRIBUTES the
// path need not exist and `fileAttributes` says whether it is a folder). The
// result is nonzero on success (an image-list token with SHGFI_SYSICONINDEX).
std::uintptr_t SHGetFileInfo(const std::string& path, DWORD fileAttributes, SHFILEINFO* info,
                             UINT flags);
// The same for an absolute item list (SHGFI_PIDL is implied).
std::uintptr_t SHGetFileInfo(LPCITEMIDLIST absolute, DWORD fileAttributes, SHFILEINFO* info,
                             UINT flags);
// The same answer for item `item` of the bound folder `parent` whose path on
// disk `path` is known (the absolute list's path), without binding the folder
// anew from the desktop: for a caller that holds the folder already.
std::uintptr_t SHGetFileInfoOfChild(IShellFolder* parent, LPCITEMIDLIST item,
                                    const std::string& path, SHFILEINFO* info, UINT flags);
