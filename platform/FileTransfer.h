#pragma once
// Copying, moving and linking items into a folder, as a drop onto a folder
// does. The rules that keep the user's data safe:
// - nothing is ever replaced: a name already taken in the target folder is
//   refused and reported;
// - links are never followed: a link is copied or moved as a link;
// - a folder is never put into itself or into a folder below it;
// - no mount point is crossed: one met inside a folder is neither copied nor
//   removed, and a mount point itself is never moved;
// - a move renames the item where it stays on its file system; across file
//   systems it copies, and only after the whole copy was written, synced and
//   closed without error removes from the source what it copied and what has
//   not changed since (anything added or changed meanwhile stays, and is
//   reported). A copy that fails removes only the entries it made itself and
//   keeps the source.
// Failures are told through IFileOperationUi in one message at the end.

#include <string>
#include <vector>

#include "platform/FileOperation.h"
#include "platform/TreeCopy.h"

namespace zb {

enum class TransferMode { Copy, Move, Link };

// Puts each of `sources` (absolute paths) into `folder` under its own name.
// Returns the paths made in `folder`, in the order of `sources`.
// `beforeCreate` is called before each entry a copy creates.
std::vector<std::string> TransferItems(const std::vector<std::string>& sources,
                                       const std::string& folder, TransferMode mode,
                                       IFileOperationUi& ui,
                                       const CTreeCopy::BeforeCreate& beforeCreate = {});

// True when the folder `folder` is the item `source` or lies below it
// (`folder` resolved through its links, `source` itself not followed).
bool IsFolderInsideItem(const std::string& folder, const std::string& source);

// True when `path` (not followed when it is a link) lies on the file system
// of the folder `folder`.
bool IsOnSameFileSystem(const std::string& path, const std::string& folder);

}  // namespace zb
