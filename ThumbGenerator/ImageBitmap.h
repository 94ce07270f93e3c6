#pragma once
// The bitmaps the decoders write into. CImageBitmap holds what every kind
// shares (size, depth, palette, row pointers); CPackedDIBBitmap keeps header,
// palette and pixels in one block in the device-independent bitmap layout;
// CDIBSectionBitmap keeps its pixels in a QImage, the platform's drawable
// bitmap; CDrawDibBitmap draws itself stretched into a painter.
//
// Decoders write rows through GetLineArray(): row 0 is the top row of the
// picture whatever the memory order. Depths are 1, 8 or 32 bits per pixel;
// 32-bit pixels are stored blue, green, red, alpha.

#include <QtGui/qrgb.h>
#include <QImage>
#include <QRect>
#include <QVector>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ThumbGenerator/PLObject.h"
#include "platform/Bitmap.h"

class QPainter;

class CImageBitmap : public CPLObject {
public:
    // Frees the old storage and makes a bitmap of the given size. Sizes below
    // 1 or above 16384 per side or 128 megapixels throw code 10 "Out of memory
    // creating bitmap."; a depth other than 1, 8 or 32 throws code 2.
    virtual void Create(int width, int height, int bpp, bool alpha);
    // Bytes of header, palette and pixels plus the object itself.
    virtual std::size_t GetMemUsed() const = 0;
    virtual int GetBytesPerLine() const;
    // Decoders bracket their pixel writing with these.
    virtual void Lock(bool read, bool write);
    virtual void Unlock();

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetBitsPerPixel() const { return m_bpp; }
    bool HasAlpha() const { return m_alpha; }
    int GetLockCount() const { return m_lockCount; }
    // 2^bpp entries for up to 8 bits per pixel, else null.
    RGBQUAD* GetPalette() { return m_palette; }
    const RGBQUAD* GetPalette() const { return m_palette; }
    BYTE** GetLineArray() { return m_lines.data(); }
    const BYTE* const* GetLineArray() const { return m_lines.data(); }
    // Copies 2^bpp entries into the palette (nothing for 32 bits per pixel).
    void SetPalette(const RGBQUAD* palette);

    // The row length of the bitmap layout: width x bpp / 8, one more byte for
    // a part-filled byte of 1-bit rows, rounded up to a multiple of 4.
    static std::int64_t BytesPerLine(std::int64_t width, int bpp);
    // Entries of the palette of a depth: 2^bpp up to 8 bits per pixel, else 0.
    static int PaletteEntries(int bpp) { return bpp <= 8 ? 1 << bpp : 0; }

protected:
    virtual void InternalCreate(int width, int height, int bpp, bool alpha) = 0;
    virtual void FreeMembers() = 0;
    virtual void InitLineArray() = 0;
    // Stores the size, builds the row pointers and gives a palette the grey
    // ramp: entry i = i x (255 / (n - 1)).
    void InitLocals(int width, int height, int bpp, bool alpha);

    int m_width = 0;
    int m_height = 0;
    int m_bpp = 0;
    RGBQUAD* m_palette = nullptr;
    bool m_alpha = false;
    std::vector<BYTE*> m_lines;
    int m_lockCount = 0;
};

class CPackedDIBBitmap : public CImageBitmap {
public:
    // Starts as a 16 x 16 bitmap of 8 bits per pixel.
    CPackedDIBBitmap();

    std::size_t GetMemUsed() const override;
    // The header that starts the block.
    const BITMAPINFOHEADER& GetHeader() const;
    // The pixel rows, bottom row first.
    const BYTE* GetBits() const { return m_bits; }

protected:
    void InternalCreate(int width, int height, int bpp, bool alpha) override;
    void FreeMembers() override;
    // Row i is memory row height - 1 - i: the rows are stored bottom-up.
    void InitLineArray() override;
    // Writes the header and palette part of the block (and, with pixels,
    // room for them behind it); sets the palette and pixel pointers.
    void AllocateBlock(int width, int height, int bpp, bool withPixels);

    std::vector<BYTE> m_block;
    BYTE* m_bits = nullptr;
};

class CDIBSectionBitmap : public CPackedDIBBitmap {
public:
    // Replaces the packed 16 x 16 bitmap of its base with a section.
    CDIBSectionBitmap();

    std::size_t GetMemUsed() const override;
    // The pixels as an image of the matching format: mono, indexed or 32-bit.
    // Rows are top-down; the colour table is not filled in.
    const QImage& GetSection() const { return m_section; }

protected:
    void InternalCreate(int width, int height, int bpp, bool alpha) override;
    void FreeMembers() override;
    // The section's rows are top-down.
    void InitLineArray() override;

    QImage m_section;
};

class CDrawDibBitmap : public CDIBSectionBitmap {
public:
    // Stretch modes of the StretchBlt path.
    static constexpr int kStretchColorOnColor = 3;
    static constexpr int kStretchHalftone = 4;

    // Draws the source rectangle of the bitmap (null: all of it) into the
    // destination rectangle (null: the source rectangle), with `palette`
    // (null: the bitmap's own) for an indexed bitmap. Mode below 0 draws as
    // the DIB drawing library does: halftoned (smoothly) when `foreground` is
    // false, else pixel for pixel; mode 0 or more is a stretched copy that is
    // smooth only in halftone mode. The alpha byte is not drawn. Returns
    // whether the painter was active.
    bool StretchDraw(QPainter& painter, const QRect* destination, const QRect* source,
                     const QVector<QRgb>* palette, bool foreground, int mode) const;
    // The picture as an image with its colour table, alpha ignored.
    QImage ToImage(const QVector<QRgb>* palette = nullptr) const;
};
