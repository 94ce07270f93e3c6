#include "readers/details/Mp3Info.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/TextCodec.h"
#include "readers/details/StopFlag.h"

namespace {

// Sample rates by version (MPEG 2.5, reserved, MPEG 2, MPEG 1) and index.
constexpr int kFrequencies[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

// Bit rates in kbit/s by layer (I, II, III) and index.
constexpr int kMpeg1BitRates[3][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
constexpr int kMpeg2BitRates[3][15] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};

constexpr const char* kModeTexts[4] = {"Stereo", "Joint Stereo", "Dual Channel", "Single Channel"};

constexpr std::array<const char*, 126> kGenres = {"Blues",
                                                  "Classic Rock",
                                                  "Country",
                                                  "Dance",
                                                  "Disco",
                                                  "Funk",
                                                  "Grunge",
                                                  "Hip-Hop",
                                                  "Jazz",
                                                  "Metal",
                                                  "New Age",
                                                  "Oldies",
                                                  "Other",
                                                  "Pop",
                                                  "R&B",
                                                  "Rap",
                                                  "Reggae",
                                                  "Rock",
                                                  "Techno",
                                                  "Industrial",
                                                  "Alternative",
                                                  "Ska",
                                                  "Death Metal",
                                                  "Pranks",
                                                  "Soundtrack",
                                                  "Euro-Techno",
                                                  "Ambient",
                                                  "Trip-Hop",
                                                  "Vocal",
                                                  "Jazz+Funk",
                                                  "Fusion",
                                                  "Trance",
                                                  "Classical",
                                                  "Instrumental",
                                                  "Acid",
                                                  "House",
                                                  "Game",
                                                  "Sound Clip",
                                                  "Gospel",
                                                  "Noise",
                                                  "AlternRock",
                                                  "Bass",
                                                  "Soul",
                                                  "Punk",
                                                  "Space",
                                                  "Meditative",
                                                  "Instrumental Pop",
                                                  "Instrumental Rock",
                                                  "Ethnic",
                                                  "Gothic",
                                                  "Darkwave",
                                                  "Techno-Industrial",
                                                  "Electronic",
                                                  "Pop-Folk",
                                                  "Eurodance",
                                                  "Dream",
                                                  "Southern Rock",
                                                  "Comedy",
                                                  "Cult",
                                                  "Gangsta",
                                                  "Top 40",
                                                  "Christian Rap",
                                                  "Pop/Funk",
                                                  "Jungle",
                                                  "Native American",
                                                  "Cabaret",
                                                  "New Wave",
                                                  "Psychadelic",
                                                  "Rave",
                                                  "Showtunes",
                                                  "Trailer",
                                                  "Lo-Fi",
                                                  "Tribal",
                                                  "Acid Punk",
                                                  "Acid Jazz",
                                                  "Polka",
                                                  "Retro",
                                                  "Musical",
                                                  "Rock & Roll",
                                                  "Hard Rock",
                                                  "Folk",
                                                  "Folk-Rock",
                                                  "National Folk",
                                                  "Swing",
                                                  "Fast Fusion",
                                                  "Bebob",
                                                  "Latin",
                                                  "Revival",
                                                  "Celtic",
                                                  "Bluegrass",
                                                  "Avantgarde",
                                                  "Gothic Rock",
                                                  "Progressive Rock",
                                                  "Psychedelic Rock",
                                                  "Symphonic Rock",
                                                  "Slow Rock",
                                                  "Big Band",
                                                  "Chorus",
                                                  "Easy Listening",
                                                  "Acoustic",
                                                  "Humour",
                                                  "Speech",
                                                  "Chanson",
                                                  "Opera",
                                                  "Chamber Music",
                                                  "Sonata",
                                                  "Symphony",
                                                  "Booty Bass",
                                                  "Primus",
                                                  "Porn Groove",
                                                  "Satire",
                                                  "Slow Jam",
                                                  "Club",
                                                  "Tango",
                                                  "Samba",
                                                  "Folklore",
                                                  "Ballad",
                                                  "Power Ballad",
                                                  "Rhythmic Soul",
                                                  "Freestyle",
                                                  "Duet",
                                                  "Punk Rock",
                                                  "Drum Solo",
                                                  "Acapella",
                                                  "Euro-House",
                                                  "Dance Hall"};

constexpr std::size_t kTagSize = 128;
constexpr std::size_t kXingSize = 12;
// The farthest a Xing header lies from its frame's start, and its size.
constexpr std::uint64_t kXingReach = 36 + kXingSize;
constexpr std::size_t kReadBlock = 16 * 1024;

// The size of an ID3 version 2 tag at the start of `source` (its header, its
// syncsafe size and a footer), or 0 when there is none.
std::uint64_t Id3v2TagSize(zb::ByteSource& source) {
    std::array<std::uint8_t, 10> header{};
    if (!source.ReadAt(0, header.data(), header.size()) || header[0] != 'I' || header[1] != 'D' ||
        header[2] != '3')
        return 0;
    std::uint64_t size = 0;
    for (std::size_t i = 6; i < 10; ++i) {
        if (header[i] >= 0x80)
            return 0;
        size = (size << 7) | header[i];
    }
    const bool footer = (header[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

// An ID3 version 1 text field: up to its first NUL, trailing blanks removed.
std::string TagText(zb::ByteSpan field) {
    std::string_view text = zb::UntilNul(zb::AsChars(field));
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return zb::Cp1252ToUtf8(text);
}

}  // namespace

bool CMpegFrameHeader::IsValid() const {
    return (m_bits & 0xFFE00000u) == 0xFFE00000u && Version() != 1 && Layer() != 0 &&
           BitRateIndex() != 0 && BitRateIndex() != 15 && FrequencyIndex() != 3 && Emphasis() != 2;
}

int CMpegFrameHeader::Frequency() const {
    return IsValid() ? kFrequencies[Version()][FrequencyIndex()] : 0;
}

int CMpegFrameHeader::BitRate() const {
    if (!IsValid())
        return 0;
    const int layerRow = 3 - Layer();  // Layer I, II, III
    return (m_bits & 0x80000u) != 0 ? kMpeg1BitRates[layerRow][BitRateIndex()]
                                    : kMpeg2BitRates[layerRow][BitRateIndex()];
}

int CMpegFrameHeader::SizeFactor() const {
    if (Layer() == LAYER_1)
        return 12;
    return Layer() == LAYER_3 && Version() != VERSION_1 ? 72 : 144;
}

void CMp3Info::Reset() {
    m_header = CMpegFrameHeader();
    m_nXingFrames = -1;
    m_bVbr = false;
    m_bTag = false;
    m_fileSize = 0;
    m_audioStart = 0;
    m_frameOffset = 0;
    m_sTitle.clear();
    m_sArtist.clear();
    m_sAlbum.clear();
    m_sComment.clear();
    m_nGenre = kNoGenre;
}

int CMp3Info::Read(const std::string& path) {
    zb::FileSource file;
    if (!file.Open(path))
        return READ_OPEN_FAILED;
    return Read(file);
}

int CMp3Info::Read(zb::ByteSource& source) {
    Reset();
    m_fileSize = source.Size();
    const std::uint64_t start = Id3v2TagSize(source);
    if (start >= m_fileSize)
        return READ_NO_HEADER;
    // The bytes the search may look at: every position with its header, and
    // the Xing header of a frame at the last one. They are read as the
    // search reaches them.
    const std::uint64_t windowSize =
        std::min(m_fileSize - start, kLastFramePosition + 4 + kXingReach);
    std::vector<std::uint8_t> window;
    for (std::uint64_t p = 0;; ++p) {
        if (IsStopReadingSet())
            return READ_STOPPED;
        if (p > kLastFramePosition || p + 4 > windowSize)
            return READ_NO_HEADER;
        if (window.size() < std::min(windowSize, p + 4 + kXingReach)) {
            const std::uint64_t have = window.size();
            const std::uint64_t want = std::min(windowSize, have + kReadBlock);
            window.resize(want);
            if (!source.ReadAt(start + have, window.data() + have, want - have))
                return READ_NO_HEADER;
        }
        const CMpegFrameHeader header(zb::LoadBe32(window.data() + p));
        if (!header.IsValid())
            continue;
        m_header = header;
        m_audioStart = start;
        m_frameOffset = start + p;
        ReadXingHeader(zb::ByteReader(window), p);
        break;
    }
    ReadTag(source);
    return READ_OK;
}

void CMp3Info::ReadXingHeader(zb::ByteReader window, std::uint64_t position) {
    const bool mono = m_header.ChannelMode() == CMpegFrameHeader::MODE_SINGLE_CHANNEL;
    std::uint64_t offset = 21;
    if (m_header.Version() == CMpegFrameHeader::VERSION_1)
        offset = mono ? 21 : 36;
    else if (mono)
        offset = 13;
    // Near the end of the file the header may not be there whole: then there is none.
    window.Seek(position + offset);
    const zb::ByteSpan xing = window.Bytes(kXingSize);
    if (!window.Ok() || zb::AsChars(xing.first(4)) != "Xing")
        return;
    m_bVbr = true;
    if ((xing[7] & 1) != 0)
        m_nXingFrames = static_cast<std::int32_t>(zb::LoadBe32(xing.data() + 8));
}

void CMp3Info::ReadTag(zb::ByteSource& source) {
    std::array<std::uint8_t, kTagSize> tag{};
    if (m_fileSize < kTagSize || !source.ReadAt(m_fileSize - kTagSize, tag.data(), tag.size()) ||
        tag[0] != 'T' || tag[1] != 'A' || tag[2] != 'G')
        return;
    m_bTag = true;
    const zb::ByteSpan bytes(tag);
    m_sTitle = TagText(bytes.subspan(3, 30));
    m_sArtist = TagText(bytes.subspan(33, 30));
    m_sAlbum = TagText(bytes.subspan(63, 30));
    // Version 1.1 keeps a track number in the comment's last two bytes.
    const bool hasTrack = tag[125] == 0 && tag[126] != 0;
    m_sComment = TagText(bytes.subspan(97, hasTrack ? 28 : 30));
    m_nGenre = tag[127];
}

std::int64_t CMp3Info::GetFrameCount() const {
    if (m_bVbr)
        return m_nXingFrames;
    const int bitRate = m_header.BitRate();
    const int frequency = m_header.Frequency();
    if (bitRate <= 0 || frequency <= 0)
        return -1;
    const double frameSize = m_header.SizeFactor() * 1000.0 * bitRate / frequency;
    return static_cast<std::int64_t>(static_cast<double>(AudioSize()) / frameSize);
}

bool CMp3Info::GetBitRate(int& kbits) const {
    kbits = 0;
    if (!m_bVbr) {
        kbits = m_header.BitRate();
        return kbits > 0;
    }
    if (m_nXingFrames <= 0 || m_header.Frequency() <= 0)
        return false;
    const double average = static_cast<double>(AudioSize()) / m_nXingFrames * m_header.Frequency() /
                           (1000.0 * m_header.SizeFactor());
    if (!(average >= 1.0) || average > 1e9)
        return false;
    kbits = static_cast<int>(average);
    return true;
}

bool CMp3Info::GetLength(std::int64_t& seconds) const {
    seconds = 0;
    int kbits = 0;
    if (!GetBitRate(kbits))
        return false;
    seconds = static_cast<std::int64_t>(AudioSize() * 8 / 1000) / kbits;
    return true;
}

const char* CMp3Info::GetModeText() const {
    return kModeTexts[m_header.ChannelMode()];
}

std::string CMp3Info::GetGenreText() const {
    return m_nGenre >= 0 && static_cast<std::size_t>(m_nGenre) < kGenres.size()
               ? std::string(kGenres[static_cast<std::size_t>(m_nGenre)])
               : std::string();
}
