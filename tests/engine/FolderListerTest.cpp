#include "app/engine/FolderLister.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "archives/CompressedTestData.h"
#include "archives/MemoryArchive.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellHelper.h"
#include "platform/shell/ShellRoots.h"
#include "readers/archives/ArchiveHandlerFactory.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

// The node of a disk folder or file as the tree holds it: bound in its
// parent folder, with its relative and absolute lists.
FOLDERITEM NodeOf(const std::string& path, int kind = FOLDERITEM_SHELL) {
    CShellHelper helper;
    LPITEMIDLIST list = nullptr;
    EXPECT_EQ(helper.ParseDisplayName(path, &list, nullptr), S_OK) << path;
    FOLDERITEM node;
    node.m_pidlFull.reset(list);
    node.m_pidlParentFull.reset(ILCloneParent(list));
    node.m_pParentFolder = helper.BindToFolder(node.m_pidlParentFull.get());
    node.m_pidl.reset(ILClone(ILFindLast(list)));
    node.m_nKind = kind;
    return node;
}

std::vector<CFolderListEntry> Children(CFolderLister& lister, const FOLDERITEM& node) {
    std::optional<std::vector<CFolderListEntry>> children = lister.ListChildren(node);
    EXPECT_TRUE(children.has_value());
    return children ? std::move(*children) : std::vector<CFolderListEntry>();
}

std::vector<std::string> Texts(const std::vector<CFolderListEntry>& entries) {
    std::vector<std::string> texts;
    for (const CFolderListEntry& entry : entries)
        texts.push_back(entry.text);
    return texts;
}

const CFolderListEntry* Find(const std::vector<CFolderListEntry>& entries,
                             const std::string& text) {
    for (const CFolderListEntry& entry : entries) {
        if (entry.text == text)
            return &entry;
    }
    return nullptr;
}

std::string PathOf(LPCITEMIDLIST list) {
    std::string path;
    EXPECT_TRUE(SHGetPathFromIDList(list, &path));
    return path;
}

std::unique_ptr<CArchiveHandler> MakeMemoryZip() {
    return std::make_unique<zbtest::MemoryArchive>(std::vector<std::string>{"zip"});
}

// The ZIP slot reads the archives registered in memory while it lives.
class MemoryZipSlot {
public:
    MemoryZipSlot() : m_previous(SetArchiveHandlerFactory(ArchiveSlot::Zip, &MakeMemoryZip)) {}
    ~MemoryZipSlot() { SetArchiveHandlerFactory(ArchiveSlot::Zip, m_previous); }
    MemoryZipSlot(const MemoryZipSlot&) = delete;
    MemoryZipSlot& operator=(const MemoryZipSlot&) = delete;

private:
    ArchiveHandlerFactory m_previous;
};

// Hands out the lists it holds, in their order.
class ListEnum : public IEnumIDList {
public:
    explicit ListEnum(std::vector<PidlPtr> lists) : m_lists(std::move(lists)) {}
    HRESULT Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) override {
        *fetched = 0;
        if (count != 1 || m_next == m_lists.size())
            return S_FALSE;
        items[0] = m_lists[m_next++].release();
        *fetched = 1;
        return S_OK;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override { return E_NOTIMPL; }

private:
    std::vector<PidlPtr> m_lists;
    std::size_t m_next = 0;
};

// A folder that lists the items of another backwards, as do the folders bound
// in it, and leaves the rest to the other.
class BackwardsFolder : public IShellFolder {
public:
    explicit BackwardsFolder(zb::ComPtr<IShellFolder> folder) : m_folder(std::move(folder)) {}
    HRESULT EnumObjects(DWORD shcontf, zb::ComPtr<IEnumIDList>* result) override {
        zb::ComPtr<IEnumIDList> items;
        const HRESULT hr = m_folder->EnumObjects(shcontf, &items);
        std::vector<PidlPtr> lists;
        LPITEMIDLIST list = nullptr;
        ULONG fetched = 0;
        while (SUCCEEDED(hr) && items->Next(1, &list, &fetched) == S_OK)
            lists.insert(lists.begin(), PidlPtr(list));
        *result = zb::ComPtr<ListEnum>::Make(std::move(lists));
        return hr;
    }
    HRESULT ParseDisplayName(const std::string& name, ULONG* eaten, LPITEMIDLIST* result,
                             ULONG* attributes) override {
        return m_folder->ParseDisplayName(name, eaten, result, attributes);
    }
    HRESULT BindToObject(LPCITEMIDLIST relative, zb::ComPtr<IShellFolder>* result) override {
        zb::ComPtr<IShellFolder> folder;
        const HRESULT hr = m_folder->BindToObject(relative, &folder);
        if (SUCCEEDED(hr))
            *result = zb::ComPtr<BackwardsFolder>::Make(folder);
        return hr;
    }
    HRESULT CompareIDs(std::intptr_t column, LPCITEMIDLIST a, LPCITEMIDLIST b) override {
        return m_folder->CompareIDs(column, a, b);
    }
    HRESULT GetAttributesOf(UINT count, const LPCITEMIDLIST* items, ULONG* inOut) override {
        return m_folder->GetAttributesOf(count, items, inOut);
    }
    HRESULT GetDisplayNameOf(LPCITEMIDLIST item, DWORD shgdn, STRRET* name) override {
        return m_folder->GetDisplayNameOf(item, shgdn, name);
    }

private:
    zb::ComPtr<IShellFolder> m_folder;
};

