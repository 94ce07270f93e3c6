#include "app/engine/BytePairScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

namespace {

struct Collected {
    std::vector<std::size_t> positions;
    std::size_t acceptAt = SIZE_MAX;  // the candidate that ends the scan
};

bool Collect(std::size_t pos, const void* context) {
    auto& collected = *static_cast<Collected*>(const_cast<void*>(context));
    collected.positions.push_back(pos);
    return pos == collected.acceptAt;
}

// Every start from 0 to `last` where both bytes of the pair fit, one at a time.
std::vector<std::size_t> Expected(const CBytePair& pair, const std::vector<BYTE>& block,
                                  std::size_t last) {
    std::vector<std::size_t> out;
    for (std::size_t pos = 0; pos <= last; ++pos) {
        if ((block[pos + pair.offset[0]] | pair.fold[0]) == pair.value[0] &&
            (block[pos + pair.offset[1]] | pair.fold[1]) == pair.value[1])
            out.push_back(pos);
    }
    return out;
}

TEST(BytePairScan, TheRarestTwoOffsetsOfTheString) {
    const std::vector<BYTE> search = {'e', ' ', 'q', 'e', 'Z'};
    const std::vector<BYTE> noFold(search.size(), 0);
    const CBytePair pair = ChooseRareBytePair(search.data(), noFold.data(), search.size());
    EXPECT_NE(pair.offset[0], pair.offset[1]);
    for (const std::size_t offset : pair.offset) {
        EXPECT_LT(offset, search.size());
        EXPECT_NE(search[offset], ' ');  // the commonest byte of text is never chosen
        EXPECT_NE(search[offset], 'e');
    }
    // A folded letter counts as its commoner case.
    const std::vector<BYTE> one = {'x'};
    const std::vector<BYTE> fold = {0x20};
    const CBytePair single = ChooseRareBytePair(one.data(), fold.data(), 1);
    EXPECT_EQ(single.offset[0], 0u);
    EXPECT_EQ(single.offset[1], 0u);
    EXPECT_EQ(single.fold[0], 0x20);
    EXPECT_EQ(single.value[0], 'x');
}

TEST(BytePairScan, EveryCandidateInOrderAcrossVectorWidthsAndTails) {
    // Few distinct bytes, so that candidates crowd every lane of a vector,
    // the last whole vector and the tail after it.
    std::mt19937 random(11);
    const BYTE letters[] = {'a', 'A', 'b', 0, 0xE9, 0xC9};
    for (int round = 0; round < 3000; ++round) {
        const std::size_t size = 1 + random() % 9;
        const std::size_t length = size + random() % 300;
        std::vector<BYTE> block(length);
        for (BYTE& b : block)
            b = letters[random() % std::size(letters)];
        std::vector<BYTE> search(size), fold(size, 0);
        for (std::size_t k = 0; k < size; ++k) {
            search[k] = letters[random() % std::size(letters)];
            if (search[k] >= 'a' && search[k] <= 'z' && random() % 2)
                fold[k] = 0x20;
        }
        const CBytePair pair = ChooseRareBytePair(search.data(), fold.data(), size);
        const std::size_t last = length - size;
        const std::vector<std::size_t> expected = Expected(pair, block, last);

        Collected all;
        EXPECT_FALSE(FindBytePairCandidate(pair, block.data(), last, Collect, &all));
        ASSERT_EQ(all.positions, expected) << round;

        // Accepting one candidate ends the scan there.
        if (!expected.empty()) {
            Collected some;
            some.acceptAt = expected[random() % expected.size()];
            EXPECT_TRUE(FindBytePairCandidate(pair, block.data(), last, Collect, &some));
            ASSERT_FALSE(some.positions.empty());
            EXPECT_EQ(some.positions.back(), some.acceptAt);
            EXPECT_TRUE(std::equal(some.positions.begin(), some.positions.end(), expected.begin()));
        }
    }
}

TEST(BytePairScan, ReadsNothingPastTheLastStart) {
    // The string fits only at the very end of a block that ends exactly at
    // its allocation (the sanitizer build catches a read beyond it).
    for (std::size_t length = 2; length < 100; ++length) {
        auto block = std::make_unique<BYTE[]>(length);
        std::fill(block.get(), block.get() + length, 'x');
        block[length - 2] = 'q';
        block[length - 1] = 'z';
        const BYTE search[] = {'q', 'z'};
        const BYTE fold[] = {0, 0};
        const CBytePair pair = ChooseRareBytePair(search, fold, 2);
        Collected all;
        EXPECT_FALSE(FindBytePairCandidate(pair, block.get(), length - 2, Collect, &all));
        EXPECT_EQ(all.positions, std::vector<std::size_t>{length - 2}) << length;
    }
}

}  // namespace
