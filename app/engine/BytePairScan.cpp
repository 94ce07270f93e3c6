#include "app/engine/BytePairScan.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// How common each byte value is in everyday files, as a rank from 0 (the
// rarest) to 255 (the most common). Counted once over a mix of C headers,
// documentation, Perl modules, message catalogues and shared libraries of a
// Debian system (about 130 MB); the NUL byte of programs and the space of
// text lead.
constexpr BYTE kByteRank[256] = {
    255, 221, 204, 170, 177, 158, 142, 150, 208, 182, 244, 112, 129, 131, 189, 209, 169, 132, 137,
    76,  128, 141, 117, 109, 163, 80,  134, 93,  125, 79,  118, 164, 254, 147, 165, 197, 212, 157,
    106, 175, 227, 226, 213, 103, 219, 185, 207, 195, 231, 217, 206, 180, 176, 194, 172, 167, 181,
    196, 183, 191, 155, 173, 168, 28,  171, 236, 202, 224, 215, 238, 200, 188, 239, 230, 105, 160,
    233, 201, 222, 225, 218, 77,  220, 240, 229, 186, 161, 140, 187, 154, 68,  148, 152, 151, 47,
    252, 145, 246, 205, 243, 242, 253, 235, 210, 228, 249, 122, 216, 241, 223, 248, 247, 237, 121,
    245, 250, 251, 232, 192, 190, 199, 211, 149, 143, 127, 146, 45,  14,  162, 88,  73,  179, 166,
    178, 94,  91,  130, 214, 15,  203, 67,  184, 52,  59,  135, 12,  18,  33,  55,  60,  24,  27,
    81,  51,  17,  42,  50,  46,  13,  26,  124, 34,  16,  21,  100, 20,  19,  23,  98,  31,  144,
    84,  156, 97,  32,  40,  116, 25,  30,  61,  49,  39,  136, 86,  123, 66,  102, 70,  63,  54,
    120, 95,  174, 138, 90,  153, 126, 115, 82,  133, 62,  56,  29,  9,   6,   1,   11,  0,   99,
    36,  83,  7,   2,   5,   38,  69,  64,  10,  8,   48,  3,   4,   22,  85,  198, 37,  101, 43,
    35,  89,  111, 113, 193, 159, 65,  107, 104, 58,  74,  110, 92,  41,  75,  87,  53,  44,  114,
    96,  119, 57,  72,  78,  71,  108, 139, 234,
};

// How common a search byte is as the block bytes it accepts: a folded letter
// accepts both cases and counts as the commoner of the two.
int RankOf(BYTE value, BYTE fold) {
    const int rank = kByteRank[value];
    return fold ? std::max(rank, static_cast<int>(kByteRank[value & ~fold])) : rank;
}

// The candidates among 8 * sizeof(Mask) positions from `pos`: bit i set when
// position pos + i fits. Walks them in order; true once one is accepted.
template <class Mask>
bool TakeCandidates(Mask mask, std::size_t pos, CandidateTest accept, const void* context) {
    while (mask != 0) {
        if (accept(pos + static_cast<std::size_t>(std::countr_zero(mask)), context))
            return true;
        mask &= mask - 1;
    }
    return false;
}

// The positions past the last whole group of vector width, one at a time.
bool FindInTail(const CBytePair& pair, const BYTE* block, std::size_t pos, std::size_t last,
                CandidateTest accept, const void* context) {
    for (; pos <= last; ++pos) {
        if ((block[pos + pair.offset[0]] | pair.fold[0]) == pair.value[0] &&
            (block[pos + pair.offset[1]] | pair.fold[1]) == pair.value[1] && accept(pos, context))
            return true;
    }
    return false;
}

#if defined(__x86_64__)

// 0xFF in each byte where the block bytes at `first` and `second` fit.
__attribute__((target("avx2"))) inline __m256i PairHits(const BYTE* first, const BYTE* second,
                                                        __m256i fold0, __m256i value0,
                                                        __m256i fold1, __m256i value1) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(second));
    return _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_or_si256(a, fold0), value0),
                            _mm256_cmpeq_epi8(_mm256_or_si256(b, fold1), value1));
}

