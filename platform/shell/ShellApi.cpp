#include "platform/shell/ShellApi.h"

#include "platform/shell/DesktopFolder.h"
#include "platform/shell/ShellItem.h"
#include "platform/shell/ShellRoots.h"

HRESULT SHGetDesktopFolder(ComPtr<IShellFolder>* result) {
    if (!result)
        return E_POINTER;
    *result = ComPtr<CDesktopFolder>::Make(RefreshShellRoots());
    return S_OK;
}

namespace {

// Where the walk through an absolute list stands.
enum class Level { Desktop, Volumes, Files };

BOOL PathOf(LPCITEMIDLIST list, std::string* path) {
    if (!list)
        return FALSE;
    const std::shared_ptr<const ShellRoots> roots = CurrentShellRoots();
    Level level = Level::Desktop;
    std::string result = roots->desktopDir;
    bool hasPath = true;
    bool underNonFolder = false;
    LPCITEMIDLIST at = list;
    for (; !ILIsEmpty(at); at = ILNext(at)) {
        ShellItem item;
        if (!DecodeItem(at, &item))
            return FALSE;
        switch (item.kind) {
            case ItemKind::Special:
                if (level != Level::Desktop)
                    return FALSE;
                switch (item.Special()) {
                    case SpecialFolder::Home:
                        result = roots->home;
                        level = Level::Files;
                        break;
                    case SpecialFolder::Computer:
                    case SpecialFolder::Network:
                        hasPath = false;
                        level = Level::Volumes;
                        break;
                    case SpecialFolder::Trash:
                        result = roots->trashFiles;
                        hasPath = false;
                        level = Level::Files;
                        break;
                }
                break;
            case ItemKind::Volume:
                if (level != Level::Volumes)
                    return FALSE;
                result.assign(item.name);
                hasPath = true;
                level = Level::Files;
                break;
            case ItemKind::Entry:
                if (level == Level::Volumes || underNonFolder)
                    return FALSE;
                result = JoinPath(result, item.name);
                hasPath = true;
                level = Level::Files;
                underNonFolder =
                    item.Type() != EntryType::Directory && item.Type() != EntryType::Unknown;
                break;
        }
    }
    if (ILItemSize(at) == 1 || !hasPath)
        return FALSE;
    *path = std::move(result);
    return TRUE;
}

}  // namespace

BOOL SHGetPathFromIDList(LPCITEMIDLIST absolute, std::string* path) {
    if (!path)
        return FALSE;
    if (PathOf(absolute, path))
        return TRUE;
    path->clear();
    return FALSE;
}
