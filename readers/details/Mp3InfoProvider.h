#pragma once
// The detail provider of MP3 files: title, artist, comment, album and genre
// of the ID3 version 1 tag, and frequency, channel mode, length and bit rate
// of the first audio frame. Files inside archives get no values.

#include "readers/details/FixedColumnProvider.h"
#include "readers/details/Mp3Info.h"

class CMp3InfoProvider : public CFixedColumnProvider {
public:
    CMp3InfoProvider();

    // "mp3".
    BOOL InitExtensions() override;
    BOOL Load(const CProviderItem& item) override;
    // Only once loaded. Length and bit rate give no value when the bit rate
    // is not defined (a Xing header without a frame count).
    BOOL GetValue(int id, COLUMNVALUE* value) override;

private:
    CMp3Info m_info;
};
