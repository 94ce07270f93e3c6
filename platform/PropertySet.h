#pragma once
// Reading of a property-set stream (the summary information and document
// summary information streams of compound files): the header, the list of
// sections and each section's properties with their typed values.
//
// Eight-bit strings are decoded by the code page the section declares in its
// property 1 (Windows-1252 when it declares none); in a section of code page
// 1200 they are UTF-16. Every offset and count read from the stream is
// checked against the stream before it is followed.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/ByteReader.h"

// Value types of properties (the variant type numbers the stream stores).
constexpr std::uint32_t VT_I2 = 2;
constexpr std::uint32_t VT_I4 = 3;
constexpr std::uint32_t VT_BSTR = 8;
constexpr std::uint32_t VT_BOOL = 11;
constexpr std::uint32_t VT_UI4 = 19;
constexpr std::uint32_t VT_INT = 22;
constexpr std::uint32_t VT_UINT = 23;
constexpr std::uint32_t VT_LPSTR = 30;
constexpr std::uint32_t VT_FILETIME = 64;
constexpr std::uint32_t VT_CF = 71;
constexpr std::uint32_t VT_CLSID = 72;

namespace zb {

// Names of the two standard property-set streams.
inline constexpr std::string_view kSummaryInformationStream = "\x05SummaryInformation";
inline constexpr std::string_view kDocumentSummaryInformationStream =
    "\x05"
    "DocumentSummaryInformation";

// Property 1 of every section: the code page of its strings.
constexpr std::uint32_t kCodePageProperty = 1;

// One property as delivered by PropertySetReader.
struct PropertyValue {
    std::uint32_t id = 0;
    std::uint32_t type = 0;
    // VT_I2, VT_I4, VT_UI4, VT_INT, VT_UINT: the stored bits, zero-extended;
    // VT_BOOL: 1 when the stored 16 bits are 0xFFFF, else 0; VT_FILETIME: the
    // 64-bit time.
    std::uint64_t number = 0;
    // VT_BSTR, VT_LPSTR: the text as UTF-8, up to its first NUL; VT_CF: the
    // clipboard data as stored, from its format tag on; VT_CLSID: the 16 bytes.
    std::string text;
};

class PropertySetReader {
public:
    // Reads the 28-byte header of `stream` (which the caller keeps alive while
    // the reader is used); true when the byte-order mark is 0xFFFE and the
    // format 0.
    bool Open(ByteSpan stream);

    std::uint16_t ByteOrder() const { return m_byteOrder; }
    std::uint16_t Format() const { return m_format; }
    std::uint32_t OsVersion() const { return m_osVersion; }
    const std::array<std::uint8_t, 16>& ClassId() const { return m_classId; }
    std::uint32_t SectionCount() const { return m_sectionCount; }

    // Walks every section in order and hands `visit` each property whose id
    // `wanted` accepts and whose type is one of the VT_ values above (other
    // types, vectors and arrays are passed over). True when the walk
    // completed; false when there is no section, a section, property or value
    // does not lie inside the stream, or `visit` returned false.
    bool ReadProperties(const std::function<bool(std::uint32_t id)>& wanted,
                        const std::function<bool(const PropertyValue&)>& visit) const;

private:
    bool ReadSection(std::uint64_t offset, std::uint64_t& entryBudget,
                     const std::function<bool(std::uint32_t id)>& wanted,
                     const std::function<bool(const PropertyValue&)>& visit) const;
    unsigned SectionCodePage(std::uint64_t offset, std::uint32_t count) const;
    enum class Read { kDelivered, kSkipped, kFailed };
    Read ReadValue(std::uint64_t position, unsigned codePage, PropertyValue& value) const;

    ByteSpan m_stream;
    std::uint16_t m_byteOrder = 0;
    std::uint16_t m_format = 0;
    std::uint32_t m_osVersion = 0;
    std::array<std::uint8_t, 16> m_classId{};
    std::uint32_t m_sectionCount = 0;
};

}  // namespace zb
