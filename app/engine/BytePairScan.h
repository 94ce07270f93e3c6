#pragma once
// Finds where a search string may start in a block of bytes: the positions
// where the string's bytes at two chosen offsets fit. The two offsets are
// those whose bytes are the least common in everyday files (text, source
// code, programs), so that few positions pass and the whole string is
// compared at those alone. A byte fits when (block byte | fold) == value:
// fold 0x20 lets a lower-case ASCII letter also accept its upper-case form.
//
// Blocks are scanned 32 bytes at a time where the processor has AVX2, else
// 16 at a time (SSE2 on x86-64, the compiler's vectors elsewhere).

#include <cstddef>
#include <cstdint>

#include "platform/WinTypes.h"

struct CBytePair {
    std::size_t offset[2] = {0, 0};
    BYTE fold[2] = {0, 0};
    BYTE value[2] = {0, 0};
};

// The two offsets of `search` (with its `fold` bytes; `size` at least 1)
// whose bytes are the rarest; both are 0 for a single byte.
CBytePair ChooseRareBytePair(const BYTE* search, const BYTE* fold, std::size_t size);

// Calls accept(pos) for every candidate pos from 0 to `last` (the last start
// at which the string still fits into the block, so that the block holds
// last + size bytes) in increasing order, until it returns true; true then,
// false when no candidate was accepted.
using CandidateTest = bool (*)(std::size_t pos, const void* context);
bool FindBytePairCandidate(const CBytePair& pair, const BYTE* block, std::size_t last,
                           CandidateTest accept, const void* context);
