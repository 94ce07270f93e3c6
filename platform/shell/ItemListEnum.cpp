#include "platform/shell/ItemListEnum.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextCase.h"

namespace zb {

namespace {

ShellItem ItemAt(const std::string& bytes, std::size_t offset) {
    WORD cb;
    std::memcpy(&cb, bytes.data() + offset, sizeof cb);
    ShellItem item;
    item.kind = static_cast<ItemKind>(bytes[offset + 2]);
    item.detail = static_cast<BYTE>(bytes[offset + 3]);
    item.name = std::string_view(bytes).substr(offset + kItemHeaderBytes, cb - kItemHeaderBytes);
    return item;
}

}  // namespace

bool CItemListBuilder::Add(ItemKind kind, BYTE detail, std::string_view name) {
    const std::size_t offset = m_bytes.size();
    if (!AppendItemBytes(m_bytes, kind, detail, name))
        return false;
    m_offsets.push_back(offset);
    return true;
}

ShellItem CItemListBuilder::At(std::size_t index) const {
    return ItemAt(m_bytes, m_offsets[index]);
}

bool CItemListBuilder::HasEntry(std::string_view name) const {
    return std::any_of(m_offsets.begin(), m_offsets.end(), [&](std::size_t offset) {
        const ShellItem item = ItemAt(m_bytes, offset);
        return item.kind == ItemKind::Entry && item.name == name;
    });
}

void CItemListBuilder::SortFrom(std::size_t first) {
    if (first >= m_offsets.size())
        return;
    // Entries whose names are plain ASCII (nearly all) are ordered by their
    // names with 'A'..'Z' lowered, compared as bytes, then by the names
    // themselves: CompareShellItems' order, without decoding and folding
    // each name again at every comparison. Other items take the full
    // comparison.
    struct SortKey {
        std::size_t offset;
        std::size_t start;  // of the folded name; npos: compare in full
        std::size_t length;
    };
    const auto begin = m_offsets.begin() + static_cast<std::ptrdiff_t>(first);
    std::vector<SortKey> keys;
    keys.reserve(static_cast<std::size_t>(m_offsets.end() - begin));
    std::string folded;
    for (auto it = begin; it != m_offsets.end(); ++it) {
        const ShellItem item = ItemAt(m_bytes, *it);
        const bool ascii = item.kind == ItemKind::Entry &&
                           std::none_of(item.name.begin(), item.name.end(), [](char c) {
                               return static_cast<unsigned char>(c) >= 0x80;
                           });
        if (!ascii) {
            keys.push_back({*it, std::string::npos, 0});
            continue;
        }
        keys.push_back({*it, folded.size(), item.name.size()});
        for (const char c : item.name)
            folded += AsciiLower(c);
    }
    const std::string_view names(folded);
    const std::string_view bytes(m_bytes);
    std::sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
        if (a.start == std::string::npos || b.start == std::string::npos)
            return CompareShellItems(ItemAt(m_bytes, a.offset), ItemAt(m_bytes, b.offset)) < 0;
        const int byFolded =
            names.substr(a.start, a.length).compare(names.substr(b.start, b.length));
        if (byFolded != 0)
            return byFolded < 0;
        return bytes.substr(a.offset + kItemHeaderBytes, a.length) <
               bytes.substr(b.offset + kItemHeaderBytes, b.length);
    });
    for (std::size_t i = 0; i < keys.size(); ++i)
        m_offsets[first + i] = keys[i].offset;
}

HRESULT CIdListEnum::Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) {
    if (fetched)
        *fetched = 0;
    if (!items && count > 0)
        return E_POINTER;
    ULONG done = 0;
    while (done < count && m_next < m_items.Count()) {
        const ShellItem item = m_items.At(m_next);
        LPITEMIDLIST list = MakeItemList(item.kind, item.detail, item.name);
        if (!list) {
            for (ULONG i = 0; i < done; ++i) {
                ILFree(items[i]);
                items[i] = nullptr;
            }
            m_next -= done;
            return E_OUTOFMEMORY;
        }
        items[done++] = list;
        ++m_next;
    }
    if (fetched)
        *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT CIdListEnum::Skip(ULONG count) {
    const std::size_t left = m_items.Count() - m_next;
    if (count > left) {
        m_next = m_items.Count();
        return S_FALSE;
    }
    m_next += count;
    return S_OK;
}

HRESULT CIdListEnum::Reset() {
    m_next = 0;
    return S_OK;
}

}  // namespace zb
