// Reads arbitrary bytes as an HTML page: the title between "<title>" and
// "</title>" in its first block, in eight-bit or UTF-16 text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "readers/details/HtmlTitleProvider.h"
#include "readers/details/StreamReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CStreamReader reader(zb::ByteSpan(data, size));
    std::string title;
    ReadHtmlTitle(reader, title);
    return 0;
}
