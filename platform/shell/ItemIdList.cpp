#include "platform/shell/ItemIdList.h"

#include <cstring>

#include "platform/shell/ShellMalloc.h"

namespace {

WORD ReadCount(const void* at) {
    WORD cb;
    std::memcpy(&cb, at, sizeof cb);
    return cb;
}

const BYTE* Bytes(LPCITEMIDLIST list) {
    return reinterpret_cast<const BYTE*>(list);
}

// Bytes of the items of `list` without the terminator; false when too long.
bool ItemBytes(LPCITEMIDLIST list, std::size_t* bytes) {
    std::size_t total = 0;
    for (LPCITEMIDLIST item = list; !ILIsEmpty(item); item = ILNext(item)) {
        total += ILItemSize(item);
        if (total + sizeof(WORD) > kMaxIdListBytes)
            return false;
    }
    *bytes = total;
    return true;
}

// A new list of `a` bytes of `first` followed by `b` bytes of `second`.
LPITEMIDLIST Join(const void* first, std::size_t a, const void* second, std::size_t b) {
    if (a + b + sizeof(WORD) > kMaxIdListBytes)
        return nullptr;
    LPITEMIDLIST out = ILAlloc(a + b + sizeof(WORD));
    if (!out)
        return nullptr;
    auto* bytes = reinterpret_cast<BYTE*>(out);
    if (a)
        std::memcpy(bytes, first, a);
    if (b)
        std::memcpy(bytes + a, second, b);
    return out;
}

}  // namespace

WORD ILItemSize(LPCITEMIDLIST item) {
    return item ? ReadCount(item) : 0;
}

bool ILIsEmpty(LPCITEMIDLIST list) {
    return ILItemSize(list) < 2;
}

LPCITEMIDLIST ILNext(LPCITEMIDLIST item) {
    if (ILIsEmpty(item))
        return nullptr;
    return reinterpret_cast<LPCITEMIDLIST>(Bytes(item) + ILItemSize(item));
}

LPITEMIDLIST ILNext(LPITEMIDLIST item) {
    return const_cast<LPITEMIDLIST>(ILNext(static_cast<LPCITEMIDLIST>(item)));
}

std::size_t ILGetSize(LPCITEMIDLIST list) {
    std::size_t bytes = 0;
    if (!list || !ItemBytes(list, &bytes))
        return 0;
    return bytes + sizeof(WORD);
}

std::size_t ILGetCount(LPCITEMIDLIST list) {
    std::size_t count = 0;
    std::size_t bytes = 0;
    for (LPCITEMIDLIST item = list; !ILIsEmpty(item); item = ILNext(item)) {
        bytes += ILItemSize(item);
        if (bytes + sizeof(WORD) > kMaxIdListBytes)
            break;
        ++count;
    }
    return count;
}

LPCITEMIDLIST ILFindLast(LPCITEMIDLIST list) {
    LPCITEMIDLIST last = nullptr;
    std::size_t bytes = 0;
    for (LPCITEMIDLIST item = list; !ILIsEmpty(item); item = ILNext(item)) {
        bytes += ILItemSize(item);
        if (bytes + sizeof(WORD) > kMaxIdListBytes)
            break;
        last = item;
    }
    return last;
}

LPITEMIDLIST ILAlloc(std::size_t bytes) {
    if (bytes < sizeof(WORD))
        bytes = sizeof(WORD);
    void* block = ShellAllocator().Alloc(bytes);
    if (!block)
        return nullptr;
    std::memset(block, 0, bytes);
    return static_cast<LPITEMIDLIST>(block);
}

LPITEMIDLIST ILClone(LPCITEMIDLIST list) {
    std::size_t bytes = 0;
    if (!list || !ItemBytes(list, &bytes))
        return nullptr;
    return Join(list, bytes, nullptr, 0);
}

LPITEMIDLIST ILCloneFirst(LPCITEMIDLIST list) {
    if (!list)
        return nullptr;
    return Join(list, ILItemSize(ILIsEmpty(list) ? nullptr : list), nullptr, 0);
}

LPITEMIDLIST ILCloneParent(LPCITEMIDLIST list) {
    if (!list)
        return nullptr;
    LPCITEMIDLIST last = ILFindLast(list);
    const std::size_t bytes = last ? static_cast<std::size_t>(Bytes(last) - Bytes(list)) : 0;
    return Join(list, bytes, nullptr, 0);
}

LPITEMIDLIST ILCombine(LPCITEMIDLIST first, LPCITEMIDLIST second) {
    std::size_t a = 0;
    std::size_t b = 0;
    if (!ItemBytes(first, &a) || !ItemBytes(second, &b))
        return nullptr;
    return Join(first, a, second, b);
}

LPITEMIDLIST ILAppendID(LPCITEMIDLIST list, LPCITEMIDLIST item) {
    std::size_t a = 0;
    if (ILIsEmpty(item) || !ItemBytes(list, &a))
        return nullptr;
    return Join(list, a, item, ILItemSize(item));
}

bool ILIsEqual(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    if (!a || !b)
        return a == b;
    std::size_t sizeA = 0;
    std::size_t sizeB = 0;
    if (!ItemBytes(a, &sizeA) || !ItemBytes(b, &sizeB))
        return false;
    return sizeA == sizeB && std::memcmp(a, b, sizeA) == 0;
}

std::size_t ILValidSize(const void* bytes, std::size_t size) {
    if (!bytes)
        return 0;
    const auto* at = static_cast<const BYTE*>(bytes);
    std::size_t pos = 0;
    while (size - pos >= sizeof(WORD)) {
        const WORD cb = ReadCount(at + pos);
        if (cb == 0) {
            pos += sizeof(WORD);
            return pos <= kMaxIdListBytes ? pos : 0;
        }
        if (cb < 2 || cb > size - pos)
            return 0;
        pos += cb;
    }
    return 0;
}

void ILFree(LPITEMIDLIST list) {
    ShellAllocator().Free(list);
}
