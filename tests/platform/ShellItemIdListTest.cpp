#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/shell/ItemIdList.h"
#include "platform/shell/ItemListEnum.h"
#include "platform/shell/NameOrder.h"
#include "platform/shell/ShellItem.h"
#include "platform/shell/ShellMalloc.h"

namespace {

// A list from raw bytes (count words little-endian), allocated with the
// shell allocator.
PidlPtr FromBytes(const std::string& bytes) {
    PidlPtr list(ILAlloc(bytes.size()));
    std::memcpy(list.get(), bytes.data(), bytes.size());
    return list;
}

std::string BytesOf(LPCITEMIDLIST list) {
    return std::string(reinterpret_cast<const char*>(list), ILGetSize(list));
}

PidlPtr Entry(std::string_view name) {
    return PidlPtr(
        zb::MakeItemList(zb::ItemKind::Entry, static_cast<BYTE>(zb::EntryType::File), name));
}

TEST(ShellMallocTest, BlocksKnowTheirSizeAndTheAllocatorIsShared) {
    zb::ComPtr<IMalloc> a;
    zb::ComPtr<IMalloc> b;
    ASSERT_EQ(SHGetMalloc(&a), S_OK);
    ASSERT_EQ(SHGetMalloc(&b), S_OK);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_EQ(SHGetMalloc(nullptr), E_POINTER);

    void* block = a->Alloc(37);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(a->GetSize(block), 37);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
    std::memset(block, 0x5A, 37);
    block = a->Realloc(block, 4000);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(a->GetSize(block), 4000);
    EXPECT_EQ(static_cast<unsigned char*>(block)[36], 0x5A);
    a->Free(block);
    EXPECT_EQ(a->GetSize(nullptr), -1);
    a->Free(nullptr);

    void* fresh = a->Realloc(nullptr, 8);
    EXPECT_EQ(a->GetSize(fresh), 8);
    EXPECT_EQ(a->Realloc(fresh, 0), nullptr);  // frees
}

TEST(ItemIdListTest, SizeCountNextAndLastFollowTheCounts) {
    EXPECT_EQ(ILGetSize(nullptr), 0u);
    EXPECT_EQ(ILGetCount(nullptr), 0u);
    EXPECT_TRUE(ILIsEmpty(nullptr));
    EXPECT_EQ(ILFindLast(nullptr), nullptr);

    PidlPtr empty(ILAlloc(2));
    EXPECT_EQ(ILGetSize(empty.get()), 2u);
    EXPECT_TRUE(ILIsEmpty(empty.get()));
    EXPECT_EQ(ILNext(static_cast<LPCITEMIDLIST>(empty.get())), nullptr);

    PidlPtr a = Entry("a");
    PidlPtr bc = Entry("bc");
    PidlPtr ab(ILCombine(a.get(), bc.get()));
    ASSERT_TRUE(ab);
    EXPECT_EQ(ILGetSize(ab.get()), 5u + 6u + 2u);
    EXPECT_EQ(ILGetCount(ab.get()), 2u);
    LPCITEMIDLIST second = ILNext(static_cast<LPCITEMIDLIST>(ab.get()));
    EXPECT_EQ(ILFindLast(ab.get()), second);
    EXPECT_EQ(ILItemSize(second), 6);
    EXPECT_TRUE(ILIsEmpty(ILNext(second)));
}

TEST(ItemIdListTest, CopiesCombineAndCompare) {
    PidlPtr a = Entry("a");
    PidlPtr b = Entry("b");
    PidlPtr ab(ILCombine(a.get(), b.get()));

    // A null first side gives a plain copy of the second; a null second side
    // counts as empty.
    PidlPtr copyOfB(ILCombine(nullptr, b.get()));
    EXPECT_TRUE(ILIsEqual(copyOfB.get(), b.get()));
    PidlPtr copyOfA(ILCombine(a.get(), nullptr));
    EXPECT_TRUE(ILIsEqual(copyOfA.get(), a.get()));

    PidlPtr clone(ILClone(ab.get()));
    EXPECT_TRUE(ILIsEqual(clone.get(), ab.get()));
    EXPECT_EQ(ShellAllocator().GetSize(clone.get()),
              static_cast<std::ptrdiff_t>(ILGetSize(ab.get())));
    EXPECT_EQ(ILClone(nullptr), nullptr);

    PidlPtr first(ILCloneFirst(ab.get()));
    EXPECT_TRUE(ILIsEqual(first.get(), a.get()));
    PidlPtr parent(ILCloneParent(ab.get()));
    EXPECT_TRUE(ILIsEqual(parent.get(), a.get()));
    // The parent of a one-item list is the empty list.
    PidlPtr noParent(ILCloneParent(a.get()));
    EXPECT_EQ(ILGetSize(noParent.get()), 2u);
    EXPECT_EQ(ILCloneParent(nullptr), nullptr);

    PidlPtr appended(ILAppendID(a.get(), b.get()));
    EXPECT_TRUE(ILIsEqual(appended.get(), ab.get()));
    PidlPtr empty(ILAlloc(2));
    EXPECT_EQ(ILAppendID(a.get(), empty.get()), nullptr);

    EXPECT_FALSE(ILIsEqual(a.get(), b.get()));
    EXPECT_FALSE(ILIsEqual(a.get(), ab.get()));
    EXPECT_FALSE(ILIsEqual(a.get(), nullptr));
    EXPECT_TRUE(ILIsEqual(nullptr, nullptr));
}

TEST(ItemIdListTest, MalformedCountEndsTheListAndCopiesGetATerminator) {
    // Item "x" (cb 5), then a count of 1, then bytes that must never be read
    // as items.
    const std::string bytes("\x05\x00\x03\x01x\x01\x00\xFF\xFF", 9);
    PidlPtr list = FromBytes(bytes);
    EXPECT_EQ(ILGetCount(list.get()), 1u);
    EXPECT_EQ(ILGetSize(list.get()), 7u);
    EXPECT_TRUE(ILIsEmpty(ILNext(static_cast<LPCITEMIDLIST>(list.get()))));
    PidlPtr clone(ILClone(list.get()));
    EXPECT_EQ(BytesOf(clone.get()), std::string("\x05\x00\x03\x01x\x00\x00", 7));
}

TEST(ItemIdListTest, ValidSizeChecksEveryCountAgainstTheBytes) {
    const std::string good("\x05\x00\x03\x01x\x00\x00", 7);
    EXPECT_EQ(ILValidSize(good.data(), good.size()), 7u);
    EXPECT_EQ(ILValidSize(good.data(), 6), 0u);  // terminator cut off
    EXPECT_EQ(ILValidSize(nullptr, 10), 0u);
    const std::string runsPast("\x09\x00\x03\x01x\x00\x00", 7);
    EXPECT_EQ(ILValidSize(runsPast.data(), runsPast.size()), 0u);
    const std::string countOne("\x01\x00\x00\x00", 4);
    EXPECT_EQ(ILValidSize(countOne.data(), countOne.size()), 0u);
    const std::string emptyList("\x00\x00", 2);
    EXPECT_EQ(ILValidSize(emptyList.data(), 2), 2u);
    EXPECT_EQ(ILValidSize(emptyList.data(), 1), 0u);
}

TEST(ShellItemTest, ItemsRoundTripAndBadItemsAreRefused) {
    const std::string raw("caf\xE9\x01", 5);  // not UTF-8
    PidlPtr list(
        zb::MakeItemList(zb::ItemKind::Entry, static_cast<BYTE>(zb::EntryType::Directory), raw));
    zb::ShellItem item;
    ASSERT_TRUE(zb::DecodeItem(list.get(), &item));
    EXPECT_EQ(item.kind, zb::ItemKind::Entry);
    EXPECT_EQ(item.Type(), zb::EntryType::Directory);
    EXPECT_EQ(item.name, raw);

    auto refused = [](const std::string& bytes) {
        PidlPtr bad = FromBytes(bytes);
        zb::ShellItem out;
        return !zb::DecodeItem(bad.get(), &out);
    };
    EXPECT_TRUE(refused(std::string("\x03\x00\x03\x00\x00", 5)));       // shorter than a header
    EXPECT_TRUE(refused(std::string("\x05\x00\x09\x00x\x00\x00", 7)));  // unknown kind
    EXPECT_TRUE(
        refused(std::string("\x07\x00\x03\x01"
                            "a/b\x00\x00",
                            9)));                                        // '/' in a name
    EXPECT_TRUE(refused(std::string("\x06\x00\x03\x01..\x00\x00", 8)));  // ".."
    EXPECT_TRUE(refused(std::string("\x04\x00\x03\x01\x00\x00", 6)));    // empty name
    EXPECT_TRUE(refused(std::string("\x05\x00\x01\x01x\x00\x00", 7)));   // special with bytes
    EXPECT_TRUE(refused(std::string("\x04\x00\x01\x07\x00\x00", 6)));    // no such special
    EXPECT_TRUE(refused(std::string("\x05\x00\x02\x00x\x00\x00", 7)));   // relative volume
    EXPECT_TRUE(refused(std::string("\x05\x00\x03\x09x\x00\x00", 7)));   // no such entry type

    EXPECT_EQ(zb::VolumeDisplayName("/"), "File System");
    EXPECT_EQ(zb::VolumeDisplayName("/media/user/USB"), "USB");
}

TEST(NameOrderTest, CaseInsensitiveWithTiesByBytes) {
    EXPECT_LT(CompareItemNames("a", "B"), 0);
    EXPECT_LT(CompareItemNames("B", "b"), 0);  // tie broken by bytes
    EXPECT_EQ(CompareItemNames("same", "same"), 0);
    EXPECT_LT(CompareItemNames("ab", "ABC"), 0);
    EXPECT_LT(CompareItemNames("zebra", "\xC3\xA4pfel"), 0);  // "äpfel" after z
    EXPECT_LT(CompareItemNames("\xC3\x84pfel", "\xC3\xA4pfel"),
              0);  // "Äpfel" == "äpfel" but for bytes
    EXPECT_LT(CompareItemNames("\xC3\xA4pfel", "\xC3\x84pfelz"), 0);  // folded before length
    // Bytes that are not UTF-8 sort after every code point, stably.
    EXPECT_LT(CompareItemNames("\xF0\x9F\x98\x80", "\xFF"), 0);
    EXPECT_GT(CompareItemNames("\xFF", "\xF0\x9F\x98\x80"), 0);
}

// A listing comes out in CompareShellItems' order whatever order it was read
// in: names that differ only in case, where punctuation lies between the
// upper- and lower-case letters, prefixes, names beyond ASCII (the Kelvin
// sign folds to 'k'), bytes that are not UTF-8, and items of other kinds.
TEST(NameOrderTest, AListingIsSortedInTheShellOrder) {
    std::vector<std::string> names = {"b",
                                      "a_b",
                                      "aB",
                                      "AB",
                                      "ab",
                                      "a",
                                      "A",
                                      "a[1]",
                                      "Z~",
                                      "z",
                                      "\xE2\x84\xAA",
                                      "k",
                                      "K1",
                                      "\xC3\xA4pfel",
                                      "\xC3\x84pfel",
                                      "\xFF",
                                      "0.txt",
                                      "10.txt",
                                      "9.TXT",
                                      ".h"};
    for (const std::size_t first : {std::size_t{0}, std::size_t{5}}) {
        for (int round = 0; round < 6; ++round) {
            std::rotate(names.begin(), names.begin() + 7, names.end());
            zb::CItemListBuilder listing;
            std::vector<zb::ShellItem> expected;
            for (std::size_t i = 0; i < names.size(); ++i) {
                // Two volumes among the entries take the full comparison.
                const auto kind = i % 9 == 4 ? zb::ItemKind::Volume : zb::ItemKind::Entry;
                ASSERT_TRUE(listing.Add(kind, 0, names[i]));
                expected.push_back({kind, 0, names[i]});
            }
            listing.SortFrom(first);
            std::stable_sort(expected.begin() + static_cast<long>(first), expected.end(),
                             [](const zb::ShellItem& a, const zb::ShellItem& b) {
                                 return zb::CompareShellItems(a, b) < 0;
                             });
            for (std::size_t i = 0; i < expected.size(); ++i) {
                EXPECT_EQ(listing.At(i).name, expected[i].name) << first << " " << round;
                EXPECT_EQ(listing.At(i).kind, expected[i].kind) << first << " " << round;
            }
        }
    }
}

}  // namespace
