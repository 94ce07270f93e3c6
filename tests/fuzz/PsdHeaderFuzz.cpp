// Reads arbitrary bytes as the header of a Photoshop document, as the
// detail columns do, and asks for its width, height and channel count.
#include <cstddef>
#include <cstdint>

#include "readers/details/PsdInfoProvider.h"
#include "readers/details/StreamReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPsdInfoProvider provider;
    CStreamReader reader(zb::ByteSpan(data, size));
    if (provider.LoadHeader(reader)) {
        for (const int id : {301, 302, 103}) {
            COLUMNVALUE value;
            if (provider.GetValue(id, &value))
                FormatColumnValue(value, *GetColumnInfo(id));
        }
    }
    return 0;
}
