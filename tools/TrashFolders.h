#pragma once
// The user's freedesktop Trash folders, which stand in for the recycle bins:
// the home trash ($XDG_DATA_HOME/Trash) and, at the top of every local
// volume, ".Trash-$uid" and ".Trash/$uid". Each holds "files" (the trashed
// items) and "info" (their .trashinfo records).

#include <string>
#include <vector>

// The trash folders that exist, home trash first, then the volumes' in the
// mount table's order; each once.
std::vector<std::string> FindTrashFolders();
