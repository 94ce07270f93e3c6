#include "app/engine/FolderAccess.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/PathUtils.h"
#include "platform/TextCase.h"
#include "platform/shell/MountTable.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellHelper.h"
#include "platform/shell/ShellRoots.h"

namespace {

enum class CacheState { NotLoaded, Loaded, Failed };

struct NetworkCache {
    std::mutex lock;
    std::string prefix;
    std::vector<std::string> resources;
    CacheState state = CacheState::NotLoaded;
};

NetworkCache& Cache() {
    static NetworkCache cache;
    return cache;
}

// The folder can be opened for listing.
bool CanListFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// "\\server\share" of a network mount's source ("//server/share" for SMB,
// "server:/export" for NFS, "user@server:/path" for SSH).
std::string ResourceNameOf(const zb::MountEntry& entry) {
    std::string source = entry.source;
    std::string server;
    std::string share;
    if (source.rfind("//", 0) == 0) {
        const std::size_t slash = source.find('/', 2);
        server = source.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
        share = slash == std::string::npos ? std::string() : source.substr(slash + 1);
    } else if (const std::size_t colon = source.find(':'); colon != std::string::npos) {
        server = source.substr(0, colon);
        if (const std::size_t at = server.rfind('@'); at != std::string::npos)
            server.erase(0, at + 1);
        share = source.substr(colon + 1);
    } else {
        return {};
    }
    while (!share.empty() && share.front() == '/')
        share.erase(0, 1);
    std::replace(share.begin(), share.end(), '/', '\\');
    if (server.empty())
        return {};
    std::string resource = "\\\\";
    resource += LowerCaseUtf8(server);
    if (!share.empty()) {
        resource += '\\';
        resource += LowerCaseUtf8(share);
    }
    return resource;
}

// The mount point of a mounted share "\\server\share", or empty.
std::string MountPointOfShare(const std::string& resource) {
    const std::string lower = LowerCaseUtf8(resource);
    for (const zb::MountEntry& entry : zb::ReadMountInfo(zb::CurrentShellRoots()->mountInfo)) {
        if (zb::ClassifyMount(entry) == zb::MountClass::Network && ResourceNameOf(entry) == lower)
            return entry.mountPoint;
    }
    return {};
}

}  // namespace

void InitShellPrefixes() {
    CShellHelper helper;
    std::string desktopName;
    std::string networkName;
    helper.GetDisplayName(nullptr, &desktopName, helper.GetDesktopFolder(), SHGDN_NORMAL);
    LPITEMIDLIST network = nullptr;
    if (SUCCEEDED(helper.ParseDisplayName("::Network", &network, nullptr))) {
        PidlPtr owned(network);
        CShellHelper::GetPidlDisplayName(owned.get(), &networkName);
    }
    std::lock_guard guard(Cache().lock);
    Cache().prefix = desktopName + "/" + networkName;
}

void LoadNetworkResourceCache() {
    std::vector<std::string> resources;
    for (const zb::MountEntry& entry : zb::ReadMountInfo(zb::CurrentShellRoots()->mountInfo)) {
        if (zb::ClassifyMount(entry) != zb::MountClass::Network)
            continue;
        std::string name = ResourceNameOf(entry);
        if (name.empty())
            continue;
        // The server itself is known too.
        const std::size_t shareStart = name.find('\\', 2);
        if (shareStart != std::string::npos)
            resources.push_back(name.substr(0, shareStart));
        resources.push_back(std::move(name));
    }
    std::sort(resources.begin(), resources.end());
    resources.erase(std::unique(resources.begin(), resources.end()), resources.end());
    std::lock_guard guard(Cache().lock);
    Cache().resources = std::move(resources);
    Cache().state = CacheState::Loaded;
}

