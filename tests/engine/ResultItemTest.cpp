#include "app/engine/ResultItem.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "app/engine/ResultList.h"
#include "archives/MemoryArchive.h"
#include "platform/FileTime.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellHelper.h"
#include "support/TempHome.h"

namespace {

// A folder without paths whose items answer with fixed names.
class NamedItemsFolder : public IShellFolder {
public:
    NamedItemsFolder(std::string parsing, std::string normal)
        : m_parsing(std::move(parsing)), m_normal(std::move(normal)) {}
    HRESULT ParseDisplayName(const std::string&, ULONG*, LPITEMIDLIST*, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT EnumObjects(DWORD, zb::ComPtr<IEnumIDList>*) override { return E_NOTIMPL; }
    HRESULT BindToObject(LPCITEMIDLIST, zb::ComPtr<IShellFolder>*) override { return E_NOTIMPL; }
    HRESULT CompareIDs(std::intptr_t, LPCITEMIDLIST, LPCITEMIDLIST) override { return E_NOTIMPL; }
    HRESULT GetAttributesOf(UINT, const LPCITEMIDLIST*, ULONG* inOut) override {
        *inOut &= SFGAO_FOLDER;
        return S_OK;
    }
    HRESULT GetDisplayNameOf(LPCITEMIDLIST, DWORD shgdn, STRRET* name) override {
        name->uType = STRRET_CSTR;
        name->str = (shgdn & SHGDN_FORPARSING) ? m_parsing : m_normal;
        return S_OK;
    }

private:
    std::string m_parsing;
    std::string m_normal;
};

PidlPtr OneItem(const std::string& payload) {
    std::string bytes;
    bytes.push_back(static_cast<char>(payload.size() + 2));
    bytes.push_back('\0');
    bytes += payload;
    bytes.append(2, '\0');
    LPITEMIDLIST list = ILAlloc(bytes.size());
    std::memcpy(list, bytes.data(), bytes.size());
    return PidlPtr(list);
}

std::string NameOfItemWithoutPath(const std::string& parsing, const std::string& normal) {
    auto folder = zb::ComPtr<IShellFolder>::Adopt(new NamedItemsFolder(parsing, normal));
    CResultItem record;
    // No SFGAO_CANCOPY: the item has no path.
    MakeResultItem(record, folder, OneItem("x"), OneItem("x"), 0, "Network");
    EXPECT_TRUE(record.m_dwFlags & RIF_NO_PATH);
    EXPECT_EQ(record.m_sFolder, "Network");
    return record.m_sName.str();
}

TEST(ResultItemTest, TrashItemsGetTheirExtensionBack) {
    EXPECT_EQ(NameOfItemWithoutPath("c:\\recycled\\dc1.doc", "report"), "report.doc");
    EXPECT_EQ(NameOfItemWithoutPath("C:\\RECYCLED\\DC1.doc", "report.DOC"), "report.DOC");
    // Only names of recycled items are touched.
    EXPECT_EQ(NameOfItemWithoutPath("c:\\other\\dc1.doc", "report"), "report");
    EXPECT_EQ(NameOfItemWithoutPath("c:\\recycled\\noext", "report"), "report");
}

// Parses an existing path into an absolute list.
PidlPtr ParsePath(const std::string& path) {
    CShellHelper helper;
    LPITEMIDLIST list = nullptr;
    EXPECT_EQ(helper.ParseDisplayName(path, &list, nullptr), S_OK) << path;
    return PidlPtr(list);
}

TEST(ResultItemTest, FileItemsCarryTheirFileData) {
    const std::string dir = zbtest::MakeTempDir("records");
    zbtest::WriteFile(dir + "/a.txt", "hello");
    PidlPtr full = ParsePath(dir + "/a.txt");
    PidlPtr item(ILCloneFirst(ILFindLast(full.get())));
    CShellHelper helper;
    zb::ComPtr<IShellFolder> parent = helper.BindToFolder(ParsePath(dir).get());

    CResultItem record;
    MakeResultItem(record, parent, std::move(item), std::move(full),
                   SFGAO_CANCOPY | SFGAO_CANDELETE, "unused");
    EXPECT_EQ(record.m_dwFlags, RIF_DELETABLE);
    EXPECT_EQ(record.m_sName, "a.txt");
    EXPECT_EQ(record.m_sFolder, dir);
    EXPECT_EQ(record.m_nSize, 5u);
    EXPECT_NE(record.m_ftLastWrite.Value(), 0u);
    EXPECT_EQ(record.m_pParentFolder.Get(), parent.Get());

    // The scratch record is reused for an item whose file has gone: nothing of
    // the previous item stays behind.
    zbtest::WriteFile(dir + "/gone.txt", "x");
    PidlPtr goneFull = ParsePath(dir + "/gone.txt");
    ASSERT_EQ(unlink((dir + "/gone.txt").c_str()), 0);
    PidlPtr goneItem(ILCloneFirst(ILFindLast(goneFull.get())));
    MakeResultItem(record, parent, std::move(goneItem), std::move(goneFull), SFGAO_CANCOPY, "");
    EXPECT_EQ(record.m_sName, "gone.txt");
    EXPECT_EQ(record.m_nSize, 0u);
    EXPECT_EQ(record.m_ftLastWrite.Value(), 0u);
    EXPECT_EQ(record.m_dwAttributes, 0u);
}

TEST(ResultItemTest, ItemsDirectlyUnderTheRootLieInTheRoot) {
    PidlPtr full = ParsePath("/tmp");
    PidlPtr item(ILCloneFirst(ILFindLast(full.get())));
    CShellHelper helper;
    zb::ComPtr<IShellFolder> parent = helper.BindToFolder(ParsePath("/").get());

    CResultItem record;
    MakeResultItem(record, parent, std::move(item), std::move(full), SFGAO_CANCOPY | SFGAO_FOLDER,
                   "unused");
    EXPECT_EQ(record.m_sName, "tmp");
    EXPECT_EQ(record.m_sFolder, "/");
    std::string path;
    ASSERT_TRUE(record.GetFilePath(&path));
    EXPECT_EQ(path, "/tmp");
}

TEST(ResultItemTest, CopiesOwnTheirListsAndMakeTheirPicturesAgain) {
    CResultItem a;
    a.m_pidl = OneItem("rel");
    a.SetFullPidl(OneItem("full"));
    a.m_sName = "n";
    a.m_arrValues.resize(2);
    a.m_arrValues[1].text = "v";
    a.m_arrValues[1].valid = TRUE;
    a.m_iThumbnailState = THUMBNAIL_MADE;

    CResultItem b(a);
    EXPECT_NE(b.m_pidl.get(), a.m_pidl.get());
    EXPECT_TRUE(ILIsEqual(b.m_pidl.get(), a.m_pidl.get()));
    EXPECT_TRUE(ILIsEqual(b.GetFullPidl().get(), a.GetFullPidl().get()));
    ASSERT_EQ(b.m_arrValues.size(), 2u);
    EXPECT_EQ(b.m_arrValues[1].text, "v");
    EXPECT_TRUE(b.m_arrValues[1].valid);
    // The picture is the original's: the copy's is made again; a failure
    // stays one.
    EXPECT_EQ(b.m_iThumbnailState, THUMBNAIL_NONE);
    a.m_iThumbnailState = THUMBNAIL_FAILED;
    EXPECT_EQ(CResultItem(a).m_iThumbnailState, THUMBNAIL_FAILED);

    a.Clear();
    EXPECT_EQ(a.m_iThumbnailState, THUMBNAIL_NONE);
}

class ArchiveRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = zbtest::MakeTempDir("x");
        m_archive = zbtest::WriteFile(m_dir + "/a.zip", "not read from disk");
        zbtest::MemoryArchive::Archives()[m_archive] = {{"sub\\deep\\a.txt", "abc"},
                                                        {"top.txt", "t"}};
        m_handler = std::make_unique<zbtest::MemoryArchive>(std::vector<std::string>{"zip"});
        m_handler->Init();
        ASSERT_TRUE(m_handler->Open(m_archive));
    }

