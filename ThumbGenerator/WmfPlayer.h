#pragma once
// Plays the records of a Windows metafile onto a metafile canvas. The
// metafile's window is mapped onto the canvas's viewport, which the caller
// sets; the file's own viewport records are not used.

#include <QRectF>

#include <cstddef>
#include <optional>

#include "ThumbGenerator/MetafileCanvas.h"
#include "platform/WinTypes.h"

class CImageSource;

class CWmfPlayer {
public:
    static constexpr std::size_t kMaxRecords = 1000000;
    static constexpr std::size_t kHeaderSize = 18;

    // Whether the data starts with a usable metafile header.
    static bool IsWinMetafile(const BYTE* data, std::size_t size);
    // The window that the first window-origin and window-extent records set,
    // if the file has an extent record.
    static std::optional<QRectF> FindWindow(const BYTE* data, std::size_t size);

    // `data` starts at the metafile header. `source` bounds the time.
    CWmfPlayer(const BYTE* data, std::size_t size, const CImageSource& source)
        : m_data(data), m_size(size), m_source(source) {}

    // Plays every record; false at a record whose size is not usable (what
    // was drawn before it stays).
    bool Play(CMetafileCanvas& canvas);

private:
    void PlayRecord(std::uint16_t function, const class CMetafileRecord& params,
                    CMetafileCanvas& canvas);

    const BYTE* m_data;
    std::size_t m_size;
    const CImageSource& m_source;
};