class FolderListerTest : public ::testing::Test {
protected:
    void SetUp() override { m_base = zbtest::MakeTempDir("lister"); }
    std::string Folder(const std::string& name) {
        fs::create_directories(m_base + "/" + name);
        return m_base + "/" + name;
    }
    std::string File(const std::string& name, const std::string& bytes = "x") {
        return zbtest::WriteFile(m_base + "/" + name, bytes);
    }

    CFolderLister m_lister;
    std::string m_base;
};

TEST_F(FolderListerTest, AFolderListsItsFoldersAndArchivesInTheShellsOrder) {
    Folder("b");
    Folder("A");
    File("c.zip");
    File("notes.txt");
    fs::create_directory_symlink(Folder("target"), m_base + "/toplink");
    // Names are compared ignoring case; links and plain files are left out.
    const std::vector<CFolderListEntry> entries = Children(m_lister, NodeOf(m_base));
    EXPECT_EQ(Texts(entries), (std::vector<std::string>{"A", "b", "c.zip", "target"}));
}

TEST_F(FolderListerTest, TheOrderIsTheFoldersCompareIDsWhateverOrderItListsIn) {
    for (const char* name : {"c", "a", "B", "d"})
        Folder(name);
    FOLDERITEM node = NodeOf(m_base);
    node.m_pParentFolder = zb::ComPtr<BackwardsFolder>::Make(node.m_pParentFolder);
    EXPECT_EQ(Texts(Children(m_lister, node)), (std::vector<std::string>{"a", "B", "c", "d"}));
}

TEST_F(FolderListerTest, HiddenFoldersAreListed) {
    Folder(".cache");
    Folder("secret");
    File(".hidden", "secret\n");
    EXPECT_EQ(Texts(Children(m_lister, NodeOf(m_base))),
              (std::vector<std::string>{".cache", "secret"}));
}

TEST_F(FolderListerTest, AChildButtonShowsWhereThereIsMoreToOpen) {
    Folder("sub/inner");
    Folder("empty");
    File("onlyfile/a.txt");
    File("onlyzip/a.zip");
    File("hiddenzip/.b.tar.gz");
    fs::create_directory_symlink(Folder("target"), Folder("onlylink") + "/ln");
    File("pack.zip");
    const std::vector<CFolderListEntry> entries = Children(m_lister, NodeOf(m_base));
    const std::map<std::string, bool> expected = {
        {"sub", true},       {"empty", false},    {"onlyfile", false}, {"onlyzip", true},
        {"hiddenzip", true}, {"onlylink", false}, {"target", false},   {"pack.zip", true},
    };
    ASSERT_EQ(entries.size(), expected.size());
    for (const auto& [text, button] : expected) {
        const CFolderListEntry* entry = Find(entries, text);
        ASSERT_NE(entry, nullptr) << text;
        EXPECT_EQ(entry->hasChildButton, button) << text;
    }
}

TEST_F(FolderListerTest, AnEntryKnowsItsPlaceInTheNamespace) {
    Folder("sub");
    File("pack.zip");
    const FOLDERITEM parent = NodeOf(m_base);
    const std::vector<CFolderListEntry> entries = Children(m_lister, parent);
    ASSERT_EQ(Texts(entries), (std::vector<std::string>{"pack.zip", "sub"}));
    for (const CFolderListEntry& entry : entries) {
        const FOLDERITEM& data = *entry.data;
        EXPECT_EQ(PathOf(data.m_pidlFull.get()), m_base + "/" + entry.text);
        EXPECT_EQ(PathOf(data.m_pidlParentFull.get()), m_base);
        EXPECT_EQ(ILGetCount(data.m_pidl.get()), std::size_t(1));
        EXPECT_TRUE(data.m_pParentFolder);
        EXPECT_TRUE(data.m_sInnerPath.empty());
    }
    // Archive files are nodes that open like folders.
    EXPECT_EQ(entries[0].data->m_nKind, FOLDERITEM_ARCHIVE);
    EXPECT_EQ(entries[1].data->m_nKind, FOLDERITEM_SHELL);
    // An entry's node lists in turn.
    EXPECT_TRUE(Children(m_lister, *entries[1].data).empty());
}

