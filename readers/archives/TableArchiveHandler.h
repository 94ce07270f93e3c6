#pragma once
// The shared part of every reader that keeps a table of members: opening and
// closing around the reader's own parsing, name lookup that ignores case, the
// folder walk (FindFolder, NextChild, HasSubfolders), FirstFile/NextFile and
// the member queries. A reader derived from it only parses its format into
// the table and decodes member contents.
//
// What a reader does:
// - OpenArchive(path): open the file and fill the table with AddMember, one
//   call per member, keeping in CArchiveMember::m_nRecord the index of its
//   own record for the member (decoding state, data offset, ...). Then, if
//   the format may lack folder entries, AddMissingFolders(); then
//   SortMembers() to order the table by name (folder members directly
//   followed by everything below them), or IndexMembers() to keep the
//   archive's order and only build the name lookup. Return 0 on any failure;
//   Open then closes the handler.
// - CloseArchive(): release the file and decoding state (the table is
//   emptied by Close itself).
// - Init, IsEntryOpen, OpenEntry, CloseEntry, Read, GetBytesRead.
// - Its destructor calls Close(), since the base cannot reach the reader's
//   CloseArchive once the reader part is destroyed.
// - IsListedFile when FirstFile/NextFile must skip more than folders, and
//   IsHiddenMember for members that no listing or walk reports (a member's
//   continuation in a later volume of a set), though lookups find them.
// - Every failure through SetFailure (ArchiveHandler.h): OpenEntry's refusals
//   (BadMember, Encrypted, UnsupportedMethod) and Read's (BadArchive for
//   damaged data, BadMember for a member that is not open). A failed
//   OpenArchive that set no reason is reported as BadArchive.
//
// Names go through NormaliseMemberName, so two spellings of one path (with
// "/" or "\", with "./" steps) are one member, and lookups by the names the
// table reports always find their member.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/FileMapping.h"
#include "readers/archives/ArchiveHandler.h"

// One member in the table.
struct CArchiveMember {
    static constexpr std::size_t NO_RECORD = std::numeric_limits<std::size_t>::max();

    std::string m_strName;              // inner path with "\" separators; a folder's ends with "\"
    std::string m_strKey;               // m_strName lower-cased: what lookups and the walk compare
    std::int64_t m_nSize = -1;          // uncompressed size; -1 when unknown
    FILETIME m_ftTime;                  // local time
    DWORD m_dwAttributes = 0;           // FILE_ATTRIBUTE_DIRECTORY set for a folder
    std::size_t m_nRecord = NO_RECORD;  // the reader's own record; NO_RECORD for an added folder

    bool IsFolder() const { return (m_dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// A member name as a table keeps it: "/" turned into "\", cut at its first
// NUL byte (no file name holds one), and every "." step dropped, so that
// "./a/./b" is "a\b" and "./" is nothing at all. Other steps (empty ones,
// "..", a leading separator) stay as stored: building paths on disk from
// them is the extraction's task.
std::string NormaliseMemberName(std::string name);

class CTableArchiveHandler : public CArchiveHandler {
public:
    BOOL Open(const std::string& path) override;
    void Close() override;
    BOOL IsOpen() const override { return m_bOpen ? TRUE : FALSE; }

    int FirstFile() const override;
    int NextFile(int i) const override;
    int FindEntry(const std::string& query) const override;
    std::int64_t GetEntrySize(int i) const override;
    // The member's own record index: the order in which the reader recorded
    // the members, which is their order in the archive.
    std::int64_t GetReadOrder(int i) const override;

    int FindFolder(const std::string& folder) const override;
    int NextChild(int i, const std::string& folder, BOOL subtree) const override;
    BOOL HasSubfolders(const std::string& folder, BOOL* has) const override;
    BOOL GetAttributes(int i, DWORD* attributes) const override;
    BOOL GetFileInfo(int i, CArchiveEntryInfo* info) const override;
    BOOL GetName(int i, std::string* name) const override;

    int GetMemberCount() const { return static_cast<int>(m_members.size()); }
    // The member at index i; nullptr for a bad index.
    const CArchiveMember* GetMember(int i) const;

protected:
    // Opens the archive and fills the table (see the file comment); 1 or 0.
    virtual bool OpenArchive(const std::string& path) = 0;
    // Releases what OpenArchive acquired besides the table.
    virtual void CloseArchive() = 0;
    // Whether FirstFile/NextFile report member i; by default every member
    // that is neither a folder nor hidden.
    virtual bool IsListedFile(int i) const;
    // Whether member i is left out of FirstFile/NextFile and the folder walk;
    // by default none is.
    virtual bool IsHiddenMember(int /*i*/) const { return false; }

    // Opens the archive file at `path` into `file` and stores its size in
    // `size`; false, with the failure set, when it cannot be opened.
    bool OpenArchiveFile(zb::PositionedReader& file, const std::string& path, std::uint64_t* size);
    // Appends a member under its normalised name; a name ending in "\"
    // marks a folder and a folder's name gets its trailing "\". False (and
    // nothing added) when nothing is left of the name.
    bool AddMember(std::string name, std::int64_t size, const FILETIME& time, DWORD attributes,
                   std::size_t record);
    // Sets the size of member i, once the reader has learnt it.
    void SetMemberSize(int i, std::int64_t size);
    // Adds a folder member (size 0, no record) for every parent folder of a
    // member that the table lacks; call before SortMembers.
    void AddMissingFolders();
    // Orders the table by lower-cased name (ties by the stored bytes, then by
    // archive order) and builds the name lookup.
    void SortMembers();
    // Keeps the table in archive order and builds the name lookup.
    void IndexMembers();

private:
    void BuildLookup();
    // Position in m_lookup of the first member whose key is `key`, or
    // m_lookup.size() when none (or while the lookup is incomplete).
    std::size_t LookupPosition(const std::string& key) const;
    const std::string& Key(int i) const { return m_members[static_cast<std::size_t>(i)].m_strKey; }

    bool m_bOpen = false;
    std::vector<CArchiveMember> m_members;
    std::vector<int> m_lookup;  // member indices ordered by key
};
