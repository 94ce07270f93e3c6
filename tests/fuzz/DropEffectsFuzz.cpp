// Reads arbitrary bytes as a "Shell IDList Array" from a drop and asks the
// effects its items allow.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/shell/ShellHelper.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CShellHelper helper;
    const std::vector<std::uint8_t> array(data, data + size);
    helper.GetDataObjectDropEffects(&array);
    return 0;
}
