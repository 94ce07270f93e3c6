#include "platform/shell/ShellHelper.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/ClipboardFormat.h"
#include "platform/shell/ItemIdList.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellMalloc.h"
#include "support/TempHome.h"

namespace {

// A list of items with the given payload bytes.
PidlPtr MakeList(std::initializer_list<std::string> payloads) {
    std::string bytes;
    for (const std::string& p : payloads) {
        const auto cb = static_cast<WORD>(p.size() + 2);
        bytes.push_back(static_cast<char>(cb & 0xFF));
        bytes.push_back(static_cast<char>(cb >> 8));
        bytes += p;
    }
    bytes.append(2, '\0');
    LPITEMIDLIST list = ILAlloc(bytes.size());
    std::memcpy(list, bytes.data(), bytes.size());
    return PidlPtr(list);
}

TEST(ShellHelperTest, PidlSizeCountsTheTerminator) {
    EXPECT_EQ(CShellHelper::GetPidlSize(nullptr), 0u);
    PidlPtr empty = MakeList({});
    EXPECT_EQ(CShellHelper::GetPidlSize(empty.get()), 2u);
    PidlPtr two = MakeList({"ab", "cde"});
    EXPECT_EQ(CShellHelper::GetPidlSize(two.get()), 4u + 5u + 2u);
    LPCITEMIDLIST next = CShellHelper::GetNextItemID(two.get());
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(ILItemSize(next), 5);
}

TEST(ShellHelperTest, ConcatWithNullFirstCopiesTheSecond) {
    PidlPtr second = MakeList({"xy"});
    PidlPtr joined(CShellHelper::ConcatPidls(nullptr, second.get()));
    ASSERT_TRUE(joined);
    EXPECT_TRUE(ILIsEqual(joined.get(), second.get()));
    EXPECT_NE(joined.get(), second.get());

    PidlPtr first = MakeList({"a"});
    PidlPtr both(CShellHelper::ConcatPidls(first.get(), second.get()));
    PidlPtr expected = MakeList({"a", "xy"});
    EXPECT_TRUE(ILIsEqual(both.get(), expected.get()));
}

TEST(ShellHelperTest, CopyParentDropsTheLastItem) {
    PidlPtr one = MakeList({"abc"});
    PidlPtr parent(CShellHelper::CopyParentPidl(one.get()));
    ASSERT_TRUE(parent);
    EXPECT_EQ(CShellHelper::GetPidlSize(parent.get()), 2u);

    PidlPtr three = MakeList({"a", "bb", "ccc"});
    PidlPtr parentOfThree(CShellHelper::CopyParentPidl(three.get()));
    PidlPtr expected = MakeList({"a", "bb"});
    EXPECT_TRUE(ILIsEqual(parentOfThree.get(), expected.get()));
    EXPECT_EQ(CShellHelper::CopyParentPidl(nullptr), nullptr);
}

TEST(ShellHelperTest, CopiesUseTheGivenAllocator) {
    zb::ComPtr<IMalloc> malloc;
    ASSERT_EQ(SHGetMalloc(&malloc), S_OK);
    PidlPtr list = MakeList({"first", "second"});
    PidlPtr item(CShellHelper::CopyItemID(malloc.Get(), list.get()));
    PidlPtr expected = MakeList({"first"});
    EXPECT_TRUE(ILIsEqual(item.get(), expected.get()));

    PidlPtr copy(CShellHelper::CopyPidl(malloc.Get(), list.get()));
    EXPECT_TRUE(ILIsEqual(copy.get(), list.get()));
    EXPECT_EQ(CShellHelper::CopyPidl(malloc.Get(), nullptr), nullptr);
}

TEST(ShellHelperTest, StrRetFormsBecomeText) {
    CShellHelper helper;
    PidlPtr item = MakeList({std::string("..name\0junk", 11)});
    std::string out;
    STRRET inlineForm;
    inlineForm.uType = STRRET_CSTR;
    inlineForm.str = "inline";
    EXPECT_EQ(helper.StrRetToStr(inlineForm, item.get(), &out), S_OK);
    EXPECT_EQ(out, "inline");

    STRRET offsetForm;
    offsetForm.uType = STRRET_OFFSET;
    offsetForm.uOffset = 4;  // behind the count and two payload bytes
    EXPECT_EQ(helper.StrRetToStr(offsetForm, item.get(), &out), S_OK);
    EXPECT_EQ(out, "name");

    // An offset outside the item gives no text rather than reading past it.
    offsetForm.uOffset = 500;
    EXPECT_EQ(helper.StrRetToStr(offsetForm, item.get(), &out), S_OK);
    EXPECT_EQ(out, "");

    STRRET unknown;
    unknown.uType = 77;
    out = "old";
    EXPECT_EQ(helper.StrRetToStr(unknown, item.get(), &out), S_OK);
    EXPECT_EQ(out, "");
}

TEST(ShellHelperTest, NamesAndBindingThroughTheNamespace) {
    const std::string dir = zbtest::MakeTempDir("helper");
    zbtest::WriteFile(dir + "/sub/report.txt", "x");
    CShellHelper helper;
    ASSERT_NE(helper.GetDesktopFolder(), nullptr);

    // An empty list binds to the desktop itself, and holding it is safe.
    PidlPtr empty = MakeList({});
    zb::ComPtr<IShellFolder> desktop = helper.BindToFolder(empty.get());
    EXPECT_EQ(desktop.Get(), helper.GetDesktopFolder());
    desktop.Reset();
    EXPECT_NE(helper.GetDesktopFolder(), nullptr);

    LPITEMIDLIST parsed = nullptr;
    ASSERT_EQ(helper.ParseDisplayName(dir + "/sub", &parsed, nullptr), S_OK);
    PidlPtr sub(parsed);
    zb::ComPtr<IShellFolder> folder = helper.BindToFolder(sub.get());
    ASSERT_TRUE(folder);

    LPITEMIDLIST fileItem = nullptr;
    ULONG eaten = 0;
    ASSERT_EQ(folder->ParseDisplayName("report.txt", &eaten, &fileItem, nullptr), S_OK);
    PidlPtr file(fileItem);
    std::string name;
    EXPECT_TRUE(CShellHelper::GetItemName(folder.Get(), file.get(), SHGDN_NORMAL, &name));
    EXPECT_EQ(name, "report.txt");
    std::string parsing;
    EXPECT_EQ(helper.GetDisplayName(file.get(), &parsing, folder.Get(), SHGDN_FORPARSING), S_OK);
    EXPECT_EQ(parsing, dir + "/sub/report.txt");

    PidlPtr full(CShellHelper::ConcatPidls(sub.get(), file.get()));
    std::string display;
    EXPECT_TRUE(CShellHelper::GetPidlDisplayName(full.get(), &display));
    EXPECT_EQ(display, "report.txt");
    EXPECT_GE(CShellHelper::GetIconIndex(full.get(), 0x4000 | 0x1), 0);
}

TEST(ShellHelperTest, ClipboardFormatsAreRegisteredOnce) {
    const UINT idList = GetShellIdListClipboardFormat();
    EXPECT_GE(idList, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat("Shell IDList Array"), idList);
    EXPECT_EQ(GetClipboardFormatName(GetUrlClipboardFormat()), "UniformResourceLocator");
    EXPECT_NE(idList, GetUrlClipboardFormat());
}

}  // namespace

