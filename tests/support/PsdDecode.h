#pragma once
// Runs a Photoshop document held in memory through the decoder's three
// stages (identify, read the information, decode) and draws the composite
// into a thumbnail, as the thumbnail maker does with a file.

#include "platform/ByteSource.h"
#include "readers/details/DibStretch.h"
#include "readers/details/PsdImage.h"
#include "readers/details/ThumbnailProvider.h"

namespace zbtest {

// TRUE with `bitmap` holding the picture fitted into `box`; FALSE when a
// stage refuses the bytes.
inline BOOL DecodePsdBytes(zb::ByteSpan bytes, SIZE box, CBitmap* bitmap) {
    *bitmap = CBitmap();
    zb::MemorySource file(bytes);
    CImageRequest request;
    request.m_nStage = IMAGE_STAGE_IDENTIFY;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    PsdIdentify(file, &request);
    if (request.m_nStage != IMAGE_STAGE_IDENTIFIED)
        return FALSE;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    PsdReadInfo(file, &request);
    if (request.m_nStage != IMAGE_STAGE_INFO_READ || !request.AllocatePixelBlock())
        return FALSE;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    if (PsdDecodeImage(file, &request) != IMAGE_STATUS_DONE)
        return FALSE;
    SIZE fitted{};
    if (!FitThumbnailSize(
            box, SIZE{static_cast<LONG>(request.m_nWidth), static_cast<LONG>(request.m_nHeight)},
            &fitted))
        return FALSE;
    const CDibPicture picture{request.m_Pixels.data(), request.m_Header.biWidth,
                              request.m_Header.biHeight, request.RowStride()};
    return StretchDibToBitmap(picture, fitted, bitmap);
}

}  // namespace zbtest
