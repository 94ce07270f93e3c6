// Opens arbitrary bytes as a compound file: walks every storage, reads every
// stream and reads the property sets among them; the bytes themselves are
// also read as a property-set stream.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/CompoundFile.h"
#include "platform/PropertySet.h"

namespace {

void ReadPropertySet(zb::ByteSpan stream) {
    zb::PropertySetReader reader;
    if (reader.Open(stream)) {
        reader.ReadProperties([](std::uint32_t id) { return id != 5; },
                              [](const zb::PropertyValue& value) { return value.id != 0x7777; });
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zb::ByteSpan bytes(data, size);
    ReadPropertySet(bytes);
    zb::CompoundFile file;
    if (!file.Open(std::make_unique<zb::MemorySource>(bytes))) {
        return 0;
    }
    std::vector<bool> walked(file.Entries().size(), false);
    std::vector<std::uint32_t> storages = {zb::CompoundFile::kRootEntry};
    std::vector<std::uint8_t> stream;
    while (!storages.empty()) {
        const std::uint32_t storage = storages.back();
        storages.pop_back();
        if (walked[storage]) {
            continue;
        }
        walked[storage] = true;
        for (const std::uint32_t child : file.Children(storage)) {
            if (file.Entries()[child].type == zb::CompoundEntry::kStorage) {
                storages.push_back(child);
            } else if (file.ReadStream(child, 1 << 20, stream)) {
                ReadPropertySet(stream);
            }
        }
    }
    file.ReadRootStream(zb::kSummaryInformationStream, 1 << 20, stream);
    return 0;
}