namespace {

void Put32(std::vector<std::uint8_t>* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A "Shell IDList Array" of `lists` (parent first) with the offsets given,
// or the right ones when none are given.
std::vector<std::uint8_t> IdListArray(const std::vector<LPCITEMIDLIST>& lists,
                                      std::vector<std::uint32_t> offsets = {}) {
    std::vector<std::uint8_t> bytes;
    Put32(&bytes, static_cast<std::uint32_t>(lists.size() - 1));
    std::uint32_t next = static_cast<std::uint32_t>(8 + 4 * lists.size());
    for (std::size_t i = 0; i < lists.size(); ++i) {
        Put32(&bytes, offsets.empty() ? next : offsets[i]);
        next += static_cast<std::uint32_t>(ILGetSize(lists[i]));
    }
    Put32(&bytes, 0);
    for (LPCITEMIDLIST list : lists) {
        const auto* raw = reinterpret_cast<const std::uint8_t*>(list);
        bytes.insert(bytes.end(), raw, raw + ILGetSize(list));
    }
    return bytes;
}

TEST(ShellHelperTest, DropEffectsOfAnItemListArray) {
    const std::string dir = zbtest::MakeTempDir("effects");
    zbtest::WriteFile(dir + "/a.txt", "a");
    CShellHelper helper;
    LPITEMIDLIST folderList = nullptr;
    LPITEMIDLIST fileList = nullptr;
    ASSERT_TRUE(SUCCEEDED(helper.ParseDisplayName(dir, &folderList, nullptr)));
    ASSERT_TRUE(SUCCEEDED(helper.ParseDisplayName(dir + "/a.txt", &fileList, nullptr)));
    const PidlPtr folder(folderList);
    const PidlPtr file(fileList);
    const PidlPtr child(ILCloneFirst(ILFindLast(file.get())));
    // A file of a folder we may change: copy, move and link.
    const std::vector<std::uint8_t> good = IdListArray({folder.get(), child.get()});
    EXPECT_EQ(helper.GetDataObjectDropEffects(&good), 7u);
    // Missing, short, lying counts and offsets: all effects, nothing read outside.
    EXPECT_EQ(helper.GetDataObjectDropEffects(nullptr), 7u);
    const std::vector<std::uint8_t> shortArray(good.begin(), good.begin() + 6);
    EXPECT_EQ(helper.GetDataObjectDropEffects(&shortArray), 7u);
    std::vector<std::uint8_t> hugeCount = good;
    hugeCount[0] = hugeCount[1] = hugeCount[2] = hugeCount[3] = 0xFF;
    EXPECT_EQ(helper.GetDataObjectDropEffects(&hugeCount), 7u);
    const std::vector<std::uint8_t> badOffset =
        IdListArray({folder.get(), child.get()}, {0xFFFFFFF0u, 3});
    EXPECT_EQ(helper.GetDataObjectDropEffects(&badOffset), 7u);
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        const std::vector<std::uint8_t> prefix(good.begin(), good.begin() + cut);
        EXPECT_EQ(helper.GetDataObjectDropEffects(&prefix), 7u);
    }
}

}  // namespace
