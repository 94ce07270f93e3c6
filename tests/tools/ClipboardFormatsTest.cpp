#include "tools/ClipboardFormats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/ClipboardFormat.h"
#include "platform/shell/ItemIdList.h"
#include "tools/DesktopClipboard.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A one-item list whose item holds `payload`.
LPITEMIDLIST OneItemList(const std::string& payload) {
    const std::size_t itemSize = 2 + payload.size();
    LPITEMIDLIST list = ILAlloc(itemSize + 2);
    auto* bytes = reinterpret_cast<std::uint8_t*>(list);
    bytes[0] = static_cast<std::uint8_t>(itemSize);
    bytes[1] = 0;
    std::memcpy(bytes + 2, payload.data(), payload.size());
    bytes[itemSize] = bytes[itemSize + 1] = 0;
    return list;
}

TEST(ClipboardFormatsTest, TableRegistersTheNamedFormats) {
    const CClipFormatTable& table = GetClipFormatTable();
    EXPECT_EQ(table.GetFormat(CLIPFMT_TEXT), CF_TEXT);
    EXPECT_EQ(table.GetFormat(CLIPFMT_HDROP), CF_HDROP);
    EXPECT_EQ(GetClipboardFormatName(table.GetFormat(CLIPFMT_RIGHTMENU)), "CF_ZB_RIGHTMENU");
    EXPECT_EQ(GetClipboardFormatName(table.GetFormat(CLIPFMT_SHELLIDLIST)), "Shell IDList Array");
    EXPECT_EQ(GetClipboardFormatName(table.GetFormat(CLIPFMT_PREFERREDDROPEFFECT)),
              "Preferred DropEffect");
    EXPECT_EQ(table.GetFormat(3), 0u);
}

TEST(ClipboardFormatsTest, StringHdropFlagAndEffectLayouts) {
    CCF_String text;
    text.SetText("/a/one.txt\n/b/two.txt\n");
    EXPECT_EQ(SerializeClipObject(text), Cat({Text("/a/one.txt\n/b/two.txt\n"), Le32(0)}));

    CCF_HDROP drop;
    drop.AddPath("/a/one.txt");
    drop.AddPath("/b/two.txt");
    drop.SetDropPoint(3, -1, TRUE);
    const Bytes expected = Cat({Le32(20), Le32(3), Le32(0xFFFFFFFFu), Le32(1), Le32(0),
                                Text(std::string("/a/one.txt\0/b/two.txt\0\0", 23))});
    EXPECT_EQ(SerializeClipObject(drop), expected);
    drop.Reset();
    EXPECT_EQ(SerializeClipObject(drop),
              Cat({Le32(20), Le32(0), Le32(0), Le32(0), Le32(0), Bytes{0}}));

    CCF_RightMenu flag;
    EXPECT_EQ(SerializeClipObject(flag), Le32(0));
    flag.SetFlag(7);
    EXPECT_EQ(SerializeClipObject(flag), Le32(1));
    EXPECT_EQ(SerializeClipObject(CCF_PreferredDropEffect(2)), Le32(2));
}

TEST(ClipboardFormatsTest, ShellIdListOffsetsAndParentAlone) {
    LPITEMIDLIST parent = ILAlloc(2);  // the desktop: an empty list
    LPITEMIDLIST first = OneItemList("abc");
    LPITEMIDLIST second = OneItemList("xy");
    CCF_ShellIDList lists;
    lists.AddPidl(parent);
    EXPECT_TRUE(SerializeClipObject(lists).empty());
    lists.AddPidl(first);
    lists.AddPidl(second);
    EXPECT_EQ(lists.GetPidl(2), second);
    EXPECT_EQ(lists.GetPidl(3), nullptr);
    // 3 lists: offsets start at 8 + 12 = 20, then + 2, then + 7.
    const Bytes expected = Cat({Le32(2), Le32(20), Le32(22), Le32(29), Le32(0), Bytes{0, 0},
                                Bytes{5, 0, 'a', 'b', 'c', 0, 0}, Bytes{4, 0, 'x', 'y', 0, 0}});
    EXPECT_EQ(SerializeClipObject(lists), expected);
    ILFree(parent);
    ILFree(first);
    ILFree(second);
}

TEST(DesktopClipboardTest, UriListRoundTripKeepsEveryByte) {
    const std::vector<std::string> paths{"/tmp/a b#c%d", "/tmp/line\nbreak",
                                         std::string("/tmp/bad\xff\xfe"), "/tmp/ünï"};
    const std::string list = MakeUriList(paths);
    EXPECT_EQ(list.find(' '), std::string::npos);
    EXPECT_EQ(list.substr(0, list.find("\r\n")), "file:///tmp/a%20b%23c%25d");
    EXPECT_NE(list.find("file:///tmp/bad%FF%FE\r\n"), std::string::npos);
    EXPECT_EQ(ParseUriList(list), paths);
    // Comments, other schemes, hosts and NULs are left out; LF alone ends a line too.
    EXPECT_EQ(ParseUriList("# c\nhttp://x/y\nfile://host/z\nfile:///n%00\nFILE://localhost/ok\n"),
              std::vector<std::string>{"/ok"});
}

TEST(DesktopClipboardTest, CutCarriesCutAndTheKdeFlagCopyDoesNot) {
    EXPECT_EQ(MakeGnomeCopiedFiles(false, {"/a", "/b c"}), "copy\nfile:///a\nfile:///b%20c");
    EXPECT_EQ(MakeGnomeCopiedFiles(true, {"/a"}), "cut\nfile:///a");
    EXPECT_EQ(MimeTypesOfClipFormat(CLIPFMT_PREFERREDDROPEFFECT, 1),
              std::vector<std::string>{kMimeGnomeCopiedFiles});
    EXPECT_EQ(MimeTypesOfClipFormat(CLIPFMT_PREFERREDDROPEFFECT, 2),
              (std::vector<std::string>{kMimeGnomeCopiedFiles, kMimeKdeCutSelection}));

    CSelectionClipData data;
    data.formats = {CLIPFMT_RIGHTMENU, CLIPFMT_TEXT, CLIPFMT_SHELLIDLIST, CLIPFMT_HDROP};
    data.text = "/a b\n";
    data.paths = {"/a b"};
    data.rightMenu = TRUE;
    EXPECT_EQ(ClipMimeTypes(data),
              (std::vector<std::string>{kMimeRightMenu, kMimeTextUtf8, kMimeText, kMimeShellIdList,
                                        kMimeUriList}));
    EXPECT_EQ(RenderClipMime(data, kMimeTextUtf8), "/a b\n");  // no NULs
    EXPECT_EQ(RenderClipMime(data, kMimeRightMenu), std::string("\1\0\0\0", 4));
    EXPECT_EQ(RenderClipMime(data, kMimeGnomeCopiedFiles), "");
    data.preferredEffect = 1;
    EXPECT_EQ(RenderClipMime(data, kMimeGnomeCopiedFiles), "copy\nfile:///a%20b");
    EXPECT_EQ(RenderClipMime(data, kMimeKdeCutSelection), "");
    data.preferredEffect = 2;
    EXPECT_EQ(RenderClipMime(data, kMimeGnomeCopiedFiles), "cut\nfile:///a%20b");
    EXPECT_EQ(RenderClipMime(data, kMimeKdeCutSelection), "1");
}

}  // namespace
