#pragma once
// The summary information of a compound document: opens the file, reads its
// "\005SummaryInformation" stream and walks the properties of its sections.
// Used by the document-summary columns and the summary thumbnail.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/CompoundFile.h"
#include "platform/PropertySet.h"
#include "platform/WinTypes.h"

class COleSummaryReader {
public:
    // A summary stream larger than this is not read.
    static constexpr std::uint64_t kMaxStreamSize = 64u << 20;

    // Takes a property id; true for the ids the caller wants.
    using CIdFilter = std::function<bool(std::uint32_t id)>;
    // Takes each wanted property; false ends the walk.
    using CValueCallback = std::function<bool(const zb::PropertyValue& value)>;

    COleSummaryReader() = default;
    virtual ~COleSummaryReader() = default;
    COleSummaryReader(const COleSummaryReader&) = delete;
    COleSummaryReader& operator=(const COleSummaryReader&) = delete;

    // 1 when `path` is a compound file whose summary stream has a valid
    // header (byte order 0xFFFE, format 0); else 0, and everything closed.
    BOOL Open(const std::string& path);
    // The same for the bytes of a summary stream.
    BOOL OpenStream(std::vector<std::uint8_t> stream);
    // Hands `callback` every property of every section, in order, whose id
    // `filter` wants and whose type is one the set reader delivers; 1 when
    // the walk completed, 0 without an open stream, without sections, on a
    // damaged set or when the callback returned false.
    BOOL ReadProperties(const CValueCallback& callback, const CIdFilter& filter) const;
    void Close();
    BOOL IsOpen() const { return m_stream.empty() ? FALSE : TRUE; }

    const zb::PropertySetReader& PropertySet() const { return m_set; }

private:
    std::vector<std::uint8_t> m_stream;
    zb::PropertySetReader m_set;
};
