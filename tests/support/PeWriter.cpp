#include "support/PeWriter.h"

namespace zbtest {

namespace {

void PutDirectory(Bytes& out, std::uint32_t id, std::uint32_t target) {
    out.resize(out.size() + 12, 0);  // characteristics, time stamp, version
    PutLe16(out, 0);                 // named entries
    PutLe16(out, 1);                 // numbered entries
    PutLe32(out, id);
    PutLe32(out, target);
}

}  // namespace

Bytes WriteVersionNode(const std::string& key, std::uint16_t type, const Bytes& value,
                       std::uint16_t valueLength, const Bytes& children) {
    Bytes node(6, 0);
    PutBytes(node, Utf16Le(key));
    PutLe16(node, 0);
    PadTo(node, 4);
    PutBytes(node, value);
    if (!children.empty()) {
        PadTo(node, 4);
        PutBytes(node, children);
    }
    SetLe16(node, 0, static_cast<std::uint32_t>(node.size()));
    SetLe16(node, 2, valueLength);
    SetLe16(node, 4, type);
    return node;
}

Bytes WriteVersionBlock(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS,
                        const std::vector<VersionStringTable>& tables,
                        const std::vector<std::uint32_t>& translations) {
    Bytes fixed;
    PutLe32(fixed, 0xFEEF04BD);
    PutLe32(fixed, 0x00010000);
    PutLe32(fixed, fileVersionMS);
    PutLe32(fixed, fileVersionLS);
    PutLe32(fixed, fileVersionMS);
    PutLe32(fixed, fileVersionLS);
    fixed.resize(52, 0);

    Bytes tableNodes;
    for (const VersionStringTable& table : tables) {
        Bytes strings;
        for (const auto& [name, value] : table.strings) {
            Bytes text = Utf16Le(value);
            PutLe16(text, 0);
            PadTo(strings, 4);
            PutBytes(strings, WriteVersionNode(name, 1, text,
                                               static_cast<std::uint16_t>(value.size() + 1), {}));
        }
        PadTo(tableNodes, 4);
        PutBytes(tableNodes, WriteVersionNode(table.key, 1, {}, 0, strings));
    }
    Bytes translationValue;
    for (const std::uint32_t translation : translations) {
        PutLe32(translationValue, translation);
    }
    Bytes children = WriteVersionNode("StringFileInfo", 1, {}, 0, tableNodes);
    PadTo(children, 4);
    PutBytes(children,
             WriteVersionNode(
                 "VarFileInfo", 1, {}, 0,
                 WriteVersionNode("Translation", 0, translationValue,
                                  static_cast<std::uint16_t>(translationValue.size()), {})));
    return WriteVersionNode("VS_VERSION_INFO", 0, fixed, 52, children);
}

Bytes WritePeImage(const Bytes& versionBlock, bool pe32Plus, PeLayout* layout) {
    Bytes image(PeLayout::kPeOffset, 0);
    image[0] = 'M';
    image[1] = 'Z';
    SetLe32(image, 0x3C, PeLayout::kPeOffset);
    PutLe32(image, 0x00004550);
    PutLe16(image, pe32Plus ? 0x8664 : 0x14C);
    PutLe16(image, 1);  // sections
    PutLe32(image, 0);
    PutLe32(image, 0);
    PutLe32(image, 0);
    const std::uint32_t optionalSize = pe32Plus ? 240 : 224;
    PutLe16(image, optionalSize);
    PutLe16(image, 0x2102);
    const std::size_t optional = image.size();
    image.resize(optional + optionalSize, 0);
    SetLe16(image, optional, pe32Plus ? 0x20B : 0x10B);
    const std::size_t directories = optional + (pe32Plus ? 112 : 96);
    SetLe32(image, directories - 4, 16);

    Bytes resources;
    PutDirectory(resources, 16, 0x80000000u | 24);    // version resources
    PutDirectory(resources, 1, 0x80000000u | 48);     // name 1
    PutDirectory(resources, 0x0409, 72);              // the first language: a data entry
    PutLe32(resources, PeLayout::kResourceRva + 88);  // data
    PutLe32(resources, static_cast<std::uint32_t>(versionBlock.size()));
    PutLe32(resources, 0);
    PutLe32(resources, 0);
    PutBytes(resources, versionBlock);
    SetLe32(image, directories + 16, PeLayout::kResourceRva);
    SetLe32(image, directories + 20, static_cast<std::uint32_t>(resources.size()));

    const std::size_t table = image.size();
    PutBytes(image, std::string(".rsrc\0\0\0", 8));
    PutLe32(image, static_cast<std::uint32_t>(resources.size()));
    PutLe32(image, PeLayout::kResourceRva);
    PutLe32(image, static_cast<std::uint32_t>(resources.size()));
    PutLe32(image, PeLayout::kResourceOffset);
    image.resize(table + 40, 0);
    image.resize(PeLayout::kResourceOffset, 0);
    PutBytes(image, resources);
    if (layout != nullptr) {
        layout->sectionTable = table;
        layout->dataEntry = PeLayout::kResourceOffset + 72;
        layout->block = PeLayout::kResourceOffset + 88;
    }
    return image;
}

}  // namespace zbtest
