#include "platform/PropertySet.h"

#include <algorithm>

#include "platform/TextCodec.h"

namespace zb {

namespace {

constexpr std::size_t kHeaderSize = 28;
constexpr std::size_t kPropertyEntrySize = 8;  // id, offset from the section

}  // namespace

bool PropertySetReader::Open(ByteSpan stream) {
    *this = PropertySetReader();
    ByteReader header(stream);
    m_byteOrder = header.U16Le();
    m_format = header.U16Le();
    m_osVersion = header.U32Le();
    const ByteSpan classId = header.Bytes(16);
    std::copy(classId.begin(), classId.end(), m_classId.begin());
    m_sectionCount = header.U32Le();
    if (!header.Ok() || m_byteOrder != 0xFFFE || m_format != 0) {
        *this = PropertySetReader();
        return false;
    }
    m_stream = stream;
    return true;
}

bool PropertySetReader::ReadProperties(
    const std::function<bool(std::uint32_t id)>& wanted,
    const std::function<bool(const PropertyValue&)>& visit) const {
    if (m_stream.empty() || m_sectionCount == 0) {
        return false;
    }
    ByteReader list(m_stream);
    list.Seek(kHeaderSize);
    // Sections may share their bytes: the property entries walked over all
    // of them may not outnumber the entries the stream can hold, so a list
    // of many sections pointing at one large one ends instead of taking
    // quadratic time.
    std::uint64_t entryBudget = m_stream.size() / kPropertyEntrySize;
    for (std::uint32_t i = 0; i < m_sectionCount; ++i) {
        list.Skip(16);  // format id
        const std::uint32_t offset = list.U32Le();
        if (!list.Ok() || !ReadSection(offset, entryBudget, wanted, visit)) {
            return false;
        }
    }
    return true;
}

unsigned PropertySetReader::SectionCodePage(std::uint64_t offset, std::uint32_t count) const {
    ByteReader entries(m_stream);
    entries.Seek(offset + 8);
    for (std::uint32_t i = 0; i < count && entries.Ok(); ++i) {
        const std::uint32_t id = entries.U32Le();
        const std::uint32_t valueOffset = entries.U32Le();
        if (entries.Ok() && id == kCodePageProperty) {
            ByteReader value(m_stream);
            value.Seek(offset + valueOffset);
            const std::uint32_t type = value.U32Le();
            const std::uint16_t codePage = value.U16Le();
            return value.Ok() && type == VT_I2 ? codePage : 0;
        }
    }
    return 0;
}

bool PropertySetReader::ReadSection(std::uint64_t offset, std::uint64_t& entryBudget,
                                    const std::function<bool(std::uint32_t id)>& wanted,
                                    const std::function<bool(const PropertyValue&)>& visit) const {
    ByteReader entries(m_stream);
    entries.Seek(offset);
    entries.Skip(4);  // section size
    const std::uint32_t count = entries.U32Le();
    if (!entries.Ok() || count > entryBudget) {
        return false;
    }
    entryBudget -= count;
    // The code page may be listed after the strings it applies to.
    const unsigned codePage = SectionCodePage(offset, count);
    PropertyValue value;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t id = entries.U32Le();
        const std::uint32_t valueOffset = entries.U32Le();
        if (!entries.Ok()) {
            return false;
        }
        if (!wanted(id)) {
            continue;
        }
        value.id = id;
        switch (ReadValue(offset + valueOffset, codePage, value)) {
            case Read::kFailed:
                return false;
            case Read::kSkipped:
                break;
            case Read::kDelivered:
                if (!visit(value)) {
                    return false;
                }
                break;
        }
    }
    return true;
}

PropertySetReader::Read PropertySetReader::ReadValue(std::uint64_t position, unsigned codePage,
                                                     PropertyValue& value) const {
    ByteReader reader(m_stream);
    reader.Seek(position);
    value.type = reader.U32Le();
    value.number = 0;
    value.text.clear();
    switch (value.type) {
        case VT_I2:
            value.number = reader.U16Le();
            break;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
            value.number = reader.U32Le();
            break;
        case VT_BOOL:
            value.number = reader.U16Le() == 0xFFFF ? 1 : 0;
            break;
        case VT_FILETIME:
            value.number = reader.U64Le();
            break;
        case VT_BSTR:
        case VT_LPSTR: {
            // The count is in bytes and includes the terminating NUL; a count
            // of 0 is an empty text.
            const std::uint32_t count = reader.U32Le();
            if (codePage == kCodePageUtf16Le) {
                value.text = std::string(UntilNul(Utf16LeToUtf8(reader.Bytes(count))));
            } else if (count > 0) {
                value.text = CodePageToUtf8(UntilNul(AsChars(reader.Bytes(count - 1))), codePage);
            }
            break;
        }
        case VT_CF: {
            const std::uint32_t size = reader.U32Le();
            value.text = std::string(AsChars(reader.Bytes(size)));
            break;
        }
        case VT_CLSID:
            value.text = std::string(AsChars(reader.Bytes(16)));
            break;
        default:
            return reader.Ok() ? Read::kSkipped : Read::kFailed;
    }
    return reader.Ok() ? Read::kDelivered : Read::kFailed;
}

}  // namespace zb
