// Reads arbitrary bytes as the header of a BMP, GIF, TGA and PCX file, and
// asks each provider for every image column it delivers.
#include <cstddef>
#include <cstdint>

#include "readers/details/BmpInfoProvider.h"
#include "readers/details/GifInfoProvider.h"
#include "readers/details/PcxInfoProvider.h"
#include "readers/details/StreamReader.h"
#include "readers/details/TgaInfoProvider.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CBmpInfoProvider bmp;
    static CGifInfoProvider gif;
    static CTgaInfoProvider tga;
    static CPcxInfoProvider pcx;
    for (CImageHeaderProvider* provider :
         {static_cast<CImageHeaderProvider*>(&bmp), static_cast<CImageHeaderProvider*>(&gif),
          static_cast<CImageHeaderProvider*>(&tga), static_cast<CImageHeaderProvider*>(&pcx)}) {
        CStreamReader reader(zb::ByteSpan(data, size));
        if (!provider->LoadHeader(reader))
            continue;
        for (const int id : {kImageWidthColumn, kImageHeightColumn, kImageDepthColumn,
                             kImageWidthCmColumn, kImageHeightCmColumn}) {
            COLUMNVALUE value;
            if (provider->GetValue(id, &value))
                FormatColumnValue(value, *GetColumnInfo(id));
        }
    }
    return 0;
}
