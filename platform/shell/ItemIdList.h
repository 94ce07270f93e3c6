#pragma once
// Arithmetic on item identifier lists: runs of items, each led by a 16-bit
// byte count that includes the count itself, ended by a 16-bit zero. Every
// new list comes from the process's shell allocator (ShellAllocator) and is
// freed with it (ILFree, or PidlPtr).
//
// Bounds: a count below 2 ends a list wherever it stands (0 is the proper
// end; 1 is a malformed item and is treated as the end, so nothing behind it
// is ever read, and copies get a proper terminator there). Counts are read
// bytewise, so lists need no alignment. Lists longer than kMaxIdListBytes are
// refused. Lists that arrive as raw bytes from outside (a clipboard payload,
// a file) are checked with ILValidSize against their byte count first.

#include <cstddef>
#include <memory>

#include "platform/shell/ShellTypes.h"

// The longest list the primitives accept, terminator included.
constexpr std::size_t kMaxIdListBytes = 1u << 20;

// The count of the item at `item` (0 for null).
WORD ILItemSize(LPCITEMIDLIST item);

// True for null, for the terminator and for a malformed item (count 1).
bool ILIsEmpty(LPCITEMIDLIST list);

// The item after `item`; null when `item` is null or already the end.
LPCITEMIDLIST ILNext(LPCITEMIDLIST item);
LPITEMIDLIST ILNext(LPITEMIDLIST item);

// Bytes of the list including its 2-byte terminator; 0 for null and for a
// list longer than kMaxIdListBytes.
std::size_t ILGetSize(LPCITEMIDLIST list);

// Number of items (0 for null or empty).
std::size_t ILGetCount(LPCITEMIDLIST list);

// The last item, or null for a null or empty list.
LPCITEMIDLIST ILFindLast(LPCITEMIDLIST list);

// A zero-filled block of `bytes` (at least 2, so it is an empty list); null
// when allocation fails.
LPITEMIDLIST ILAlloc(std::size_t bytes);

// A copy of the whole list; null for null or when allocation fails.
LPITEMIDLIST ILClone(LPCITEMIDLIST list);

// A one-item list holding the first item (empty list for an empty list).
LPITEMIDLIST ILCloneFirst(LPCITEMIDLIST list);

// All items but the last (empty list for a one-item or empty list).
LPITEMIDLIST ILCloneParent(LPCITEMIDLIST list);

// The items of `first` followed by those of `second`; a null side counts as
// empty. Null when allocation fails or the result would be too long.
LPITEMIDLIST ILCombine(LPCITEMIDLIST first, LPCITEMIDLIST second);

// `list` followed by the one item at `item` (its bytes, count included).
// Null when `item` is an end or malformed, or allocation fails.
LPITEMIDLIST ILAppendID(LPCITEMIDLIST list, LPCITEMIDLIST item);

// Same items, byte for byte (two nulls are equal; null differs from empty).
bool ILIsEqual(LPCITEMIDLIST a, LPCITEMIDLIST b);

// Validates a list held in `size` raw bytes: every count is at least 2 and
// stays inside the bytes, and a terminator follows within them. Returns the
// list's size including the terminator, or 0 when the bytes are no list.
std::size_t ILValidSize(const void* bytes, std::size_t size);

// Frees a list from the shell allocator (null is fine).
void ILFree(LPITEMIDLIST list);

namespace zb {
struct PidlDeleter {
    void operator()(ITEMIDLIST* list) const { ILFree(list); }
};
}  // namespace zb

// Owns one list.
using PidlPtr = std::unique_ptr<ITEMIDLIST, zb::PidlDeleter>;
