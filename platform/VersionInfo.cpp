#include "platform/VersionInfo.h"

#include <algorithm>

#include "platform/PeImage.h"
#include "platform/TextCase.h"
#include "platform/TextCodec.h"

namespace zb {

namespace {

constexpr std::uint32_t kVersionResourceType = 16;
constexpr std::uint32_t kVersionResourceName = 1;
constexpr int kMaxDepth = 4;  // version info, string file info, string table, string
constexpr std::size_t kNodeHeaderSize = 6;

std::size_t AlignUp4(std::size_t value) {
    return (value + 3) & ~std::size_t{3};
}

// Parses the node at `offset` of `block`, which ends by `limit`; false when
// its header does not fit. Children that do not fit end the child list.
bool ParseNode(ByteSpan block, std::size_t offset, std::size_t limit, int depth,
               VersionNode& node) {
    if (offset > limit || limit - offset < kNodeHeaderSize) {
        return false;
    }
    const std::uint16_t length = LoadLe16(&block[offset]);
    const std::uint16_t valueLength = LoadLe16(&block[offset + 2]);
    node.type = LoadLe16(&block[offset + 4]);
    if (length < kNodeHeaderSize || length > limit - offset) {
        return false;
    }
    const std::size_t end = offset + length;
    std::size_t position = offset + kNodeHeaderSize;
    std::size_t keyEnd = position;
    while (keyEnd + 2 <= end && LoadLe16(&block[keyEnd]) != 0) {
        keyEnd += 2;
    }
    node.key = Utf16LeToUtf8(block.subspan(position, keyEnd - position));
    position = std::min(AlignUp4(keyEnd + 2), end);
    // A text value counts characters; some writers count its bytes instead,
    // so the value never reaches past its node.
    const std::size_t valueBytes = node.type == 1 ? std::size_t{valueLength} * 2 : valueLength;
    node.value = block.subspan(position, std::min(valueBytes, end - position));
    position = std::min(AlignUp4(position + node.value.size()), end);
    if (depth >= kMaxDepth) {
        return true;
    }
    // Each child advances by at least its header, so the list ends.
    while (position < end) {
        VersionNode child;
        if (!ParseNode(block, position, end, depth + 1, child)) {
            break;
        }
        const std::size_t childLength = LoadLe16(&block[position]);
        node.children.push_back(std::move(child));
        position = AlignUp4(position + childLength);
    }
    return true;
}

bool KeysEqual(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace

bool VersionInfo::Read(const std::string& path) {
    FileSource source;
    if (!source.Open(path)) {
        m_block.clear();
        m_root = VersionNode();
        return false;
    }
    return Read(source);
}

bool VersionInfo::Read(ByteSource& source) {
    m_block.clear();
    m_root = VersionNode();
    PeImage image;
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    if (!image.Open(source) ||
        !image.FindResource(kVersionResourceType, kVersionResourceName, offset, size) ||
        size > kMaxBlockSize || !source.ReadAt(offset, size, m_block) ||
        !ParseNode(m_block, 0, m_block.size(), 1, m_root)) {
        m_block.clear();
        m_root = VersionNode();
        return false;
    }
    return true;
}

const VersionNode* VersionInfo::Query(std::string_view path) const {
    if (m_block.empty()) {
        return nullptr;
    }
    const VersionNode* node = &m_root;
    while (!path.empty()) {
        const std::size_t start = path.find_first_not_of('\\');
        if (start == std::string_view::npos) {
            break;
        }
        path.remove_prefix(start);
        const std::string_view key = path.substr(0, path.find('\\'));
        path.remove_prefix(key.size());
        const auto found =
            std::find_if(node->children.begin(), node->children.end(),
                         [&](const VersionNode& child) { return KeysEqual(child.key, key); });
        if (found == node->children.end()) {
            return nullptr;
        }
        node = &*found;
    }
    return node;
}

bool VersionInfo::FixedInfo(VS_FIXEDFILEINFO& info) const {
    ByteReader value(m_root.value);
    std::uint32_t* fields[] = {
        &info.dwSignature,     &info.dwStrucVersion,     &info.dwFileVersionMS,
        &info.dwFileVersionLS, &info.dwProductVersionMS, &info.dwProductVersionLS,
        &info.dwFileFlagsMask, &info.dwFileFlags,        &info.dwFileOS,
        &info.dwFileType,      &info.dwFileSubtype,      &info.dwFileDateMS,
        &info.dwFileDateLS,
    };
    for (std::uint32_t* field : fields) {
        *field = value.U32Le();
    }
    if (!value.Ok() || info.dwSignature != kFixedInfoSignature) {
        info = VS_FIXEDFILEINFO();
        return false;
    }
    return true;
}

std::vector<std::uint32_t> VersionInfo::Translations() const {
    std::vector<std::uint32_t> translations;
    if (const VersionNode* node = Query("\\VarFileInfo\\Translation")) {
        ByteReader value(node->value);
        while (value.Remaining() >= 4) {
            translations.push_back(value.U32Le());
        }
    }
    return translations;
}

bool VersionInfo::QueryString(std::string_view path, std::string& text) const {
    const VersionNode* node = Query(path);
    if (node == nullptr) {
        return false;
    }
    text = std::string(UntilNul(Utf16LeToUtf8(node->value)));
    return true;
}

}  // namespace zb
