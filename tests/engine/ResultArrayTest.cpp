#include "app/engine/ResultArray.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/CriteriaTestSupport.h"
#include "platform/FileTime.h"
#include "platform/shell/ShellItem.h"
#include "support/TempHome.h"

namespace {

using zbtest::ListOfPath;

PidlPtr EntryItem(const std::string& name) {
    return PidlPtr(zb::MakeItemList(zb::ItemKind::Entry, 1, name));
}

// Every field of two records, the bitmap aside (stored records are made
// without one), compared one by one.
void ExpectSameRecord(const CResultItem& stored, const CResultItem& made) {
    EXPECT_EQ(stored.m_pParentFolder.Get(), made.m_pParentFolder.Get());
    EXPECT_EQ(static_cast<bool>(stored.m_pidl), static_cast<bool>(made.m_pidl));
    EXPECT_TRUE(ILIsEqual(stored.m_pidl.get(), made.m_pidl.get()));
    EXPECT_EQ(stored.HasFullPidl(), made.HasFullPidl());
    EXPECT_TRUE(ILIsEqual(stored.GetFullPidl().get(), made.GetFullPidl().get()));
    EXPECT_EQ(stored.m_dwFlags, made.m_dwFlags);
    EXPECT_EQ(stored.m_dwAttributes, made.m_dwAttributes);
    EXPECT_EQ(stored.m_sName, made.m_sName);
    EXPECT_STREQ(stored.m_sName.c_str(), made.m_sName.c_str());
    EXPECT_EQ(stored.m_sFolder, made.m_sFolder);
    EXPECT_EQ(stored.m_sTypeName, made.m_sTypeName);
    EXPECT_EQ(stored.m_nSize, made.m_nSize);
    EXPECT_EQ(stored.m_iIcon, made.m_iIcon);
    EXPECT_EQ(stored.m_ftCreation.Value(), made.m_ftCreation.Value());
    EXPECT_EQ(stored.m_ftLastAccess.Value(), made.m_ftLastAccess.Value());
    EXPECT_EQ(stored.m_ftLastWrite.Value(), made.m_ftLastWrite.Value());
    EXPECT_EQ(stored.m_nArchiveEntry, made.m_nArchiveEntry);
    ASSERT_EQ(stored.m_arrValues.size(), made.m_arrValues.size());
    for (std::size_t i = 0; i < made.m_arrValues.size(); ++i) {
        EXPECT_EQ(stored.m_arrValues[i].text, made.m_arrValues[i].text);
        EXPECT_EQ(stored.m_arrValues[i].valid, made.m_arrValues[i].valid);
    }
    EXPECT_EQ(stored.m_iThumbnailState, made.m_iThumbnailState);
}

class ResultArrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = zbtest::MakeTempDir("stored");
        for (const char* name : {"a.txt", "Ünïcode ñame.c", "b"})
            zbtest::WriteFile(m_folder + "/" + name, "x");
    }

    // A record of a file, made as the walk makes it.
    CResultItem FileRecord(const std::string& name, std::uint64_t size, const char* type) {
        CResultItem record;
        PidlPtr full = ListOfPath(m_folder + "/" + name);
        PidlPtr item(ILCloneFirst(ILFindLast(full.get())));
        MakeResultItem(record, nullptr, std::move(item), std::move(full),
                       SFGAO_CANCOPY | SFGAO_CANDELETE, "");
        record.m_nSize = size;
        record.m_sTypeName = type;
        record.m_iIcon = 3;
        record.m_ftCreation = FILETIME::FromValue(1);
        record.m_ftLastAccess = FILETIME::FromValue(2);
        record.m_ftLastWrite = FILETIME::FromValue(3);
        return record;
    }

    std::string m_folder;
};

