#pragma once
// The entry points of the shell namespace: the desktop folder, the path of
// an absolute item list, and (through the headers below) the allocator and
// the list arithmetic.

#include <string>

#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellMalloc.h"

// A new desktop folder (the root of the namespace). Reads the roots from the
// environment anew (ShellRoots.h); every folder bound from it keeps them.
HRESULT SHGetDesktopFolder(zb::ComPtr<IShellFolder>* result);

// The file-system path of an absolute list (from the desktop): the empty
// list is the Desktop folder, Home is $HOME, a volume is its mount point, an
// entry is its folder's path, "/" and its name; an entry of the Trash lies in
// the home trash's "files" folder. FALSE, with `path` emptied, for Computer,
// Network and Trash themselves, for a null or malformed list and for items
// that cannot stand where they stand (a volume outside Computer or Network,
// anything below a file or a link). Uses the latest roots (ShellRoots.h).
BOOL SHGetPathFromIDList(LPCITEMIDLIST absolute, std::string* path);
