#pragma once
// The base of every decoder: opens the input as a data source, runs the
// format's DoDecode into the caller's bitmap and turns every failure into a
// CTextException with a code and a message.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ThumbGenerator/ImageBitmap.h"
#include "ThumbGenerator/ImageSource.h"
#include "ThumbGenerator/PLObject.h"

// The most bytes one stored byte can give in the compressions the decoders
// meet. Deflate: a 258-byte match in two bits. LZW: a code of b bits (at most
// 12) stands for at most 2^b bytes. PackBits: two bytes give 128.
constexpr std::uint64_t kMaxDeflateExpansion = 1032;
constexpr std::uint64_t kMaxLzwExpansion = 4096 * 8 / 12 + 1;
constexpr std::uint64_t kMaxPackBitsExpansion = 64;

class CImageDecoder : public CPLObject {
public:
    // Decodes the file at `path`. Bits per pixel 0 lets the decoder choose.
    virtual void DecodeFile(const std::string& path, CImageBitmap& bitmap, int bpp,
                            CProgressNotifier* notifier);
    // Decodes `size` bytes at `data`; `name` stands for the file name (the
    // metafile decoder tells its two kinds apart by it).
    virtual void DecodeMemory(const BYTE* data, std::size_t size, const std::string& name,
                              CImageBitmap& bitmap, int bpp);
    // Decodes from the source's current position.
    virtual void DecodeSource(CImageSource& source, CImageBitmap& bitmap, int bpp);

protected:
    // The format's own decoding. `work` is a table the decoder may fill (a
    // palette or lookup table); it is freed after the call, also on a throw.
    // `bpp` is the requested depth, and receives the chosen one.
    virtual void DoDecode(CImageBitmap& bitmap, std::vector<RGBQUAD>& work, int& bpp,
                          CImageSource& source) = 0;
};

// Throws CTextException(code, "Decoder error: <text>\n").
[[noreturn]] void RaiseDecoderError(int code, const std::string& text);

// Writes `text` to the decoders' trace file when `level` is at most the trace
// level and a file is set. Both start unset, so nothing is written.
void DecoderTrace(int level, const std::string& text);
// Sets the trace level and file (an empty name stops the tracing).
void SetDecoderTrace(int level, const std::string& fileName);

// With a request of 0, picks 8 bits per pixel for sources of up to 8 bits and
// 32 for deeper ones, and writes the choice back.
void ChooseTargetBpp(int sourceBpp, int& requestedBpp);

// Marks the bitmap locked while a decoder writes its rows, also when the
// writing throws.
class CBitmapWriteLock {
public:
    explicit CBitmapWriteLock(CImageBitmap& bitmap) : m_bitmap(bitmap) {
        m_bitmap.Lock(true, true);
    }
    ~CBitmapWriteLock() { m_bitmap.Unlock(); }
    CBitmapWriteLock(const CBitmapWriteLock&) = delete;
    CBitmapWriteLock& operator=(const CBitmapWriteLock&) = delete;

private:
    CImageBitmap& m_bitmap;
};
