#include "readers/details/PsdInfoProvider.h"

#include "readers/archives/SourceStream.h"
#include "readers/details/StreamReader.h"

namespace {

constexpr int kChannelCount = 103;
constexpr int kWidth = 301;
constexpr int kHeight = 302;
constexpr std::array<int, 3> kPsdColumns = {kWidth, kHeight, kChannelCount};

}  // namespace

CPsdInfoProvider::CPsdInfoProvider() : CFixedColumnProvider(kPsdColumns) {}

BOOL CPsdInfoProvider::InitExtensions() {
    m_arrExtensions = {"psd"};
    return TRUE;
}

BOOL CPsdInfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    m_header.fill(0);
    CSourceStream stream;
    if (!item.OpenStream(&stream))
        return FALSE;
    CStreamReader reader(stream);
    return LoadHeader(reader);
}

BOOL CPsdInfoProvider::LoadHeader(CStreamReader& reader) {
    m_nState = PROVIDER_STATE_LOADING;
    m_header.fill(0);
    PsdHeader header;
    if (!reader.Read(m_header.data(), m_header.size()) || !ParsePsdHeader(m_header, &header) ||
        !IsPsdSignature(header))
        return FALSE;
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CPsdInfoProvider::GetValue(int id, COLUMNVALUE* value) {
    PsdHeader header;
    if (m_nState != PROVIDER_STATE_LOADED || !ParsePsdHeader(m_header, &header))
        return FALSE;
    switch (id) {
        case kWidth:
            value->SetUInt32(header.width);
            return TRUE;
        case kHeight:
            value->SetUInt32(header.height);
            return TRUE;
        case kChannelCount:
            value->SetUInt32(header.channels);
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL CPsdInfoProvider::HasColumn(int) const {
    return TRUE;
}
