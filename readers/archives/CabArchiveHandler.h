#pragma once
// The reader of cabinet files. Its own parser reads the header, the folder
// and the file tables (the rules of Open, the flags, the traces and the
// listing are ours); member bytes come from libmspack's cabinet decompressor
// (CCabExtractor), which decodes the member block by block as Read asks for
// it. A member closed before its end keeps its decoding paused until the
// next member is read: one later in the same folder goes on from there, any
// other stops it.
//
// The member table keeps the cabinet's order and the walk treats a cabinet
// as flat: the root lists every member, whatever its path. Members continued
// from a previous cabinet are found by name but not listed (they are listed
// where they start). A member that goes on into the next cabinet is read
// through the following cabinets of the set, found beside this one by the
// name the header gives (only its last part counts; the chain is capped and
// never visits a cabinet twice).
//
// OpenEntry refuses a member it cannot produce: one whose folder index lies
// past the folder table, one that starts in a previous cabinet or in a
// folder that did (libmspack serves a set only from its first cabinet), one in a
// folder of another method than stored, MSZIP or LZX (or an LZX window out of
// range), and one whose folder has data blocks that break the format's sizes
// (a stored block must decode to what it holds, at most 32 KiB).

#include <sys/types.h>
#include <cstdint>

#include <memory>
#include <string>
#include <vector>

#include "platform/FileMapping.h"
#include "readers/archives/CabExtractor.h"
#include "readers/archives/TableArchiveHandler.h"

class CCabArchive : public CTableArchiveHandler {
public:
    // Header flags.
    static constexpr std::uint16_t kFlagPrevious = 0x0001;
    static constexpr std::uint16_t kFlagNext = 0x0002;
    static constexpr std::uint16_t kFlagReserve = 0x0004;
    // Folder indexes of members that span cabinets.
    static constexpr std::uint16_t kContinuedFromPrevious = 0xFFFD;
    static constexpr std::uint16_t kContinuedToNext = 0xFFFE;
    static constexpr std::uint16_t kContinuedBoth = 0xFFFF;
    // Cabinets of a set read at most, the first one included.
    static constexpr std::size_t kMaxCabinets = 100;

    CCabArchive();
    ~CCabArchive() override;

    // Extension "cab", block size 0x10000, usable.
    BOOL Init() override;

    BOOL IsEntryOpen(int i) const override;
    // 0 for a bad index, a folder member, a member that cannot be produced
    // (see above), or while a member is open.
    BOOL OpenEntry(int i) override;
    BOOL CloseEntry(int i) override;
    // The bytes placed in the buffer, 0 at the end of the member, -1 on
    // failure (member not open, a cabinet of the set missing or not
    // continuing it, corrupt data): the bytes decoded before a failure are
    // handed out first.
    int Read(int i, void* buffer, int count) override;
    std::int64_t GetBytesRead(int i) const override;

    // A cabinet is flat: no member is a folder of the walk.
    int FindFolder(const std::string& folder) const override;
    int NextChild(int i, const std::string& folder, BOOL subtree) const override;
    BOOL HasSubfolders(const std::string& folder, BOOL* has) const override;

protected:
    bool OpenArchive(const std::string& path) override;
    void CloseArchive() override;
    bool IsHiddenMember(int i) const override;

private:
    struct Folder {
        std::uint64_t firstBlock = 0;  // offset of the first data block
        std::uint16_t blocks = 0;
        std::uint16_t compression = 0;
        int blocksValid = -1;  // -1 not checked yet, else 0 or 1
    };
    struct Record {
        std::string rawName;  // as stored, for libmspack's file list
        std::uint32_t size = 0;
        std::uint32_t folderOffset = 0;
        std::uint16_t folderIndex = 0;
    };
    struct OpenMember {
        int member = -1;
        std::size_t record = 0;
        bool started = false;                           // its decoding was started
        ArchiveFailure failure = ArchiveFailure::None;  // why its decoding ended early
        std::uint64_t delivered = 0;
    };

    // Reads the header and the folder and file tables; false when they are
    // cut short or malformed.
    bool ReadTables(const std::string& path);
    // The folder that holds the record's data; nullptr for an index past the
    // table.
    const Folder* FolderOf(const Record& record) const;
    // Checks the sizes of the folder's data blocks in this cabinet (once).
    bool CheckBlocks(Folder& folder);
    // Starts decoding the open member; false (with the reason in the open
    // member) when it cannot start.
    bool StartDecoding();
    // Why the extractor failed; BadArchive when it names no reason.
    ArchiveFailure ExtractorFailure() const;
    // Joins the cabinets after this one to the set that libmspack decodes,
    // as far as they are found and fit, up to the chain cap; once.
    void JoinFollowingCabinets();

    zb::PositionedReader m_file;
    std::uint64_t m_nFileSize = 0;
    std::uint16_t m_nHeaderFlags = 0;
    std::uint8_t m_nFolderReserve = 0;
    std::uint8_t m_nBlockReserve = 0;
    std::vector<Folder> m_folders;
    std::vector<Record> m_records;
    bool m_bFirstFolderContinued = false;        // a member starts in the previous cabinet
    std::unique_ptr<CCabExtractor> m_extractor;  // created at the first read
    bool m_bJoined = false;
    std::unique_ptr<OpenMember> m_open;
};

std::unique_ptr<CArchiveHandler> CreateCabArchiveHandler();
