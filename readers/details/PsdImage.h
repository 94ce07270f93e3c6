#pragma once
// Photoshop documents: the 26-byte file header, and the decoding of the
// merged composite image that follows the file's sections, in three stages
// on one request record: identify, read the information, decode.
//
// All numbers in the file are big-endian. The decoding reads only the rows
// and channels it needs, at positions checked against the file, into a
// 24-bit bottom-up pixel block of at most kPsdPixelBudget pixels: a larger
// image is sampled at every n-th row and column.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/ByteReader.h"
#include "platform/ByteSource.h"
#include "platform/WinTypes.h"

constexpr std::size_t kPsdHeaderSize = 26;
constexpr std::uint32_t kPsdMaxSide = 30000;
constexpr std::uint16_t kPsdMaxChannels = 24;
constexpr std::int64_t kPsdPixelBudget = 16 * 1024 * 1024;

// Colour modes.
constexpr std::uint16_t PSD_MODE_BITMAP = 0;
constexpr std::uint16_t PSD_MODE_GRAYSCALE = 1;
constexpr std::uint16_t PSD_MODE_INDEXED = 2;
constexpr std::uint16_t PSD_MODE_RGB = 3;
constexpr std::uint16_t PSD_MODE_CMYK = 4;
constexpr std::uint16_t PSD_MODE_MULTICHANNEL = 7;
constexpr std::uint16_t PSD_MODE_DUOTONE = 8;
constexpr std::uint16_t PSD_MODE_LAB = 9;

struct PsdHeader {
    std::uint32_t signature = 0;  // "8BPS"
    std::uint16_t version = 0;    // 1
    std::uint16_t channels = 0;
    std::uint32_t height = 0;
    std::uint32_t width = 0;
    std::uint16_t depth = 0;  // bits per channel
    std::uint16_t mode = 0;
};

// The header at the start of `bytes`; FALSE when fewer than 26 bytes.
BOOL ParsePsdHeader(zb::ByteSpan bytes, PsdHeader* header);
// The signature is "8BPS" and the version 1.
BOOL IsPsdSignature(const PsdHeader& header);
// 0 when `depth` suits colour mode `mode`, 2 for a depth the mode does not
// take, 1 for an unknown mode.
int PsdCheckModeDepth(std::uint16_t mode, std::uint16_t depth);
// The signature, the version, 1 to 24 channels, 1 to 30,000 pixels a side and
// PsdCheckModeDepth all pass.
BOOL IsSupportedPsdHeader(const PsdHeader& header);

// Request statuses.
constexpr int IMAGE_STATUS_DONE = 0;
constexpr int IMAGE_STATUS_READ_FAILED = 1;
constexpr int IMAGE_STATUS_NO_MEMORY = 2;
constexpr int IMAGE_STATUS_UNSUPPORTED = 3;
constexpr int IMAGE_STATUS_MISSING = 4;
constexpr int IMAGE_STATUS_PENDING = 8;
// Request stages.
constexpr int IMAGE_STAGE_IDENTIFY = 1;
constexpr int IMAGE_STAGE_IDENTIFIED = 2;
constexpr int IMAGE_STAGE_INFO_READ = 3;
constexpr int IMAGE_STAGE_DECODED = 4;
// Image type code of a Photoshop document.
constexpr int IMAGE_TYPE_PSD = 13;
// Compression kinds.
constexpr int IMAGE_COMPRESSION_RUN_LENGTH = 1;
constexpr int IMAGE_COMPRESSION_NONE = 3;

// One decoding job.
struct CImageRequest {
    int m_nStatus = 0;
    BOOL m_bIdentified = FALSE;
    std::string m_sName;  // the file's path
    BOOL m_bInfoRead = FALSE;
    int m_nImageType = 0;
    std::uint64_t m_nFileLength = 0;
    std::uint32_t m_nWidth = 0;
    std::uint32_t m_nHeight = 0;
    std::uint16_t m_nDepth = 0;
    int m_nCompression = 0;
    SYSTEMTIME m_FileTime;  // local time of the last change
    int m_nStage = 0;

    // The pixel block: 24 bits a pixel, blue-green-red, rows bottom-up,
    // each rounded up to 4 bytes. m_Header gives its size; image row r is
    // decoded into the block row m_RowTable[r] points at, from image row
    // r * m_nSampleStep (and every m_nSampleStep-th column).
    BITMAPINFOHEADER m_Header;
    std::uint32_t m_nSampleStep = 1;
    std::vector<std::uint8_t> m_Pixels;
    std::vector<std::uint8_t*> m_RowTable;

    // Makes the pixel block (zero-filled) for the image's size within the
    // pixel budget; FALSE, with status IMAGE_STATUS_NO_MEMORY, when memory
    // runs out.
    BOOL AllocatePixelBlock();
    std::size_t RowStride() const;
};

// Stage 1, run when the status is pending, the stage 1, the request not yet
// identified and a name set: reads the header and, when every test passes,
// marks the request identified and moves it to stage 2. A missing file gives
// status 4, one that cannot be read status 1.
void PsdIdentify(CImageRequest* request);
void PsdIdentify(zb::ByteSource& file, CImageRequest* request);
// Stage 2, run when the status is pending and the stage 2: reads the size
// and depth, walks past the three sections to the compression word and
// takes the file's time; stage 3 and status 0, or status 1.
void PsdReadInfo(CImageRequest* request);
void PsdReadInfo(zb::ByteSource& file, CImageRequest* request);
// Decodes the composite image into the request's pixel block: 0, or the
// failing status (1 damaged or short data, 2 out of memory, 3 a mode, depth
// or compression it cannot decode).
int PsdDecodeImage(zb::ByteSource& file, CImageRequest* request);
