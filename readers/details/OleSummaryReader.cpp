#include "readers/details/OleSummaryReader.h"

BOOL COleSummaryReader::Open(const std::string& path) {
    Close();
    zb::CompoundFile file;
    std::vector<std::uint8_t> stream;
    if (!file.Open(path) ||
        !file.ReadRootStream(zb::kSummaryInformationStream, kMaxStreamSize, stream))
        return FALSE;
    return OpenStream(std::move(stream));
}

BOOL COleSummaryReader::OpenStream(std::vector<std::uint8_t> stream) {
    Close();
    if (stream.empty())
        return FALSE;
    m_stream = std::move(stream);
    if (!m_set.Open(m_stream)) {
        Close();
        return FALSE;
    }
    return TRUE;
}

BOOL COleSummaryReader::ReadProperties(const CValueCallback& callback,
                                       const CIdFilter& filter) const {
    if (m_stream.empty() || !callback || !filter)
        return FALSE;
    return m_set.ReadProperties(filter, callback) ? TRUE : FALSE;
}

void COleSummaryReader::Close() {
    m_set = zb::PropertySetReader();
    m_stream.clear();
}
