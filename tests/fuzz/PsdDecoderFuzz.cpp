// Reads arbitrary bytes as a Photoshop document: identifies it, reads its
// information, decodes its composite image and draws it into a thumbnail.
#include <cstddef>
#include <cstdint>

#include "platform/ByteSource.h"
#include "readers/details/DibStretch.h"
#include "readers/details/PsdImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zb::MemorySource file(zb::ByteSpan(data, size));
    CImageRequest request;
    request.m_nStage = IMAGE_STAGE_IDENTIFY;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    PsdIdentify(file, &request);
    if (request.m_nStage != IMAGE_STAGE_IDENTIFIED)
        return 0;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    PsdReadInfo(file, &request);
    if (request.m_nStage != IMAGE_STAGE_INFO_READ || !request.AllocatePixelBlock() ||
        PsdDecodeImage(file, &request) != IMAGE_STATUS_DONE)
        return 0;
    const CDibPicture picture{request.m_Pixels.data(), request.m_Header.biWidth,
                              request.m_Header.biHeight, request.RowStride()};
    CBitmap bitmap;
    StretchDibToBitmap(picture, SIZE{48, 32}, &bitmap);
    return 0;
}
