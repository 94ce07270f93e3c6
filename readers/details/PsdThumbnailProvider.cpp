#include "readers/details/PsdThumbnailProvider.h"

#include "readers/details/DibStretch.h"
#include "readers/details/PsdImage.h"

BOOL CPsdThumbnailProvider::InitExtensions() {
    m_arrExtensions = {"psd"};
    return TRUE;
}

BOOL CPsdThumbnailProvider::MakeThumbnail(const CProviderItem& item, CBitmap* bitmap,
                                          SIZE maxSize) {
    *bitmap = CBitmap();
    CImageRequest request;
    if (!item.GetDiskFilePath(&request.m_sName))
        return FALSE;
    request.m_nStage = IMAGE_STAGE_IDENTIFY;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    PsdIdentify(&request);
    if (request.m_nStage == IMAGE_STAGE_IDENTIFIED) {
        request.m_nStatus = IMAGE_STATUS_PENDING;
        PsdReadInfo(&request);
    }
    if (request.m_nStage != IMAGE_STAGE_INFO_READ || !request.AllocatePixelBlock())
        return FALSE;

    zb::FileSource file;
    request.m_nStatus = IMAGE_STATUS_PENDING;
    if (!file.Open(request.m_sName) || PsdDecodeImage(file, &request) != IMAGE_STATUS_DONE)
        return FALSE;
    SIZE fitted{};
    if (!FitThumbnailSize(
            maxSize,
            SIZE{static_cast<LONG>(request.m_nWidth), static_cast<LONG>(request.m_nHeight)},
            &fitted))
        return FALSE;
    const CDibPicture picture{request.m_Pixels.data(), request.m_Header.biWidth,
                              request.m_Header.biHeight, request.RowStride()};
    return StretchDibToBitmap(picture, fitted, bitmap);
}