__attribute__((target("avx2"))) bool FindAvx2(const CBytePair& pair, const BYTE* block,
                                              std::size_t last, CandidateTest accept,
                                              const void* context) {
    const BYTE* first = block + pair.offset[0];
    const BYTE* second = block + pair.offset[1];
    const __m256i fold0 = _mm256_set1_epi8(static_cast<char>(pair.fold[0]));
    const __m256i value0 = _mm256_set1_epi8(static_cast<char>(pair.value[0]));
    const __m256i fold1 = _mm256_set1_epi8(static_cast<char>(pair.fold[1]));
    const __m256i value1 = _mm256_set1_epi8(static_cast<char>(pair.value[1]));
    std::size_t pos = 0;
    // 64 positions a round, tested for any candidate with one branch.
    for (; pos + 63 <= last; pos += 64) {
        const __m256i low = PairHits(first + pos, second + pos, fold0, value0, fold1, value1);
        const __m256i high =
            PairHits(first + pos + 32, second + pos + 32, fold0, value0, fold1, value1);
        if (_mm256_testz_si256(_mm256_or_si256(low, high), _mm256_set1_epi8(-1)))
            continue;
        const std::uint64_t mask =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(low)) |
            static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(high)))
                << 32;
        if (TakeCandidates(mask, pos, accept, context))
            return true;
    }
    for (; pos + 31 <= last; pos += 32) {
        const auto mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(
            PairHits(first + pos, second + pos, fold0, value0, fold1, value1)));
        if (mask != 0 && TakeCandidates(mask, pos, accept, context))
            return true;
    }
    return FindInTail(pair, block, pos, last, accept, context);
}

bool FindSse2(const CBytePair& pair, const BYTE* block, std::size_t last, CandidateTest accept,
              const void* context) {
    const BYTE* first = block + pair.offset[0];
    const BYTE* second = block + pair.offset[1];
    const __m128i fold0 = _mm_set1_epi8(static_cast<char>(pair.fold[0]));
    const __m128i value0 = _mm_set1_epi8(static_cast<char>(pair.value[0]));
    const __m128i fold1 = _mm_set1_epi8(static_cast<char>(pair.fold[1]));
    const __m128i value1 = _mm_set1_epi8(static_cast<char>(pair.value[1]));
    std::size_t pos = 0;
    for (; pos + 15 <= last; pos += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + pos));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + pos));
        const __m128i hits = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, fold0), value0),
                                           _mm_cmpeq_epi8(_mm_or_si128(b, fold1), value1));
        const auto mask = static_cast<std::uint16_t>(_mm_movemask_epi8(hits));
        if (mask != 0 && TakeCandidates(mask, pos, accept, context))
            return true;
    }
    return FindInTail(pair, block, pos, last, accept, context);
}

using FindFunction = bool (*)(const CBytePair&, const BYTE*, std::size_t, CandidateTest,
                              const void*);

// Chosen once, by what the processor offers.
const FindFunction kFind = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? FindAvx2 : FindSse2;
}();

#else

// 16 block bytes compared at once in the compiler's vectors.
using Vec16 = BYTE __attribute__((vector_size(16)));

Vec16 Splat(BYTE b) {
    Vec16 v;
    std::memset(&v, b, sizeof v);
    return v;
}

Vec16 Load(const BYTE* p) {
    Vec16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool kFind(const CBytePair& pair, const BYTE* block, std::size_t last, CandidateTest accept,
           const void* context) {
    const Vec16 fold0 = Splat(pair.fold[0]), value0 = Splat(pair.value[0]);
    const Vec16 fold1 = Splat(pair.fold[1]), value1 = Splat(pair.value[1]);
    std::size_t pos = 0;
    for (; pos + 15 <= last; pos += 16) {
        const Vec16 hits = ((Load(block + pos + pair.offset[0]) | fold0) == value0) &
                           ((Load(block + pos + pair.offset[1]) | fold1) == value1);
        std::uint16_t mask = 0;
        for (int i = 0; i < 16; ++i)
            mask |= static_cast<std::uint16_t>((hits[i] & 1) << i);
        if (mask != 0 && TakeCandidates(mask, pos, accept, context))
            return true;
    }
    return FindInTail(pair, block, pos, last, accept, context);
}

#endif

}  // namespace

CBytePair ChooseRareBytePair(const BYTE* search, const BYTE* fold, std::size_t size) {
    CBytePair pair;
    if (size == 0)
        return pair;
    // The rarest offset, then the rarest of the others.
    std::size_t best = 0;
    for (std::size_t k = 1; k < size; ++k) {
        if (RankOf(search[k], fold[k]) < RankOf(search[best], fold[best]))
            best = k;
    }
    std::size_t second = best;
    for (std::size_t k = 0; k < size; ++k) {
        if (k == best)
            continue;
        if (second == best || RankOf(search[k], fold[k]) <= RankOf(search[second], fold[second]))
            second = k;
    }
    pair.offset[0] = best;
    pair.offset[1] = second;
    for (int i = 0; i < 2; ++i) {
        pair.fold[i] = fold[pair.offset[i]];
        pair.value[i] = search[pair.offset[i]];
    }
    return pair;
}

bool FindBytePairCandidate(const CBytePair& pair, const BYTE* block, std::size_t last,
                           CandidateTest accept, const void* context) {
    return kFind(pair, block, last, accept, context);
}
