#include "platform/shell/ShellFileInfo.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>

#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellApi.h"

namespace {

std::atomic<zb::IFileTypeInfoProvider*> g_provider{nullptr};

zb::IFileTypeInfoProvider& Provider() {
    static zb::DefaultFileTypeInfoProvider fallback;
    zb::IFileTypeInfoProvider* p = g_provider.load(std::memory_order_acquire);
    return p ? *p : fallback;
}

std::uintptr_t Answer(const zb::FileTypeQuery& query, SHFILEINFO* info, UINT flags) {
    if (flags & (SHGFI_TYPENAME | SHGFI_SYSICONINDEX | SHGFI_ICON)) {
        const zb::FileTypeAnswer answer = Provider().Describe(query);
        if (flags & SHGFI_TYPENAME)
            info->szTypeName = answer.typeName;
        if (flags & (SHGFI_SYSICONINDEX | SHGFI_ICON))
            info->iIcon = answer.iconIndex;
    }
    if (flags & SHGFI_DISPLAYNAME)
        info->szDisplayName = query.name;
    if (flags & SHGFI_ATTRIBUTES)
        info->dwAttributes = query.attributes;
    return 1;
}

std::string LastPathPart(const std::string& path) {
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const std::size_t slash = path.rfind('/', end - 1);
    if (slash == std::string::npos || end <= 1)
        return path.substr(0, end);
    return path.substr(slash + 1, end - slash - 1);
}

// The answer for `item` of `parent`, at `path` on disk (null: none).
std::uintptr_t DescribeChild(IShellFolder* parent, LPCITEMIDLIST item, const std::string* path,
                             zb::FileTypeQuery& query, SHFILEINFO* info, UINT flags) {
    // The hidden test reads an extended attribute: only asked when the
    // caller wants the attributes (icons and type names never look at it).
    ULONG attributes = SFGAO_FOLDER | SFGAO_LINK | SFGAO_FILESYSTEM |
                       ((flags & SHGFI_ATTRIBUTES) ? SFGAO_HIDDEN : 0);
    if (FAILED(parent->GetAttributesOf(1, &item, &attributes)))
        attributes = 0;
    query.attributes = attributes;
    STRRET name;
    if (SUCCEEDED(parent->GetDisplayNameOf(item, SHGDN_NORMAL, &name)) &&
        name.uType != STRRET_OFFSET) {
        query.name = name.str;
    }
    if (path) {
        query.path = *path;
    } else {
        query.path.clear();
        query.isSpecial = true;
    }
    return Answer(query, info, flags);
}

}  // namespace

zb::FileTypeAnswer zb::DefaultFileTypeInfoProvider::Describe(const zb::FileTypeQuery& query) {
    zb::FileTypeAnswer answer;
    if (query.attributes & SFGAO_FOLDER) {
        answer.iconIndex = query.openIcon ? 2 : 1;
        answer.typeName = "File Folder";
        return answer;
    }
    answer.iconIndex = 0;
    const std::size_t dot = query.name.rfind('.');
    if (dot == std::string::npos || dot + 1 == query.name.size()) {
        answer.typeName = "File";
        return answer;
    }
    std::string ext = query.name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    answer.typeName = ext + " File";
    return answer;
}

void zb::SetFileTypeInfoProvider(zb::IFileTypeInfoProvider* provider) {
    g_provider.store(provider, std::memory_order_release);
}

std::uintptr_t SHGetFileInfo(const std::string& path, DWORD fileAttributes, SHFILEINFO* info,
                             UINT flags) {
    if (!info)
        return 0;
    zb::FileTypeQuery query;
    query.name = LastPathPart(path);
    query.openIcon = (flags & SHGFI_OPENICON) != 0;
    query.smallIcon = (flags & SHGFI_SMALLICON) != 0;
    if (flags & SHGFI_USEFILEATTRIBUTES) {
        if (fileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            query.attributes |= SFGAO_FOLDER;
    } else {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0)
            return 0;
        query.path = path;
        query.attributes |= SFGAO_FILESYSTEM;
        if (S_ISLNK(st.st_mode))
            query.attributes |= SFGAO_LINK;
        if (S_ISDIR(st.st_mode))
            query.attributes |= SFGAO_FOLDER;
    }
    return Answer(query, info, flags);
}

std::uintptr_t SHGetFileInfo(LPCITEMIDLIST absolute, DWORD /*fileAttributes*/, SHFILEINFO* info,
                             UINT flags) {
    if (!info || !absolute)
        return 0;
    zb::ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop)))
        return 0;

    zb::FileTypeQuery query;
    query.openIcon = (flags & SHGFI_OPENICON) != 0;
    query.smallIcon = (flags & SHGFI_SMALLICON) != 0;
    if (ILIsEmpty(absolute)) {
        // The desktop itself.
        query.attributes = SFGAO_FOLDER;
        query.name = "Desktop";
        SHGetPathFromIDList(absolute, &query.path);
        return Answer(query, info, flags);
    }

    zb::ComPtr<IShellFolder> parent = desktop;
    PidlPtr parentList(ILCloneParent(absolute));
    if (!parentList)
        return 0;
    if (!ILIsEmpty(parentList.get())) {
        zb::ComPtr<IShellFolder> bound;
        if (FAILED(desktop->BindToObject(parentList.get(), &bound)) || !bound)
            return 0;
        parent = bound;
    }
    std::string path;
    const bool onDisk = SHGetPathFromIDList(absolute, &path);
    return DescribeChild(parent.Get(), ILFindLast(absolute), onDisk ? &path : nullptr, query, info,
                         flags);
}

std::uintptr_t SHGetFileInfoOfChild(IShellFolder* parent, LPCITEMIDLIST item,
                                    const std::string& path, SHFILEINFO* info, UINT flags) {
    if (!info || !parent || !item)
        return 0;
    zb::FileTypeQuery query;
    query.openIcon = (flags & SHGFI_OPENICON) != 0;
    query.smallIcon = (flags & SHGFI_SMALLICON) != 0;
    return DescribeChild(parent, item, &path, query, info, flags);
}