    CResultItem Member(const std::string& name) {
        CResultItem record;
        PidlPtr full = ParsePath(m_archive);
        PidlPtr item(ILCloneFirst(ILFindLast(full.get())));
        EXPECT_TRUE(MakeArchiveEntryItem(m_handler.get(), m_handler->FindEntry(name), record,
                                         nullptr, std::move(item), std::move(full)));
        return record;
    }

    std::string m_dir;
    std::string m_archive;
    std::unique_ptr<zbtest::MemoryArchive> m_handler;
};

TEST_F(ArchiveRecordTest, MembersKnowTheirFolderAndInnerPath) {
    CResultItem deep = Member("sub\\deep\\a.txt");
    EXPECT_EQ(deep.m_dwFlags, RIF_IN_ARCHIVE);
    EXPECT_EQ(deep.m_sName, "a.txt");
    EXPECT_EQ(deep.m_sFolder, m_archive + "\\sub\\deep");
    EXPECT_EQ(deep.m_nSize, 3u);
    EXPECT_EQ(deep.m_dwAttributes, FILE_ATTRIBUTE_NORMAL);
    std::string inner;
    EXPECT_TRUE(deep.GetPathInArchive(&inner));
    EXPECT_EQ(inner, "sub\\deep\\a.txt");

    CResultItem top = Member("top.txt");
    EXPECT_EQ(top.m_sFolder, m_archive);
    EXPECT_TRUE(top.GetPathInArchive(&inner));
    EXPECT_EQ(inner, "top.txt");
}

