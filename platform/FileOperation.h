#pragma once
// The shell's file operations on found items: deleting to the Trash, deleting
// for good, and renaming an item within its folder. Whoever starts an
// operation answers its questions and shows its messages through
// IFileOperationUi; the texts are the shell's own.
//
// Nothing is ever deleted for good unless the user answers a second question
// for exactly those items, and a rename never replaces an existing item.

#include <string>
#include <string_view>
#include <vector>

namespace zb {

class IFileOperationUi {
public:
    virtual ~IFileOperationUi() = default;
    // A Yes/No question; true for Yes. No is the answer when nothing is chosen.
    virtual bool AskFileOperation(const std::string& text) = 0;
    // Tells why something could not be done.
    virtual void ReportFileOperation(const std::string& text) = 0;
};

// Asks once whether `paths` go to the Trash, moves each there, and for the
// items no trash can take, and those already in a trash, asks (a second
// time) whether they are deleted for good; an item deleted from a trash
// loses its record there too. An item inside another selected folder goes
// with that folder. Everything that could not be done is reported in one
// message at the end. Returns the paths that are gone.
std::vector<std::string> DeleteToTrash(const std::vector<std::string>& paths, IFileOperationUi& ui);

// The failures of one operation as one message: the first ten one a line,
// then "... and N" followed by `more` for the rest.
std::string FailureReport(const std::vector<std::string>& failures, const std::string& more);

struct DeleteOutcome {
    bool removed = false;  // the item is gone
    int error = 0;         // errno of the failure that stopped the delete
    // Mount points met (the item itself, or inside a folder) and left alone
    // with everything on them; the folders holding them stay too.
    std::vector<std::string> mountPoints;
};

// Deletes the file, link or folder at `path` for good, a folder with
// everything in it. Links are removed, never followed, and no mount point
// is crossed. The delete stops at the first failure (what was removed
// before it stays removed).
DeleteOutcome DeletePermanently(const std::string& path);

enum class RenameResult { Renamed, InvalidName, Exists, Failed };

// True when `name` may name an item of a folder: not empty, ".", "..", no
// "/" or NUL, at most 255 bytes.
bool IsValidItemName(std::string_view name);

// Renames the item `oldName` of `folder` to `newName` without replacing
// anything; on Failed, `error` holds errno.
RenameResult RenameItem(const std::string& folder, const std::string& oldName,
                        const std::string& newName, int* error);

// The shell's message for a rename that did not succeed.
std::string RenameFailureText(RenameResult result, const std::string& oldName,
                              const std::string& newName, int error);

}  // namespace zb