TEST_F(FolderListerTest, AnArchiveListsTheFoldersInsideIt) {
    const std::string archive = File("data.zip");
    zbtest::MemoryArchive::Archives()[archive] = {
        {"src\\main.c", "int"},    {"docs\\a.txt", "a"}, {"docs\\deep\\b.txt", "b"},
        {"readme.txt", "read me"}, {"docs\\deep\\", ""},
    };
    MemoryZipSlot slot;
    const FOLDERITEM zip = NodeOf(archive, FOLDERITEM_ARCHIVE);
    const std::vector<CFolderListEntry> top = Children(m_lister, zip);
    // Folders only; the archive's files are never listed.
    ASSERT_EQ(Texts(top), (std::vector<std::string>{"docs", "src"}));
    EXPECT_TRUE(top[0].hasChildButton);
    EXPECT_FALSE(top[1].hasChildButton);
    for (const CFolderListEntry& entry : top) {
        // Every folder inside stands at the archive file's place.
        EXPECT_EQ(entry.data->m_nKind, FOLDERITEM_ARCHIVE);
        EXPECT_TRUE(ILIsEqual(entry.data->m_pidl.get(), zip.m_pidl.get()));
        EXPECT_TRUE(ILIsEqual(entry.data->m_pidlFull.get(), zip.m_pidlFull.get()));
        EXPECT_TRUE(ILIsEqual(entry.data->m_pidlParentFull.get(), zip.m_pidlFull.get()));
        EXPECT_EQ(entry.data->m_pParentFolder.Get(), zip.m_pParentFolder.Get());
    }
    const std::vector<CFolderListEntry> docs = Children(m_lister, *top[0].data);
    ASSERT_EQ(Texts(docs), (std::vector<std::string>{"deep"}));
    EXPECT_EQ(docs[0].data->m_sInnerPath, "docs\\deep");
    EXPECT_FALSE(docs[0].hasChildButton);
    EXPECT_TRUE(Children(m_lister, *docs[0].data).empty());
    m_lister.CloseArchiveHandlers();
    zbtest::MemoryArchive::Archives().erase(archive);
}

TEST_F(FolderListerTest, ARealArchiveShowsItsFoldersInItsOwnOrder) {
    const std::string archive =
        File("src.tar.gz", zbtest::Gzip(zbtest::TarMember("lib/util.c", "int") +
                                        zbtest::TarMember("lib/deep/x.h", "x") +
                                        zbtest::TarMember("doc/readme", "r") + zbtest::TarEnd()));
    const std::vector<CFolderListEntry> top =
        Children(m_lister, NodeOf(archive, FOLDERITEM_ARCHIVE));
    ASSERT_EQ(Texts(top), (std::vector<std::string>{"lib", "doc"}));
    EXPECT_EQ(Texts(Children(m_lister, *top[0].data)), std::vector<std::string>{"deep"});
}

TEST_F(FolderListerTest, WhatCannotBeReadListsNothing) {
    MemoryZipSlot slot;
    // An archive its reader cannot open, one that vanished, a folder that
    // vanished after it was bound.
    std::vector<FOLDERITEM> nodes;
    nodes.push_back(NodeOf(File("bundle.zip"), FOLDERITEM_ARCHIVE));
    const std::string gone = File("gone.zip");
    nodes.push_back(NodeOf(gone, FOLDERITEM_ARCHIVE));
    ASSERT_EQ(::unlink(gone.c_str()), 0);
    Folder("vanished/inner");
    nodes.push_back(NodeOf(m_base + "/vanished"));
    fs::remove_all(m_base + "/vanished");
    for (const FOLDERITEM& node : nodes) {
        const std::optional<std::vector<CFolderListEntry>> children = m_lister.ListChildren(node);
        ASSERT_TRUE(children.has_value());
        EXPECT_TRUE(children->empty());
    }
}

TEST_F(FolderListerTest, TheDesktopRootListsTheSpecialFoldersFirst) {
    const std::string desktop = zb::CurrentShellRoots()->desktopDir;
    fs::create_directories(desktop + "/Projects");
    zbtest::WriteFile(desktop + "/bundle.zip", "zip");
    zbtest::WriteFile(desktop + "/notes.txt", "text");
    zb::ComPtr<IShellFolder> shellDesktop;
    ASSERT_EQ(SHGetDesktopFolder(&shellDesktop), S_OK);
    const std::optional<CFolderListEntry> root = m_lister.DesktopRoot(shellDesktop.Get());
    ASSERT_TRUE(root.has_value());
    EXPECT_EQ(root->text, "Desktop");
    EXPECT_TRUE(root->hasChildButton);
    EXPECT_TRUE(ILIsEmpty(root->data->m_pidl.get()));
    EXPECT_TRUE(ILIsEmpty(root->data->m_pidlFull.get()));
    EXPECT_EQ(root->data->m_pidlParentFull, nullptr);
    EXPECT_EQ(Texts(Children(m_lister, *root->data)),
              (std::vector<std::string>{"Home", "Computer", "Network", "Trash", "bundle.zip",
                                        "Projects"}));
}

}  // namespace
