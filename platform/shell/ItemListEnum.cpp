#include "platform/shell/ItemListEnum.h"

#include <algorithm>
#include <cstring>

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
    std::sort(m_offsets.begin() + static_cast<std::ptrdiff_t>(first), m_offsets.end(),
              [this](std::size_t a, std::size_t b) {
                  return CompareShellItems(ItemAt(m_bytes, a), ItemAt(m_bytes, b)) < 0;
              });
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
