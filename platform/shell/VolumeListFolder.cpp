#include "platform/shell/VolumeListFolder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/PosixFile.h"
#include "platform/shell/FileSystemFolder.h"
#include "platform/shell/MountTable.h"

namespace zb {

namespace {

// Adds a volume, or updates the flags of one already listed at that point
// (a later mount over the same point hides the earlier one).
void AddVolume(std::vector<CVolumeListFolder::Volume>& volumes, std::string path, BYTE flags) {
    for (auto& volume : volumes) {
        if (volume.path == path) {
            volume.flags = flags;
            return;
        }
    }
    volumes.push_back({std::move(path), flags});
}

BYTE FlagsOf(const MountEntry& entry) {
    BYTE flags = 0;
    if (entry.readOnly)
        flags |= kVolumeReadOnly;
    if (IsRemovableMountPoint(entry.mountPoint))
        flags |= kVolumeRemovable;
    return flags;
}

}  // namespace

HRESULT CanonicalPath(std::string_view path, std::string* canonical) {
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string_view::npos) {
        return E_INVALIDARG;
    }
    const std::string trimmed = TrimTrailingSlashes(std::string(path));
    if (trimmed == "/") {
        canonical->assign(1, '/');
        return S_OK;
    }
    const std::size_t slash = trimmed.rfind('/');
    std::string dir = slash == 0 ? std::string("/") : trimmed.substr(0, slash);
    std::string last = trimmed.substr(slash + 1);
    if (last == "." || last == "..") {
        dir = trimmed;
        last.clear();
    }
    char* real = realpath(dir.c_str(), nullptr);
    if (!real) {
        const int error = errno;
        return (error == ENOENT || error == ENOTDIR) ? E_PATH_NOT_FOUND : ResultFromErrno(error);
    }
    std::string resolved(real);
    std::free(real);
    if (!last.empty()) {
        resolved = JoinPath(resolved, last);
        struct stat st;
        if (lstat(resolved.c_str(), &st) != 0) {
            const int error = errno;
            return error == ENOENT ? E_FILE_NOT_FOUND : ResultFromErrno(error);
        }
    }
    *canonical = std::move(resolved);
    return S_OK;
}

std::vector<CVolumeListFolder::Volume> CVolumeListFolder::Volumes() const {
    std::vector<Volume> volumes;
    const std::vector<MountEntry> mounts = ReadMountInfo(Roots()->mountInfo);
    if (m_which == Which::Computer) {
        BYTE rootFlags = 0;
        for (const auto& entry : mounts) {
            if (entry.mountPoint == "/")
                rootFlags = FlagsOf(entry);
        }
        volumes.push_back({"/", rootFlags});
        for (const auto& entry : mounts) {
            if (ClassifyMount(entry) == MountClass::Local) {
                AddVolume(volumes, entry.mountPoint, FlagsOf(entry));
            }
        }
        return volumes;
    }
    for (const auto& entry : mounts) {
        if (ClassifyMount(entry) == MountClass::Network) {
            AddVolume(volumes, entry.mountPoint, FlagsOf(entry) | kVolumeNetwork);
        }
    }
    if (!Roots()->runtimeDir.empty()) {
        const std::string gvfs = JoinPath(Roots()->runtimeDir, "gvfs");
        std::vector<zb::FolderEntry> entries;
        zb::ListFolderEntries(gvfs, &entries);
        for (const zb::FolderEntry& entry : entries) {
            const EntryType type = EntryTypeFromDirent(entry.type);
            if (type == EntryType::Directory || type == EntryType::Unknown)
                AddVolume(volumes, JoinPath(gvfs, entry.name), kVolumeNetwork);
        }
    }
    return volumes;
}

HRESULT CVolumeListFolder::ListItems(DWORD shcontf, CItemListBuilder* items) {
    if (!(shcontf & SHCONTF_FOLDERS))
        return S_OK;
    const std::size_t first = items->Count();
    for (const auto& volume : Volumes())
        items->Add(ItemKind::Volume, volume.flags, volume.path);
    items->SortFrom(first);
    return S_OK;
}

HRESULT CVolumeListFolder::BindChild(const ShellItem& item, ComPtr<CShellFolderBase>* child) {
    if (item.kind != ItemKind::Volume)
        return E_INVALIDARG;
    FolderPlace place;
    place.dir = std::string(item.name);
    place.name = std::string(VolumeDisplayName(item.name));
    place.parsingName = place.dir;
    *child = ComPtr<CFileSystemFolder>::Make(Roots(), std::move(place));
    return S_OK;
}

HRESULT CVolumeListFolder::ChildAttributes(const ShellItem& item, ULONG asked, ULONG* attributes) {
    if (item.kind != ItemKind::Volume)
        return E_INVALIDARG;
    const std::string path(item.name);
    if (asked & SFGAO_VALIDATE) {
        struct stat st;
        if (stat(path.c_str(), &st) != 0)
            return ResultFromErrno(errno);
        if (!S_ISDIR(st.st_mode))
            return E_PATH_NOT_FOUND;
    }
    ULONG found =
        SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_CANCOPY | SFGAO_CANLINK;
    if (item.detail & kVolumeRemovable)
        found |= SFGAO_REMOVABLE;
    if (item.detail & kVolumeReadOnly)
        found |= SFGAO_READONLY;
    if ((asked & SFGAO_HASSUBFOLDER) && DirectoryHasSubfolder(path, false)) {
        found |= SFGAO_HASSUBFOLDER;
    }
    *attributes = found;
    return S_OK;
}

HRESULT CVolumeListFolder::ChildName(const ShellItem& item, DWORD shgdn, std::string* name) {
    if (item.kind != ItemKind::Volume)
        return E_INVALIDARG;
    if (shgdn & SHGDN_FORPARSING) {
        name->assign(item.name);
    } else {
        name->assign(VolumeDisplayName(item.name));
    }
    return S_OK;
}

void CVolumeListFolder::OwnName(DWORD shgdn, std::string* name) {
    const bool computer = m_which == Which::Computer;
    if (shgdn & SHGDN_FORPARSING) {
        *name = computer ? "::Computer" : "::Network";
    } else {
        *name = computer ? "Computer" : "Network";
    }
}

HRESULT CVolumeListFolder::ParseItems(std::string_view name, std::string* items) {
    std::string path;
    HRESULT hr = CanonicalPath(name, &path);
    if (FAILED(hr))
        return hr;
    const Volume* best = nullptr;
    const std::vector<Volume> volumes = Volumes();
    for (const auto& volume : volumes) {
        if (PathHasPrefix(path, volume.path) && (!best || volume.path.size() > best->path.size())) {
            best = &volume;
        }
    }
    if (!best)
        return E_FILE_NOT_FOUND;
    if (!AppendItemBytes(*items, ItemKind::Volume, best->flags, best->path))
        return E_INVALIDARG;
    std::string_view rest =
        std::string_view(path).substr(best->path == "/" ? 1 : best->path.size());
    while (!rest.empty() && rest.front() == '/')
        rest.remove_prefix(1);
    if (rest.empty())
        return S_OK;
    FolderPlace place;
    place.dir = best->path;
    return ComPtr<CFileSystemFolder>::Make(Roots(), std::move(place))->ParseItems(rest, items);
}

}  // namespace zb
