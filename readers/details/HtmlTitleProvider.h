#pragma once
// The detail provider of HTML pages: the text between "<title>" and
// "</title>" within the page's first 1,024 bytes, in eight-bit or (after a
// FF FE mark) UTF-16 little-endian text. Pages inside archives are read too.

#include <cstddef>
#include <string>

#include "platform/ByteReader.h"
#include "readers/details/FixedColumnProvider.h"

// The first index i, with i + the pattern's length at most the buffer's
// length, at which the pattern (lower case) matches the buffer with its
// letters A to Z taken in lower case; -1 when there is none.
int FindHtmlTag(zb::ByteSpan buffer, zb::ByteSpan pattern);

class CStreamReader;

// The title of the page `reader` reads, from its first block, as UTF-8;
// false when the block is shorter than 8 bytes or holds no whole title.
bool ReadHtmlTitle(CStreamReader& reader, std::string& title);

class CHtmlTitleProvider : public CFixedColumnProvider {
public:
    // Only this much of a page is searched.
    static constexpr std::size_t kBlockSize = 1024;
    // A UTF-16 title is cut to this many bytes of UTF-8 (whole characters).
    static constexpr std::size_t kMaxUtf16TitleBytes = 4096;

    CHtmlTitleProvider();

    // "htm" "html".
    BOOL InitExtensions() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded: the title as the value's text.
    BOOL GetValue(int id, COLUMNVALUE* value) override;

private:
    std::string m_sTitle;
};
