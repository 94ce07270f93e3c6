#include "support/LnkWriter.h"

namespace zbtest {

namespace {

Bytes Item(const Bytes& body) {
    Bytes item;
    item.reserve(body.size() + 2);
    PutLe16(item, static_cast<std::uint32_t>(body.size() + 2));
    PutBytes(item, body);
    return item;
}

void PutText(Bytes& out, const std::string& text, bool unicode) {
    PutLe16(out, static_cast<std::uint32_t>(text.size()));
    PutBytes(out, unicode ? Utf16Le(text) : ToBytes(text));
}

Bytes LinkInfo(const LnkSpec& spec) {
    const bool local = !spec.localBasePath.empty();
    const bool network = !spec.netName.empty();
    const std::uint32_t headerSize = spec.unicodeLinkInfo ? 0x24 : 0x1C;
    Bytes info(headerSize, 0);
    SetLe32(info, 4, headerSize);
    SetLe32(info, 8, (local ? 1 : 0) | (network ? 2 : 0));
    if (local) {
        SetLe32(info, 12, static_cast<std::uint32_t>(info.size()));
        PutLe32(info, 0x11);  // volume id: size, drive type 3, serial, label offset
        PutLe32(info, 3);
        PutLe32(info, 0x1234);
        PutLe32(info, 0x10);
        info.push_back(0);
        SetLe32(info, 16, static_cast<std::uint32_t>(info.size()));
        PutBytes(info, spec.localBasePath);
        info.push_back(0);
    }
    if (network) {
        SetLe32(info, 20, static_cast<std::uint32_t>(info.size()));
        Bytes link(0x14, 0);
        SetLe32(link, 4, 2);
        SetLe32(link, 8, 0x14);
        PutBytes(link, spec.netName);
        link.push_back(0);
        SetLe32(link, 0, static_cast<std::uint32_t>(link.size()));
        PutBytes(info, link);
    }
    SetLe32(info, 24, static_cast<std::uint32_t>(info.size()));
    PutBytes(info, spec.suffix);
    info.push_back(0);
    if (spec.unicodeLinkInfo) {
        if (local) {
            SetLe32(info, 28, static_cast<std::uint32_t>(info.size()));
            PutBytes(info, Utf16Le(spec.localBasePath));
            PutLe16(info, 0);
        }
        SetLe32(info, 32, static_cast<std::uint32_t>(info.size()));
        PutBytes(info, Utf16Le(spec.suffix));
        PutLe16(info, 0);
    }
    SetLe32(info, 0, static_cast<std::uint32_t>(info.size()));
    return info;
}

}  // namespace

Bytes ComputerItem() {
    return RootItem({0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B,
                     0x30, 0x30, 0x9D});
}

Bytes RootItem(const Bytes& clsid) {
    Bytes body{0x1F, 0x50};
    PutBytes(body, clsid);
    return Item(body);
}

Bytes DriveItem(const std::string& drive) {
    Bytes body{0x2F};
    PutBytes(body, drive);
    body.resize(23, 0);
    return Item(body);
}

Bytes FileItem(const std::string& shortName, const std::string& longName, bool folder) {
    Bytes body{static_cast<std::uint8_t>(folder ? 0x31 : 0x32), 0};
    PutLe32(body, 0);           // size
    PutLe32(body, 0x5A215A21);  // DOS date and time
    PutLe16(body, folder ? 0x10 : 0x20);
    PutBytes(body, shortName);
    body.push_back(0);
    PadTo(body, 2);  // counted with the size field: the body starts at offset 2
    const std::size_t block = body.size() + 2;
    Bytes extension;
    PutLe16(extension, 0);
    PutLe16(extension, 9);
    PutLe32(extension, 0xBEEF0004);
    extension.resize(46, 0);
    PutBytes(extension, Utf16Le(longName));
    PutLe16(extension, 0);
    PutLe16(extension, 0);  // localized name size
    PutLe16(extension, 0x2E);
    SetLe16(extension, 0, static_cast<std::uint32_t>(extension.size()));
    PutBytes(body, extension);
    PutLe16(body, static_cast<std::uint32_t>(block));
    return Item(body);
}

Bytes WriteShellLink(const LnkSpec& spec) {
    std::uint32_t flags = spec.unicode ? 0x80 : 0;
    flags |= spec.items.empty() ? 0 : 0x01;
    flags |= spec.linkInfo ? 0x02 : 0;
    const std::pair<std::uint32_t, const std::string*> strings[] = {
        {0x04, &spec.name},      {0x08, &spec.relativePath}, {0x10, &spec.workingDirectory},
        {0x20, &spec.arguments}, {0x40, &spec.iconLocation},
    };
    for (const auto& [flag, text] : strings) {
        flags |= text->empty() ? 0 : flag;
    }
    Bytes link;
    PutLe32(link, 0x4C);
    PutBytes(link, Bytes{0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46});
    PutLe32(link, flags);
    PutLe32(link, spec.attributes);
    link.resize(0x34, 0);  // times
    PutLe32(link, 1234);   // file size
    PutLe32(link, 0);      // icon index
    PutLe32(link, spec.showCommand);
    PutLe16(link, spec.hotKey);
    link.resize(0x4C, 0);
    if (!spec.items.empty()) {
        Bytes list;
        for (const Bytes& item : spec.items) {
            PutBytes(list, item);
        }
        PutLe16(list, 0);
        PutLe16(link, static_cast<std::uint32_t>(list.size()));
        PutBytes(link, list);
    }
    if (spec.linkInfo) {
        PutBytes(link, LinkInfo(spec));
    }
    for (const auto& [flag, text] : strings) {
        if (!text->empty()) {
            PutText(link, *text, spec.unicode);
        }
    }
    PutLe32(link, 0);  // no extra data
    return link;
}

}  // namespace zbtest
