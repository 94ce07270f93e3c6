#include "readers/archives/ZipEntryName.h"

#include <zlib.h>

#include "platform/ByteReader.h"
#include "platform/TextCodec.h"

namespace {

constexpr unsigned kUnicodePathExtra = 0x7075;

}  // namespace

std::string DecodeZipEntryName(std::string_view raw, bool utf8Flag, std::string_view extra) {
    if (utf8Flag) {
        return std::string(raw);
    }
    // Info-ZIP Unicode Path: version 1, CRC-32 of the stored name, the UTF-8
    // name. A checksum that does not match means the stored name was changed
    // by a tool that did not know the field, so the field is stale.
    std::string unicode;
    ForEachZipExtraRecord(extra, [&](unsigned id, std::string_view data) {
        if (id != kUnicodePathExtra || data.size() < 5 || data[0] != 1) {
            return true;
        }
        const std::uint32_t crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(raw.data()), static_cast<uInt>(raw.size())));
        const std::string_view name = data.substr(5);
        if (zb::LoadLe32(reinterpret_cast<const std::uint8_t*>(data.data()) + 1) == crc &&
            zb::IsValidUtf8(name)) {
            unicode.assign(name);
        }
        return false;
    });
    if (!unicode.empty()) {
        return unicode;
    }
    return zb::Cp437ToUtf8(raw);
}
