#include "readers/details/ImageHeaderProvider.h"

#include <algorithm>

#include "readers/archives/SourceStream.h"
#include "readers/details/StreamReader.h"

BOOL CImageHeaderProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    std::fill(m_header.begin(), m_header.end(), 0);
    CSourceStream stream;
    if (!item.OpenStream(&stream))
        return FALSE;
    CStreamReader reader(stream);
    return LoadHeader(reader);
}

BOOL CImageHeaderProvider::LoadHeader(CStreamReader& reader) {
    m_nState = PROVIDER_STATE_LOADING;
    std::fill(m_header.begin(), m_header.end(), 0);
    if (!reader.Read(m_header.data(), m_header.size()) || !AcceptHeader(m_header))
        return FALSE;
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CImageHeaderProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED || !CFixedColumnProvider::HasColumn(id))
        return FALSE;
    return GetImageColumnValue(id, GetImageValues(), value);
}

std::uint8_t CImageHeaderProvider::HeaderByte(std::size_t offset) const {
    zb::ByteReader reader(m_header);
    reader.Seek(offset);
    return reader.U8();
}

std::uint16_t CImageHeaderProvider::HeaderLe16(std::size_t offset) const {
    zb::ByteReader reader(m_header);
    reader.Seek(offset);
    return reader.U16Le();
}

std::uint32_t CImageHeaderProvider::HeaderLe32(std::size_t offset) const {
    zb::ByteReader reader(m_header);
    reader.Seek(offset);
    return reader.U32Le();
}
