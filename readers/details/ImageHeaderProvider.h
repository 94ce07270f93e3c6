#pragma once
// The base of the detail providers that read a fixed-size header at the
// start of an image file (BMP, GIF, TGA, PCX): Load reads that many bytes
// through the item's stream (files inside archives too) and asks the
// provider whether they are its header.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/ByteReader.h"
#include "readers/details/FixedColumnProvider.h"
#include "readers/details/ImageColumns.h"

class CStreamReader;

class CImageHeaderProvider : public CFixedColumnProvider {
public:
    // Refuses folders and items without a path; reads the header through
    // the item's stream as LoadHeader does.
    BOOL Load(const CProviderItem& item) override;
    // Reads the header (zeroed first) from `reader` and takes it when it is
    // whole and AcceptHeader agrees.
    BOOL LoadHeader(CStreamReader& reader);
    // Only once loaded: the image columns of the provider's list.
    BOOL GetValue(int id, COLUMNVALUE* value) override;

protected:
    CImageHeaderProvider(std::span<const int> columns, std::size_t headerSize)
        : CFixedColumnProvider(columns), m_header(headerSize, 0) {}

    // True when `header` (the whole header size) is the provider's kind.
    virtual bool AcceptHeader(zb::ByteSpan header) const = 0;
    // The values the loaded header gives.
    virtual CImageValues GetImageValues() const = 0;

    // The header read by the last Load, and values in it.
    zb::ByteSpan HeaderBytes() const { return m_header; }
    std::uint8_t HeaderByte(std::size_t offset) const;
    std::uint16_t HeaderLe16(std::size_t offset) const;
    std::uint32_t HeaderLe32(std::size_t offset) const;

private:
    std::vector<std::uint8_t> m_header;
};
