// Reads arbitrary bytes as a shell shortcut and asks for its target.
#include <cstddef>
#include <cstdint>

#include "platform/ShellLink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zb::ShellLink link;
    if (link.Load(zb::ByteSpan(data, size))) {
        link.TargetPath();
        link.IdListPath();
    }
    return 0;
}
