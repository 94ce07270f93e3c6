#pragma once
// A small archive reader over archives held in memory, built on the table
// base the real readers use. Archives are registered by path; opening a path
// that is not registered fails. It counts opens and the sizes of the reads it
// is asked for, and records which members were opened, so tests can see what
// the framework does with it.

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "readers/archives/TableArchiveHandler.h"

namespace zbtest {

struct MemoryMember {
    std::string name;  // "\" or "/" separators; a folder ends with a separator
    std::string contents;
    bool sizeKnown = true;
    ArchiveFailure refusal = ArchiveFailure::None;  // OpenEntry fails with it when set
};

class MemoryArchive : public CTableArchiveHandler {
public:
    // The archives every MemoryArchive can open, by path.
    static std::map<std::string, std::vector<MemoryMember>>& Archives() {
        static std::map<std::string, std::vector<MemoryMember>> archives;
        return archives;
    }

    explicit MemoryArchive(std::vector<std::string> extensions, int blockSize = 0x10000,
                           bool keepArchiveOrder = false, bool addFolders = true)
        : m_initExtensions(std::move(extensions)),
          m_initBlockSize(blockSize),
          m_keepArchiveOrder(keepArchiveOrder),
          m_addFolders(addFolders) {}
    ~MemoryArchive() override { Close(); }

    BOOL Init() override {
        m_arrExtensions = m_initExtensions;
        m_nBlockSize = m_initBlockSize;
        m_nFlags = ARCHIVE_FLAG_USABLE;
        return TRUE;
    }

    BOOL IsEntryOpen(int i) const override { return IsOpen() && i >= 0 && i == m_openEntry; }
    BOOL OpenEntry(int i) override {
        const CArchiveMember* member = GetMember(i);
        if (member == nullptr || member->IsFolder() || m_openEntry != -1) {
            SetFailure(ArchiveFailure::BadMember);
            return FALSE;
        }
        if (m_records[member->m_nRecord].refusal != ArchiveFailure::None) {
            SetFailure(m_records[member->m_nRecord].refusal);
            return FALSE;
        }
        m_openEntry = i;
        m_position = 0;
        openedRecords.push_back(member->m_nRecord);
        return TRUE;
    }
    BOOL CloseEntry(int i) override {
        if (i == m_openEntry) {
            m_openEntry = -1;
        }
        return TRUE;
    }
    int Read(int i, void* buffer, int count) override {
        if (!IsEntryOpen(i) || count < 0) {
            return -1;
        }
        ++readCalls;
        largestRead = std::max(largestRead, count);
        const std::string& data = m_records[GetMember(i)->m_nRecord].contents;
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(count), data.size() - m_position);
        std::memcpy(buffer, data.data() + m_position, n);
        m_position += n;
        return static_cast<int>(n);
    }
    std::int64_t GetBytesRead(int i) const override {
        return IsEntryOpen(i) ? static_cast<std::int64_t>(m_position) : -1;
    }

    int openCalls = 0;
    std::vector<std::size_t> openedRecords;  // the members opened, by archive position
    int readCalls = 0;
    int largestRead = 0;

protected:
    bool OpenArchive(const std::string& path) override {
        ++openCalls;
        const auto it = Archives().find(path);
        if (it == Archives().end()) {
            return false;
        }
        m_records = it->second;
        for (std::size_t r = 0; r < m_records.size(); ++r) {
            const MemoryMember& m = m_records[r];
            const std::int64_t size =
                m.sizeKnown ? static_cast<std::int64_t>(m.contents.size()) : -1;
            AddMember(m.name, size, FILETIME::FromValue(r + 1), 0, r);
        }
        if (m_addFolders) {
            AddMissingFolders();
        }
        if (m_keepArchiveOrder) {
            IndexMembers();
        } else {
            SortMembers();
        }
        return true;
    }
    void CloseArchive() override {
        m_records.clear();
        m_openEntry = -1;
        m_position = 0;
    }

private:
    std::vector<std::string> m_initExtensions;
    int m_initBlockSize;
    bool m_keepArchiveOrder;
    bool m_addFolders;
    std::vector<MemoryMember> m_records;
    int m_openEntry = -1;
    std::size_t m_position = 0;
};

}  // namespace zbtest
