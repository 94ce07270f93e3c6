#pragma once
// The detail provider of Photoshop documents: width, height and channel
// count from the file header. Members of archives are read too.

#include <array>
#include <cstdint>

#include "readers/details/FixedColumnProvider.h"
#include "readers/details/PsdImage.h"

class CStreamReader;

class CPsdInfoProvider : public CFixedColumnProvider {
public:
    CPsdInfoProvider();

    // "psd".
    BOOL InitExtensions() override;
    // Reads the header through the item's stream as LoadHeader does.
    BOOL Load(const CProviderItem& item) override;
    // Reads the 26-byte header from `reader`; nonzero when it is whole, with
    // the signature "8BPS" and version 1 (its other fields are not tested
    // here).
    BOOL LoadHeader(CStreamReader& reader);
    // Once loaded: 301 width, 302 height, 103 channel count, as numbers.
    BOOL GetValue(int id, COLUMNVALUE* value) override;
    // Answers 1 for every column id.
    BOOL HasColumn(int id) const override;

private:
    std::array<std::uint8_t, kPsdHeaderSize> m_header{};
};
