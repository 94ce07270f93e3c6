#include "readers/details/HtmlTitleProvider.h"

#include <array>
#include <vector>

#include "platform/TextCase.h"
#include "platform/TextCodec.h"
#include "readers/archives/SourceStream.h"
#include "readers/details/StreamReader.h"

namespace {

constexpr int kTitle = 2;
constexpr std::array<int, 1> kHtmlColumns = {kTitle};

// The search buffer starts with this many zero bytes before the page's.
constexpr std::size_t kPrefixSize = 8;

struct TitleTags {
    std::string_view start;
    std::string_view end;
};
constexpr TitleTags kEightBitTags = {"<title>", "</title>"};
constexpr std::string_view kUtf16Start("<\0t\0i\0t\0l\0e\0>\0", 14);
constexpr std::string_view kUtf16End("<\0/\0t\0i\0t\0l\0e\0>\0", 16);
constexpr TitleTags kUtf16Tags = {kUtf16Start, kUtf16End};

zb::ByteSpan AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// `text` cut to at most `limit` bytes without splitting a character.
std::string CutUtf8(std::string text, std::size_t limit) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length = Utf8CharLength(text, end);
        if (end + length > limit)
            break;
        end += length;
    }
    text.resize(end);
    return text;
}

}  // namespace

int FindHtmlTag(zb::ByteSpan buffer, zb::ByteSpan pattern) {
    if (pattern.empty() || pattern.size() > buffer.size())
        return -1;
    for (std::size_t i = 0; i + pattern.size() <= buffer.size(); ++i) {
        std::size_t k = 0;
        for (; k < pattern.size(); ++k) {
            const auto c = static_cast<std::uint8_t>(AsciiLower(static_cast<char>(buffer[i + k])));
            if (c != pattern[k])
                break;
        }
        if (k == pattern.size())
            return static_cast<int>(i);
    }
    return -1;
}

bool ReadHtmlTitle(CStreamReader& reader, std::string& title) {
    title.clear();
    std::array<std::uint8_t, kPrefixSize + CHtmlTitleProvider::kBlockSize> buffer{};
    const std::size_t got =
        reader.ReadSome(buffer.data() + kPrefixSize, CHtmlTitleProvider::kBlockSize);
    // Only the first block is searched: a title that is not found in it is
    // not looked for further.
    if (got < kPrefixSize)
        return false;
    const bool utf16 = buffer[kPrefixSize] == 0xFF && buffer[kPrefixSize + 1] == 0xFE;
    const TitleTags& tags = utf16 ? kUtf16Tags : kEightBitTags;
    const zb::ByteSpan searched(buffer.data(), kPrefixSize + got);
    const int start = FindHtmlTag(searched, AsBytes(tags.start));
    if (start < 0)
        return false;
    const zb::ByteSpan after =
        searched.subspan(static_cast<std::size_t>(start) + tags.start.size());
    const int end = FindHtmlTag(after, AsBytes(tags.end));
    if (end < 0)
        return false;
    const zb::ByteSpan text = after.first(static_cast<std::size_t>(end));
    title = utf16 ? CutUtf8(zb::Utf16LeToUtf8(text), CHtmlTitleProvider::kMaxUtf16TitleBytes)
                  : zb::Utf8OrCp1252ToUtf8(zb::AsChars(text));
    return true;
}

CHtmlTitleProvider::CHtmlTitleProvider() : CFixedColumnProvider(kHtmlColumns) {}

BOOL CHtmlTitleProvider::InitExtensions() {
    m_arrExtensions = {"htm", "html"};
    return TRUE;
}

BOOL CHtmlTitleProvider::Load(const CProviderItem& item) {
    m_nState = PROVIDER_STATE_LOADING;
    m_sTitle.clear();
    CSourceStream stream;
    if (!item.OpenStream(&stream))
        return FALSE;
    CStreamReader reader(stream);
    if (!ReadHtmlTitle(reader, m_sTitle))
        return FALSE;
    m_nState = PROVIDER_STATE_LOADED;
    return TRUE;
}

BOOL CHtmlTitleProvider::GetValue(int id, COLUMNVALUE* value) {
    if (m_nState != PROVIDER_STATE_LOADED || id != kTitle)
        return FALSE;
    value->text = m_sTitle;
    return TRUE;
}
