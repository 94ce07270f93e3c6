// Reads arbitrary bytes as a shell shortcut and makes the text of its hot
// key; the first two bytes are also taken as a hot key themselves, so every
// modifier and key code is reached.
#include <cstddef>
#include <cstdint>

#include "platform/ShellLink.h"
#include "readers/details/LnkInfoProvider.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 2)
        GetShortcutHotKeyText(static_cast<WORD>(data[0] | (data[1] << 8)));
    zb::ShellLink link;
    if (link.Load(zb::ByteSpan(data, size)))
        GetShortcutHotKeyText(link.HotKey());
    return 0;
}
