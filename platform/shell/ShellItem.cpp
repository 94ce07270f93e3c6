#include "platform/shell/ShellItem.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/shell/NameOrder.h"

namespace zb {

namespace {

constexpr std::size_t kMaxNameBytes = std::numeric_limits<WORD>::max() - kItemHeaderBytes;

bool IsValidVolumePath(std::string_view path) {
    return !path.empty() && path.front() == '/' && path.find('\0') == std::string_view::npos;
}

}  // namespace

bool IsValidEntryName(std::string_view name) {
    // One pass over the bytes: every item of a walk is decoded several times.
    return !name.empty() && name != "." && name != ".." &&
           std::none_of(name.begin(), name.end(), [](char c) { return c == '/' || c == '\0'; });
}

bool DecodeItem(LPCITEMIDLIST list, ShellItem* item) {
    const WORD cb = ILItemSize(list);
    if (cb < kItemHeaderBytes)
        return false;
    const auto* bytes = reinterpret_cast<const BYTE*>(list);
    ShellItem out;
    out.kind = static_cast<ItemKind>(bytes[2]);
    out.detail = bytes[3];
    out.name = std::string_view(reinterpret_cast<const char*>(bytes + kItemHeaderBytes),
                                cb - kItemHeaderBytes);
    switch (out.kind) {
        case ItemKind::Special:
            if (!out.name.empty() || out.detail < static_cast<BYTE>(SpecialFolder::Home) ||
                out.detail > static_cast<BYTE>(SpecialFolder::Trash)) {
                return false;
            }
            break;
        case ItemKind::Volume:
            if (!IsValidVolumePath(out.name))
                return false;
            break;
        case ItemKind::Entry:
            if (out.detail > static_cast<BYTE>(EntryType::Other) || !IsValidEntryName(out.name)) {
                return false;
            }
            break;
        default:
            return false;
    }
    *item = out;
    return true;
}

bool AppendItemBytes(std::string& out, ItemKind kind, BYTE detail, std::string_view name) {
    if (name.size() > kMaxNameBytes)
        return false;
    const WORD cb = static_cast<WORD>(kItemHeaderBytes + name.size());
    char header[kItemHeaderBytes];
    std::memcpy(header, &cb, sizeof cb);
    header[2] = static_cast<char>(kind);
    header[3] = static_cast<char>(detail);
    out.append(header, kItemHeaderBytes);
    out.append(name);
    return true;
}

LPITEMIDLIST MakeItemList(ItemKind kind, BYTE detail, std::string_view name) {
    if (name.size() > kMaxNameBytes)
        return nullptr;
    LPITEMIDLIST list = ILAlloc(kItemHeaderBytes + name.size() + sizeof(WORD));
    if (!list)
        return nullptr;
    auto* bytes = reinterpret_cast<BYTE*>(list);
    const WORD cb = static_cast<WORD>(kItemHeaderBytes + name.size());
    std::memcpy(bytes, &cb, sizeof cb);
    bytes[2] = static_cast<BYTE>(kind);
    bytes[3] = detail;
    if (!name.empty())
        std::memcpy(bytes + kItemHeaderBytes, name.data(), name.size());
    return list;
}

EntryType EntryTypeFromDirent(unsigned char dType) {
    switch (dType) {
        case DT_REG:
            return EntryType::File;
        case DT_DIR:
            return EntryType::Directory;
        case DT_LNK:
            return EntryType::Symlink;
        case DT_UNKNOWN:
            return EntryType::Unknown;
        default:
            return EntryType::Other;
    }
}

EntryType EntryTypeFromMode(unsigned mode) {
    if (S_ISREG(mode))
        return EntryType::File;
    if (S_ISDIR(mode))
        return EntryType::Directory;
    if (S_ISLNK(mode))
        return EntryType::Symlink;
    return EntryType::Other;
}

std::string_view VolumeDisplayName(std::string_view mountPoint) {
    if (mountPoint == "/")
        return "File System";
    while (mountPoint.size() > 1 && mountPoint.back() == '/')
        mountPoint.remove_suffix(1);
    return mountPoint.substr(mountPoint.rfind('/') + 1);
}

int CompareShellItems(const ShellItem& a, const ShellItem& b) {
    if (a.kind != b.kind)
        return a.kind < b.kind ? -1 : 1;
    switch (a.kind) {
        case ItemKind::Special:
            return a.detail == b.detail ? 0 : (a.detail < b.detail ? -1 : 1);
        case ItemKind::Volume: {
            if ((a.name == "/") != (b.name == "/"))
                return a.name == "/" ? -1 : 1;
            const int byName =
                CompareItemNames(VolumeDisplayName(a.name), VolumeDisplayName(b.name));
            if (byName != 0)
                return byName;
            return CompareItemNames(a.name, b.name);
        }
        case ItemKind::Entry:
            break;
    }
    return CompareItemNames(a.name, b.name);
}

}  // namespace zb
