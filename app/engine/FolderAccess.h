#pragma once
// Whether the walk may enter a folder at all, so that a search does not stall
// on folders that cannot be listed: non-enumerated folders, links, unreachable
// network shares and servers.

#include <string>

#include "app/engine/ResultItem.h"

// Sets the network prefix: the desktop's display name, a separator and the
// Network folder's display name. Called once at start-up.
void InitShellPrefixes();

// 1 when the walk may enter the item.
BOOL IsShellItemSearchable(const CResultItem& record, ULONG attributes);
// The file-system part: the folder can be listed.
BOOL IsFolderAccessible(LPCITEMIDLIST absolute, ULONG attributes);
// The network part: shares and servers without a path are reachable.
BOOL IsNetworkItemAccessible(const CResultItem& record, ULONG attributes);

// Fills the cache of the network's disk resources (the sources of the mounted
// network file systems, as "\\server\share", lower-cased and sorted).
void LoadNetworkResourceCache();
// 1 when "\\" followed by the lower-cased name is a known server.
BOOL IsKnownNetworkServer(const std::string& name);

// Opens and closes every mounted volume's top folder, so that sleeping drives
// and automounts are awake before a walk of the namespace above them.
void TouchLogicalDrives();
