#pragma once
// Plays the records of an enhanced metafile onto a metafile canvas.

#include <QRectF>
#include <QSize>

#include <cstddef>
#include <vector>

#include "ThumbGenerator/MetafileCanvas.h"
#include "platform/Bitmap.h"

class CImageSource;

// What the header record of an enhanced metafile says.
struct EmfHeader {
    QRectF bounds;      // device units (left, top, right, bottom as given)
    QRectF frame;       // 0.01 mm
    QSize device;       // reference device in pixels
    QSize millimetres;  // reference device in millimetres
    std::size_t handles = 0;
    std::size_t paletteEntries = 0;
};

class CEmfPlayer {
public:
    // Largest number of records played.
    static constexpr std::size_t kMaxRecords = 1000000;

    // Reads the header; false when the data is not an enhanced metafile.
    static bool ReadHeader(const BYTE* data, std::size_t size, EmfHeader& header);
    // The palette stored with the end record (empty when there is none).
    static std::vector<RGBQUAD> ReadPalette(const BYTE* data, std::size_t size);

    // `data` must hold a valid header. `source` bounds the time.
    CEmfPlayer(const BYTE* data, std::size_t size, const CImageSource& source)
        : m_data(data), m_size(size), m_source(source) {}

    // Plays every record; false at a record whose size is not usable (what
    // was drawn before it stays).
    bool Play(CMetafileCanvas& canvas);

private:
    void PlayRecord(std::uint32_t type, const class CMetafileRecord& record,
                    CMetafileCanvas& canvas);

    const BYTE* m_data;
    std::size_t m_size;
    const CImageSource& m_source;
};
