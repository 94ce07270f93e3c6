#pragma once
// Copying an item with everything inside it, keeping a record of exactly
// what was copied and what was made. The record is what makes undoing safe:
// a failed copy removes only the entries it made itself (never a folder that
// another program made under the same name first), and a move across file
// systems removes from the source only the entries it copied that have not
// changed since (never a file added to the source during the copy).
//
// The copy never follows links (a link is copied as a link), never replaces
// an entry, never crosses a mount point (one met inside is left out and
// listed), and carries each file's and folder's user.* extended attributes,
// which hold the program's own attribute bits.

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

namespace zb {

// One entry a copy took: the source as it was read, the entry made for it
// (inode 0 when none was made) and, for a folder, the entries copied inside.
struct CopiedEntry {
    std::string name;
    struct stat source {};
    dev_t madeDevice = 0;
    ino_t madeInode = 0;
    std::vector<CopiedEntry> children;
};

class CTreeCopy {
public:
    // Called with the target path just before each entry is created: the
    // gap between the check that a name is free and its creation, where
    // another program may act.
    using BeforeCreate = std::function<void(const std::string& targetPath)>;

    explicit CTreeCopy(BeforeCreate beforeCreate = {}) : m_beforeCreate(std::move(beforeCreate)) {}

    // Copies the entry `name` of the open folder `fromFolder` (whose path is
    // `fromPath`) into the open folder `toFolder` (path `toPath`) under the
    // same name, filling `record`. The copied files are synced and closed
    // without error. False with errno set at the first failure; what was
    // made stays in `record` for RemoveMadeEntries. The entry itself may be
    // a mount point (the user chose it); mount points inside it are left out.
    bool Copy(int fromFolder, const std::string& fromPath, int toFolder, const std::string& toPath,
              const std::string& name, CopiedEntry* record);

    // The source paths of the mount points met inside and left out.
    const std::vector<std::string>& SkippedMountPoints() const { return m_skipped; }

private:
    bool CopyEntry(int fromFolder, const std::string& fromPath, int toFolder,
                   const std::string& toPath, CopiedEntry* record, int depth);
    bool CopyFile(int fromFolder, int toFolder, const std::string& toPath, CopiedEntry* record);
    bool CopyFolder(int fromFolder, const std::string& fromPath, int toFolder,
                    const std::string& toPath, CopiedEntry* record, int depth);
    void AboutToCreate(const std::string& targetPath) const;

    BeforeCreate m_beforeCreate;
    std::vector<std::string> m_skipped;
};

// Removes from the open folder `toFolder` what a copy made, as `record`
// lists it: an entry only while it is still the one made, a folder only when
// it is empty afterwards. Whatever else stands there stays.
void RemoveMadeEntries(int toFolder, const CopiedEntry& record);

// Removes from the open folder `fromFolder` (path `fromPath`) the source
// entries a copy took, as `record` lists them: each only while it is the
// entry copied and, unless it is a folder, unchanged since (same size,
// modification and change times); a folder only when it is empty afterwards.
// Appends a line for each entry that stays to `kept`. True when the whole
// item is gone.
bool RemoveCopiedSources(int fromFolder, const std::string& fromPath, const CopiedEntry& record,
                         std::vector<std::string>* kept);

}  // namespace zb
