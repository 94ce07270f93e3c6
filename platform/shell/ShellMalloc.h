#pragma once
// The process's shell allocator. Every item identifier list that the shell
// namespace hands out comes from it, and callers free lists with it. Each
// block carries a small header in front that records its size, so GetSize
// answers for any block without a lookup.

#include "platform/shell/ShellTypes.h"

// Hands out a reference on the process allocator (the same object for every
// call). Fails with E_POINTER for a null `result`.
HRESULT SHGetMalloc(zb::ComPtr<IMalloc>* result);

// The process allocator itself, without taking a reference (for the list
// primitives, which run for every item of a search).
IMalloc& ShellAllocator();
