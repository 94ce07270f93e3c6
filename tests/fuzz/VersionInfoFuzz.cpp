// Reads arbitrary bytes as a PE image's version resource and queries it the
// way the version columns do.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/LanguageName.h"
#include "platform/VersionInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zb::MemorySource source(zb::ByteSpan(data, size));
    zb::VersionInfo info;
    if (!info.Read(source)) {
        return 0;
    }
    VS_FIXEDFILEINFO fixed;
    info.FixedInfo(fixed);
    std::string text;
    for (const std::uint32_t translation : info.Translations()) {
        char key[64];
        std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\FileVersion",
                      translation & 0xFFFF, translation >> 16);
        info.QueryString(key, text);
        zb::VerLanguageName(static_cast<std::uint16_t>(translation & 0xFFFF));
    }
    info.QueryString("\\StringFileInfo", text);
    return 0;
}