TEST_F(ArchiveRecordTest, MembersGetTypeNamesByName) {
    CResultItem top = Member("top.txt");
    FillResultTypeInfo(top);
    EXPECT_EQ(top.m_sTypeName, "TXT File");
    EXPECT_GE(top.m_iIcon, 0);
}

TEST_F(ArchiveRecordTest, ABadEntryLeavesTheRecordAlone) {
    CResultItem record;
    record.m_sName = "kept";
    EXPECT_FALSE(MakeArchiveEntryItem(m_handler.get(), 99, record, nullptr, nullptr, nullptr));
    EXPECT_EQ(record.m_sName, "kept");
    std::string inner = "x";
    EXPECT_FALSE(record.GetPathInArchive(&inner));
    EXPECT_EQ(inner, "");
}

class RecordingView : public IResultListView {
public:
    void DeleteAllRows(const std::shared_ptr<CResultArray>& results) override {
        generations.push_back(results);
    }
    void InsertRows(const std::shared_ptr<CResultArray>&, std::size_t first,
                    std::size_t count) override {
        EXPECT_EQ(first, rows);  // batches arrive in order, without gaps
        rows += count;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::size_t rows = 0;
    std::vector<std::string> messages;
    std::vector<std::shared_ptr<CResultArray>> generations;
};

TEST(ResultListTest, TheLimitStopsAtItsRowAndSaysSo) {
    RecordingView view;
    CResultList list(&view);
    list.SetLimit(100);
    int accepted = 0;
    for (int i = 0; i < 100; ++i) {
        CResultItem record;
        record.m_sName = std::to_string(i);
        record.m_sName += ".txt";
        record.m_dwFlags = RIF_IN_ARCHIVE;
        ASSERT_GE(list.Append(std::move(record)), 0);
        if (!list.AddResultItem())
            break;
        ++accepted;
    }
    EXPECT_EQ(accepted, 99);
    EXPECT_EQ(list.GetRowCount(), 100u);
    EXPECT_EQ(view.rows, 100u);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0], "Search result exceed 100");
}

TEST(ResultListTest, ReleasedGenerationsStayReadableByTheirHolders) {
    RecordingView view;
    CResultList list(&view);
    CResultItem record;
    record.m_sName = "first";
    list.Append(std::move(record));
    list.AddResultItem();
    std::shared_ptr<CResultArray> held = list.GetResults();
    const CResultItem* address = &held->GetAt(0);
    list.ReleaseResults();
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_EQ(list.GetRowCount(), 0u);
    // The view is handed the generation that starts, not left to ask for it.
    ASSERT_EQ(view.generations.size(), 1u);
    EXPECT_EQ(view.generations[0], list.GetResults());
    EXPECT_NE(view.generations[0], held);
    EXPECT_EQ(held->GetCount(), 1u);
    EXPECT_EQ(&held->GetAt(0), address);
    EXPECT_EQ(held->GetAt(0).m_sName, "first");
}

}  // namespace