BOOL IsKnownNetworkServer(const std::string& name) {
    bool load = false;
    {
        std::lock_guard guard(Cache().lock);
        // Loaded at most once per run; a failed load is not retried.
        load = Cache().state == CacheState::NotLoaded;
        if (load)
            Cache().state = CacheState::Failed;
    }
    if (load)
        LoadNetworkResourceCache();
    std::lock_guard guard(Cache().lock);
    if (Cache().state != CacheState::Loaded)
        return FALSE;
    return std::binary_search(Cache().resources.begin(), Cache().resources.end(),
                              "\\\\" + LowerCaseUtf8(name))
               ? TRUE
               : FALSE;
}

BOOL IsFolderAccessible(LPCITEMIDLIST absolute, ULONG attributes) {
    if (!(attributes & (SFGAO_FILESYSTEM | SFGAO_REMOVABLE)))
        return TRUE;
    if (attributes & SFGAO_NONENUMERATED)
        return FALSE;
    std::string path;
    if (!SHGetPathFromIDList(absolute, &path))
        return TRUE;
    if (attributes & SFGAO_LINK)
        return FALSE;
    if (path.empty())
        return TRUE;
    return CanListFolder(path) ? TRUE : FALSE;
}

BOOL IsNetworkItemAccessible(const CResultItem& record, ULONG /*attributes*/) {
    if (!(record.m_dwFlags & RIF_NO_PATH))
        return TRUE;
    std::string prefix;
    {
        std::lock_guard guard(Cache().lock);
        prefix = Cache().prefix;
    }
    if (prefix.empty() || !record.m_sFolder.view().starts_with(prefix))
        return TRUE;
    if (!record.m_pParentFolder || !record.m_pidl)
        return TRUE;

    ULONG granted = 0xFFFFFFFFu;
    LPCITEMIDLIST item = record.m_pidl.get();
    if (FAILED(record.m_pParentFolder->GetAttributesOf(1, &item, &granted)))
        granted = 0;
    if (!(granted & SFGAO_FILESYSANCESTOR)) {
        if (LowerCaseUtf8(record.m_sName) == "ipc$")
            return FALSE;
        if (granted == 0xA0000144u)
            return FALSE;
    }
    const char* server = GetFileNamePart(record.m_sFolder.c_str());
    if (granted & SFGAO_DROPTARGET) {
        // A share: reachable when it is mounted and can be listed.
        std::string shareName;
        CShellHelper::GetItemName(record.m_pParentFolder.Get(), item, SHGDN_INFOLDER, &shareName);
        const std::string mountPoint =
            MountPointOfShare("\\\\" + std::string(server) + "\\" + shareName);
        return (!mountPoint.empty() && CanListFolder(mountPoint)) ? TRUE : FALSE;
    }
    // A server: entered without a check unless the resource list knows it;
    // a known one must have a share that can be listed.
    if (!IsKnownNetworkServer(record.m_sName.str()))
        return TRUE;
    const std::string serverKey = "\\\\" + LowerCaseUtf8(record.m_sName) + "\\";
    for (const zb::MountEntry& entry : zb::ReadMountInfo(zb::CurrentShellRoots()->mountInfo)) {
        if (zb::ClassifyMount(entry) == zb::MountClass::Network &&
            ResourceNameOf(entry).rfind(serverKey, 0) == 0 && CanListFolder(entry.mountPoint))
            return TRUE;
    }
    return FALSE;
}

BOOL IsShellItemSearchable(const CResultItem& record, ULONG attributes) {
    if (attributes & SFGAO_NONENUMERATED)
        return FALSE;
    if (!IsNetworkItemAccessible(record, attributes))
        return FALSE;
    if ((record.m_dwFlags & RIF_NO_PATH) || !(attributes & SFGAO_LINK))
        return IsFolderAccessible(record.GetFullPidl().get(), attributes);
    return FALSE;
}

void TouchLogicalDrives() {
    for (const zb::MountEntry& entry : zb::ReadMountInfo(zb::CurrentShellRoots()->mountInfo)) {
        if (zb::ClassifyMount(entry) != zb::MountClass::Hidden || entry.mountPoint == "/")
            CanListFolder(entry.mountPoint);
    }
}
