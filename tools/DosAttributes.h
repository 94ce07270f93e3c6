#pragma once
// Writing the four attributes the tools change on a file on disk, the way the
// platform reads them (platform/FileInfo.h):
// - read-only is the owner's write permission: setting it clears every write
//   bit, clearing it adds the write bits the umask allows (as "chmod +w"
//   does). Regular files only: a folder without write permission could take
//   no new files, and a link or special file has no permissions of its own,
//   so those keep theirs. user.DOSATTRIB needs write permission to change,
//   so it is written before the write bits go and after they come back.
// - hidden is the name in the folder's ".hidden" list and the hidden bit of
//   user.DOSATTRIB; it never renames. A name that starts with "." stays
//   hidden, so clearing hidden on it fails.
// - system and archive are bits of user.DOSATTRIB: its text part ("0x20") is
//   rewritten, bits other than hidden, system and archive stay, and a binary
//   tail behind the text's NUL is kept byte for byte.
// A file system without extended attributes fails the system and archive
// change with a reason that says so; hidden then rests on ".hidden" alone.

#include <map>
#include <set>
#include <string>

#include "platform/WinTypes.h"

// The bits Change Attributes sets and clears.
constexpr DWORD kChangeableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                        FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

// Edits of the ".hidden" lists of folders, collected and written once per
// folder (a temporary file, synced and renamed over the list).
class CHiddenListWriter {
public:
    // `name` of `folder` shall be listed (or not).
    void Request(const std::string& folder, const std::string& name, bool listed);
    // Writes the list of `folder` when it changes; false with the reason (and
    // the names whose change is lost in `names`) when it cannot be written.
    bool Flush(const std::string& folder, std::string* reason, std::set<std::string>* names);
    // The folders with edits not yet written.
    std::set<std::string> PendingFolders() const;

private:
    // Per folder: name -> listed.
    std::map<std::string, std::map<std::string, bool>> m_pending;
};

// Sets the hidden, system and archive bits of user.DOSATTRIB on `path` to
// those of `bits`; false with the reason when it cannot be written or holds
// text this program does not understand (it is then left alone).
bool WriteDosAttribBits(const std::string& path, DWORD bits, std::string* reason);

// Changes the attributes of the file at `path` (a symbolic link itself, never
// its target) from `oldAttributes` to `newAttributes` (only the bits of
// kChangeableAttributes count). Hidden-list edits go to `hidden`, for the
// caller to flush. False with the reason when any part failed (the parts that
// could be done are done).
bool ChangeDosAttributes(const std::string& path, DWORD oldAttributes, DWORD newAttributes,
                         CHiddenListWriter& hidden, std::string* reason);
