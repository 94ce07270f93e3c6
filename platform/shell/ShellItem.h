#pragma once
// The bytes of the namespace's own items. Every item is
//     [cb u16][kind u8][detail u8][name bytes]
// where cb counts all of it. The name bytes are the item's identity:
// - kind Special: detail = which special folder of the desktop; no name.
// - kind Volume: detail = volume flags; name = the mount point's absolute
//   path (a volume under Computer or a mount under Network).
// - kind Entry: detail = the entry's type as the directory listing reported
//   it; name = the file name's raw bytes (any bytes but '/' and NUL, not "."
//   or "..").
// The detail byte lets attributes be answered without a system call where it
// is enough (folder, link, stream); names never change meaning with it.

#include <string>
#include <string_view>

#include "platform/shell/ItemIdList.h"

namespace zb {

enum class ItemKind : BYTE { Special = 1, Volume = 2, Entry = 3 };

enum class SpecialFolder : BYTE { Home = 1, Computer = 2, Network = 3, Trash = 4 };

enum class EntryType : BYTE { Unknown = 0, File = 1, Directory = 2, Symlink = 3, Other = 4 };

// Volume flags.
constexpr BYTE kVolumeRemovable = 0x01;
constexpr BYTE kVolumeReadOnly = 0x02;
constexpr BYTE kVolumeNetwork = 0x04;

// Bytes in front of the name.
constexpr std::size_t kItemHeaderBytes = 4;

// One decoded item; `name` points into the item's bytes.
struct ShellItem {
    ItemKind kind = ItemKind::Entry;
    BYTE detail = 0;
    std::string_view name;

    SpecialFolder Special() const { return static_cast<SpecialFolder>(detail); }
    EntryType Type() const { return static_cast<EntryType>(detail); }
};

// Decodes the first item of `list`. False for an empty list and for any
// item that is not well formed by the rules above.
bool DecodeItem(LPCITEMIDLIST list, ShellItem* item);

// Appends the bytes of one item (count included, no terminator) to `out`.
// False when the name does not fit into an item.
bool AppendItemBytes(std::string& out, ItemKind kind, BYTE detail, std::string_view name);

// A new one-item list; null when the name does not fit or allocation fails.
LPITEMIDLIST MakeItemList(ItemKind kind, BYTE detail, std::string_view name);

// The entry type of a directory entry's d_type, or of a stat mode.
EntryType EntryTypeFromDirent(unsigned char dType);
EntryType EntryTypeFromMode(unsigned mode);

// True when `name` may name an entry of a directory.
bool IsValidEntryName(std::string_view name);

// The name a volume shows: "File System" for "/", else the mount point's
// last part.
std::string_view VolumeDisplayName(std::string_view mountPoint);

// The namespace's one order of items: special folders first (Home, Computer,
// Network, Trash), then volumes ("/" first, then by shown name, ties by
// path), then entries by name (case-insensitive, ties by bytes). Folders are
// not put before files.
int CompareShellItems(const ShellItem& a, const ShellItem& b);

}  // namespace zb
