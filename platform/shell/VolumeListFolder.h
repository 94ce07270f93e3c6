#pragma once
// The two folders of volumes under the desktop:
// - Computer: the root file system "/" (shown as "File System") and every
//   local volume mounted now (MountTable's Local class), read afresh from
//   the mountinfo file at each listing;
// - Network: the network file systems mounted now (MountTable's Network
//   class) and the GVfs mounts, the entries of $XDG_RUNTIME_DIR/gvfs.
// Each item is a Volume item naming its mount point; it is a file-system
// folder with that path. Neither folder has a path of its own.
//
// Parsing takes an absolute path: it is made canonical (realpath of the
// part before the last component, which must exist; the last component is
// kept as it is, so a link stays a link), then the volume with the longest
// mount-point prefix takes it ("/" when no other does, under Computer) and
// each remaining component becomes one entry item.

#include <string>
#include <vector>

#include "platform/shell/ShellFolderBase.h"

namespace zb {

class CVolumeListFolder final : public CShellFolderBase {
public:
    enum class Which { Computer, Network };

    CVolumeListFolder(std::shared_ptr<const ShellRoots> roots, Which which)
        : CShellFolderBase(std::move(roots)), m_which(which) {}

    struct Volume {
        std::string path;
        BYTE flags = 0;  // kVolume* bits
    };
    // The volumes mounted now, in listing order.
    std::vector<Volume> Volumes() const;

    HRESULT BindChild(const ShellItem& item, ComPtr<CShellFolderBase>* child) override;
    HRESULT ChildAttributes(const ShellItem& item, ULONG asked, ULONG* attributes) override;
    HRESULT ChildName(const ShellItem& item, DWORD shgdn, std::string* name) override;
    void OwnName(DWORD shgdn, std::string* name) override;
    HRESULT ParseItems(std::string_view name, std::string* items) override;
    HRESULT ListItems(DWORD shcontf, CItemListBuilder* items) override;

private:
    Which m_which;
};

// The canonical form of an absolute path whose last component must exist
// (it is not resolved itself). E_PATH_NOT_FOUND when a folder on the way is
// missing, E_FILE_NOT_FOUND when the last component is.
HRESULT CanonicalPath(std::string_view path, std::string* canonical);

}  // namespace zb
