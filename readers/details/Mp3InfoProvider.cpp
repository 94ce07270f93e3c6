#include "readers/details/Mp3InfoProvider.h"

#include <array>

namespace {

constexpr int kTitle = 2;
constexpr int kAuthor = 4;
constexpr int kComments = 6;
constexpr int kFrequency = 102;
constexpr int kGenre = 104;
constexpr int kAlbum = 105;
constexpr int kMode = 107;
constexpr int kTimeLength = 201;
constexpr int kBitsRate = 202;
constexpr std::array<int, 9> kMp3Columns = {kTitle, kAuthor, kComments,   kFrequency, kMode,
                                            kGenre, kAlbum,  kTimeLength, kBitsRate};

}  // namespace

CMp3InfoProvider::CMp3InfoProvider() : CFixedColumnProvider(kMp3Columns) {}

BOOL CMp3InfoProvider::InitExtensions() {
    m_arrExtensions = {"mp3"};
    return TRUE;
}

BOOL CMp3InfoProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    m_info.Reset();
    std::string path;
    if (!item.GetDiskFilePath(&path) || m_info.Read(path) != CMp3Info::READ_OK)
        return FALSE;
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CMp3InfoProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED)
        return FALSE;
    switch (id) {
        case kTitle:
            value->text = m_info.GetTitle();
            return TRUE;
        case kAuthor:
            value->text = m_info.GetArtist();
            return TRUE;
        case kComments:
            value->text = m_info.GetComment();
            return TRUE;
        case kAlbum:
            value->text = m_info.GetAlbum();
            return TRUE;
        case kGenre:
            value->text = m_info.GetGenreText();
            return TRUE;
        case kMode:
            value->text = m_info.GetModeText();
            return TRUE;
        case kFrequency:
            value->SetUInt32(static_cast<std::uint32_t>(m_info.GetFrequency()));
            return TRUE;
        case kBitsRate: {
            int kbits = 0;
            if (!m_info.GetBitRate(kbits))
                return FALSE;
            value->SetUInt32(static_cast<std::uint32_t>(kbits));
            return TRUE;
        }
        case kTimeLength: {
            std::int64_t seconds = 0;
            if (!m_info.GetLength(seconds))
                return FALSE;
            value->SetUInt32(static_cast<std::uint32_t>(seconds));
            return TRUE;
        }
        default:
            return FALSE;
    }
}
