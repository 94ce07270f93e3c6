#pragma once
// A folder's listing: the bytes of all its items in one buffer, in listing
// order, handed out one new list at a time. Building a listing allocates only
// as the buffer grows; the only allocation per item is the list that Next
// hands to the caller.

#include <string>
#include <vector>

#include "platform/shell/ShellItem.h"

namespace zb {

class CItemListBuilder {
public:
    // Adds one item; false when the name does not fit into an item.
    bool Add(ItemKind kind, BYTE detail, std::string_view name);
    std::size_t Count() const { return m_offsets.size(); }
    // Sorts the items from index `first` on by CompareShellItems.
    void SortFrom(std::size_t first);
    // The decoded item at `index`.
    ShellItem At(std::size_t index) const;
    // Whether an entry of this name is listed.
    bool HasEntry(std::string_view name) const;

private:
    friend class CIdListEnum;
    std::string m_bytes;
    std::vector<std::size_t> m_offsets;
};

class CIdListEnum final : public IEnumIDList {
public:
    explicit CIdListEnum(CItemListBuilder&& items) : m_items(std::move(items)) {}

    HRESULT Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;

private:
    CItemListBuilder m_items;
    std::size_t m_next = 0;
};

}  // namespace zb
