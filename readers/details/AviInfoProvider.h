#pragma once
// The detail provider of AVI clips: frame size, colour depth, frame count,
// frame rate and length of the first video stream, and the frequency and
// channel mode of the first audio stream, read through CAviFile (so a clip
// the thumbnail maker refuses gets no values either). Clips inside archives
// get no values.

#include "readers/details/AviFile.h"
#include "readers/details/FixedColumnProvider.h"

// The channel mode text of an audio format: "Mono" for one channel, "Stero"
// for more; null for none.
const char* GetChannelModeText(unsigned channels);

class CAviInfoProvider : public CFixedColumnProvider {
public:
    CAviInfoProvider();

    // "avi".
    BOOL InitExtensions() override;
    // Forgets the clip; the state becomes 1.
    BOOL Reset() override;
    // Opens the clip (CAviFile::Open); the values stay until the next Load
    // or Reset.
    BOOL Load(const CProviderItem& item) override;
    // While a clip's values are held: the video format's width, height and
    // depth, the frame count (first frame + length), the rate as stored, the
    // length (frames x scale / rate; none for a rate of 0), and the audio's
    // frequency and mode (none without audio).
    BOOL GetValue(int id, COLUMNVALUE* value) override;

private:
    CAviFile m_clip;
};
