// Reads arbitrary bytes as the summary information stream of a compound
// document, as the summary columns do: the properties they want, their texts
// decoded by each section's code page, the numbers, and every column's text.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "readers/details/OleSummaryInfoProvider.h"
#include "readers/details/OleSummaryReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    COleSummaryReader reader;
    if (!reader.OpenStream(std::vector<std::uint8_t>(data, data + size)))
        return 0;
    COleSummaryInfoProvider provider;
    if (provider.LoadSummary(reader)) {
        COLUMNINFO column{};
        for (int i = 0; provider.GetColumnByIndex(i, &column); ++i) {
            COLUMNVALUE value;
            if (provider.GetValue(column.nId, &value))
                FormatColumnValue(value, column);
        }
    }
    return 0;
}
