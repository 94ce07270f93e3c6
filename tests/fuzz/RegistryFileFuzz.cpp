// Parses arbitrary text as a settings file and writes back what it read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    zb::RegTree tree;
    std::string error;
    if (zb::ParseRegFile(text, tree, error)) {
        zb::RegTree again;
        zb::ParseRegFile(zb::FormatRegFile(tree), again, error);
    }
    return 0;
}
