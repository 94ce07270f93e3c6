#include "platform/shell/ShellApi.h"

#include "platform/shell/DesktopFolder.h"
#include "platform/shell/ShellItem.h"
#include "platform/shell/ShellRoots.h"

HRESULT SHGetDesktopFolder(zb::ComPtr<IShellFolder>* result) {
    if (!result)
        return E_POINTER;
    *result = zb::ComPtr<zb::CDesktopFolder>::Make(zb::RefreshShellRoots());
    return S_OK;
}

namespace {

// Where the walk through an absolute list stands.
enum class Level { Desktop, Volumes, Files };

bool PathOf(LPCITEMIDLIST list, std::string* path) {
    if (!list)
        return false;
    const std::shared_ptr<const zb::ShellRoots> roots = zb::CurrentShellRoots();
    Level level = Level::Desktop;
    std::string result = roots->desktopDir;
    bool hasPath = true;
    bool underNonFolder = false;
    LPCITEMIDLIST at = list;
    for (; !ILIsEmpty(at); at = ILNext(at)) {
        zb::ShellItem item;
        if (!zb::DecodeItem(at, &item))
            return false;
        switch (item.kind) {
            case zb::ItemKind::Special:
                if (level != Level::Desktop)
                    return false;
                switch (item.Special()) {
                    case zb::SpecialFolder::Home:
                        result = roots->home;
                        level = Level::Files;
                        break;
                    case zb::SpecialFolder::Computer:
                    case zb::SpecialFolder::Network:
                        hasPath = false;
                        level = Level::Volumes;
                        break;
                    case zb::SpecialFolder::Trash:
                        result = roots->trashFiles;
                        hasPath = false;
                        level = Level::Files;
                        break;
                }
                break;
            case zb::ItemKind::Volume:
                if (level != Level::Volumes)
                    return false;
                result.assign(item.name);
                hasPath = true;
                level = Level::Files;
                break;
            case zb::ItemKind::Entry:
                if (level == Level::Volumes || underNonFolder)
                    return false;
                result = zb::JoinPath(result, item.name);
                hasPath = true;
                level = Level::Files;
                underNonFolder = item.Type() != zb::EntryType::Directory &&
                                 item.Type() != zb::EntryType::Unknown;
                break;
        }
    }
    if (ILItemSize(at) == 1 || !hasPath)
        return false;
    *path = std::move(result);
    return true;
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