TEST_F(ResultArrayTest, StoredRecordsEqualTheRecordsTheyWereMadeFrom) {
    std::vector<CResultItem> made;
    made.push_back(FileRecord("a.txt", 1, "Text document"));
    made.push_back(FileRecord("Ünïcode ñame.c", 2, "C source code"));
    made.push_back(FileRecord("b", 0, "Text document"));
    // A member of an archive: its lists are the archive's.
    CResultItem member;
    PidlPtr archive = ListOfPath(m_folder + "/a.txt");
    PidlPtr archiveItem(ILCloneFirst(ILFindLast(archive.get())));
    member.SetItemLists(std::move(archiveItem), std::move(archive));
    member.m_sName = "inner.txt";
    member.m_sFolder = m_folder + "/a.txt\\sub";
    member.m_dwFlags = RIF_IN_ARCHIVE | RIF_SIZE_UNKNOWN;
    member.m_nArchiveEntry = 4;
    member.m_arrValues.resize(2);
    member.m_arrValues[1].text = "a value";
    member.m_arrValues[1].valid = TRUE;
    made.push_back(std::move(member));
    // No path; a relative list that is not the last item of the absolute
    // one; an absolute list alone; nothing at all.
    CResultItem other;
    other.SetItemLists(EntryItem("elsewhere"), ListOfPath(m_folder + "/b"));
    other.m_sName = "Network item";
    other.m_sFolder = "Network";
    other.m_dwFlags = RIF_NO_PATH;
    made.push_back(std::move(other));
    CResultItem fullOnly;
    fullOnly.SetFullPidl(ListOfPath(m_folder));
    made.push_back(std::move(fullOnly));
    made.emplace_back();

    CResultArray results;
    for (const CResultItem& record : made)
        ASSERT_GE(results.Append(CResultItem(record)), 0);
    ASSERT_EQ(results.GetCount(), made.size());
    for (std::size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(i);
        ExpectSameRecord(results[i], made[i]);
        // Texts and lists lie in the arena now.
        EXPECT_EQ(results[i].m_sName.IsPacked(), !made[i].m_sName.empty());
        EXPECT_EQ(results[i].m_pidl.IsPacked(), static_cast<bool>(made[i].m_pidl));
    }

    // Records of one folder share its text, records of one type its name.
    EXPECT_EQ(results[0].m_sFolder.data(), results[2].m_sFolder.data());
    EXPECT_EQ(results[0].m_sTypeName.data(), results[2].m_sTypeName.data());

    // A copy of a stored record owns what it holds, and outlives the storage.
    CResultItem copy(results[1]);
    EXPECT_FALSE(copy.m_sName.IsPacked());
    EXPECT_FALSE(copy.m_pidl.IsPacked());
    ExpectSameRecord(copy, made[1]);
    // A stored record changed later owns its new text; its neighbours keep theirs.
    results[0].m_sName = "renamed.txt";
    results[0].m_sFolder += "/sub";
    EXPECT_FALSE(results[0].m_sName.IsPacked());
    EXPECT_EQ(results[0].m_sFolder, m_folder + "/sub");
    EXPECT_EQ(results[2].m_sFolder, m_folder);
    EXPECT_EQ(results[2].m_sName, "b");
}

TEST(ResultArrayBlocksTest, TheRecordsOfAFolderShareItsAbsoluteList) {
    // A folder 40 levels deep: its absolute list alone is over 200 bytes.
    PidlPtr folder(ILAlloc(2));
    for (int level = 0; level < 40; ++level)
        folder.reset(ILAppendID(folder.get(), EntryItem("level" + std::to_string(level)).get()));
    ASSERT_GT(ILGetSize(folder.get()), 200u);
    CResultArray results;
    for (int i = 0; i < 1000; ++i) {
        CResultItem record;
        record.SetItemListsIn(EntryItem("file" + std::to_string(i)), folder.get());
        results.Append(std::move(record));
    }
    PidlPtr last(ILAppendID(folder.get(), EntryItem("file999").get()));
    EXPECT_TRUE(ILIsEqual(results[999].GetFullPidl().get(), last.get()));
    // The items and the list once: the arena's first chunk (a copy of the
    // list each would take over 200 KB).
    EXPECT_LE(results.GetReservedBytes(),
              (CResultArray::kBlockSize * sizeof(CResultItem)) + 64 * 1024);
}

TEST(ResultArrayBlocksTest, RecordsNeverMoveAcrossBlocks) {
    CResultArray results;
    CResultItem probe;
    probe.m_sName = "0";
    results.Append(std::move(probe));
    const CResultItem* first = &results[0];
    for (std::size_t i = 1; i < CResultArray::kBlockSize + 10; ++i) {
        CResultItem record;
        record.m_sName = std::to_string(i);
        record.m_pidl = EntryItem(record.m_sName.str());
        results.Append(std::move(record));
    }
    EXPECT_EQ(&results[0], first);
    EXPECT_EQ(results[0].m_sName, "0");
    EXPECT_EQ(results.GetCount(), CResultArray::kBlockSize + 10);
    for (std::size_t i = 1; i < results.GetCount(); ++i) {
        zb::ShellItem item;
        ASSERT_TRUE(zb::DecodeItem(results[i].m_pidl.get(), &item));
        ASSERT_EQ(item.name, std::to_string(i));
        ASSERT_EQ(results[i].m_sName, std::to_string(i));
    }
}

}  // namespace
