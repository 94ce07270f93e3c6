#include "readers/details/ImageColumns.h"

BOOL GetImageColumnValue(int id, const CImageValues& values, COLUMNVALUE* value) {
    switch (id) {
        case kImageWidthColumn:
            value->SetInt32(values.width);
            return TRUE;
        case kImageHeightColumn:
            value->SetInt32(values.height);
            return TRUE;
        case kImageDepthColumn:
            value->SetInt32(values.depth);
            return TRUE;
        case kImageWidthCmColumn:
            if (!values.hasPrintSize)
                return FALSE;
            value->SetFloat(values.widthCm);
            return TRUE;
        case kImageHeightCmColumn:
            if (!values.hasPrintSize)
                return FALSE;
            value->SetFloat(values.heightCm);
            return TRUE;
        default:
            return FALSE;
    }
}
