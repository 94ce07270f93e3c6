#include "readers/archives/ArchiveHandler.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "archives/MemoryArchive.h"
#include "readers/archives/ArchiveHandlerFactory.h"
#include "support/TempHome.h"

namespace {

using zbtest::MemoryArchive;

std::unique_ptr<CArchiveHandler> MakeZipLike() {
    return std::make_unique<MemoryArchive>(std::vector<std::string>{"zip", "pak"}, 0x10000);
}
std::unique_ptr<CArchiveHandler> MakeTarLike() {
    return std::make_unique<MemoryArchive>(
        std::vector<std::string>{"tgz", "tar", "tar.gz", "tbz2", "tbz", "tar.bz", "tar.bz2"},
        0x20000);
}
std::unique_ptr<CArchiveHandler> MakeGzLike() {
    return std::make_unique<MemoryArchive>(std::vector<std::string>{"gz"}, 0x8000);
}

MemoryArchive& Handler(std::size_t i) {
    return static_cast<MemoryArchive&>(*g_arrArchiveHandlers.at(i));
}

// Installs test readers in the ZIP, TAR and GZ slots (the others empty) and
// restores the slots afterwards.
class ArchiveListTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::size_t slot = 0; slot < ARCHIVE_SLOT_COUNT; ++slot) {
            m_saved[slot] = SetArchiveHandlerFactory(static_cast<ArchiveSlot>(slot), nullptr);
        }
        SetArchiveHandlerFactory(ArchiveSlot::Gz, &MakeGzLike);
        SetArchiveHandlerFactory(ArchiveSlot::Tar, &MakeTarLike);
        SetArchiveHandlerFactory(ArchiveSlot::Zip, &MakeZipLike);
        FreeArchiveHandlers();
    }
    void TearDown() override {
        FreeArchiveHandlers();
        for (std::size_t slot = 0; slot < ARCHIVE_SLOT_COUNT; ++slot) {
            SetArchiveHandlerFactory(static_cast<ArchiveSlot>(slot), m_saved[slot]);
        }
        MemoryArchive::Archives().clear();
    }

private:
    std::array<ArchiveHandlerFactory, ARCHIVE_SLOT_COUNT> m_saved{};
};

TEST(ArchiveMatchExtension, NameMustBeLongerAndHaveADotBeforeTheExtension) {
    MemoryArchive zip({"zip", "pak"});
    MemoryArchive tar({"tgz", "tar", "tar.gz"});
    zip.Init();
    tar.Init();
    EXPECT_TRUE(zip.MatchExtension("/x/a.zip"));
    EXPECT_TRUE(zip.MatchExtension("/X/A.ZIP"));
    EXPECT_TRUE(zip.MatchExtension("game.Pak"));
    EXPECT_FALSE(zip.MatchExtension("zip"));
    EXPECT_FALSE(zip.MatchExtension("azip"));
    EXPECT_FALSE(zip.MatchExtension("a.zipx"));
    EXPECT_FALSE(zip.MatchExtension(""));
    EXPECT_TRUE(tar.MatchExtension("x.tar.gz"));
    EXPECT_FALSE(tar.MatchExtension("tar.gz"));
    std::vector<std::string> extensions;
    tar.GetExtensions(&extensions);
    EXPECT_EQ(extensions, (std::vector<std::string>{"tgz", "tar", "tar.gz"}));
}

TEST(ArchiveOpen, SameArchiveIsNotReopenedAndPathCaseIsIgnored) {
    const std::string dir = zbtest::MakeTempDir("reopen");
    const std::string data = zbtest::WriteFile(dir + "/Data.zip", "x");
    // The same file reached under a name that differs only in case, as on a
    // case-insensitive volume.
    ASSERT_EQ(::symlink("Data.zip", (dir + "/DATA.ZIP").c_str()), 0);
    MemoryArchive::Archives()[data] = {{"a.txt", "a"}};
    MemoryArchive::Archives()[dir + "/other.zip"] = {{"b.txt", "b"}};
    MemoryArchive handler({"zip"});
    handler.Init();
    EXPECT_FALSE(handler.IsOpenOn(data));
    ASSERT_TRUE(handler.Open(data));
    ASSERT_TRUE(handler.Open(dir + "/DATA.ZIP"));
    ASSERT_TRUE(handler.Open(data));
    EXPECT_EQ(handler.openCalls, 1);
    EXPECT_FALSE(handler.IsOpenOn(dir + "/data.zip"));  // no such file
    EXPECT_FALSE(handler.IsOpenOn(dir + "/DATA.zip"));
    EXPECT_TRUE(handler.IsOpenOn(dir + "/DATA.ZIP"));

    // Another archive replaces the first.
    ASSERT_TRUE(handler.Open(dir + "/other.zip"));
    EXPECT_EQ(handler.openCalls, 2);
    EXPECT_FALSE(handler.IsOpenOn(data));
    EXPECT_GE(handler.FindEntry("b.txt"), 0);
    EXPECT_EQ(handler.FindEntry("a.txt"), -1);

    // A failed open leaves the handler closed.
    EXPECT_FALSE(handler.Open(dir + "/missing.zip"));
    EXPECT_FALSE(handler.IsOpen());
    EXPECT_FALSE(handler.IsOpenOn(dir + "/other.zip"));
    EXPECT_EQ(handler.FirstFile(), -1);
    MemoryArchive::Archives().clear();
}

// A file written to or replaced since it was read is read again: its table
// would be stale.
TEST(ArchiveOpen, AChangedOrReplacedFileIsReadAgain) {
    const std::string dir = zbtest::MakeTempDir("stale");
    const std::string path = zbtest::WriteFile(dir + "/pack.zip", "one");
    MemoryArchive::Archives()[path] = {{"a.txt", "a"}};
    MemoryArchive handler({"zip"});
    handler.Init();
    ASSERT_TRUE(handler.Open(path));
    ASSERT_TRUE(handler.Open(path));
    EXPECT_EQ(handler.openCalls, 1);

    zbtest::WriteFile(path, "longer");  // written in place: same inode
    EXPECT_FALSE(handler.IsOpenOn(path));
    ASSERT_TRUE(handler.Open(path));
    EXPECT_EQ(handler.openCalls, 2);

    const std::string other = zbtest::WriteFile(dir + "/new.zip", "longer");
    ASSERT_EQ(::rename(other.c_str(), path.c_str()), 0);  // same size, another file
    EXPECT_FALSE(handler.IsOpenOn(path));
    ASSERT_TRUE(handler.Open(path));
    EXPECT_EQ(handler.openCalls, 3);
    MemoryArchive::Archives().clear();
}

// On a case-sensitive volume two names that differ only in case are two
// archives: the second must not be served from the first one's table.
TEST(ArchiveOpen, NamesDifferingInCaseOnlyAreDifferentArchivesWhenTheFilesDiffer) {
    const std::string dir = zbtest::MakeTempDir("case");
    const std::string lower = zbtest::WriteFile(dir + "/pack.zip", "1");
    const std::string upper = zbtest::WriteFile(dir + "/PACK.ZIP", "2");
    MemoryArchive::Archives()[lower] = {{"lower.txt", "l"}};
    MemoryArchive::Archives()[upper] = {{"upper.txt", "u"}};
    MemoryArchive handler({"zip"});
    handler.Init();
    ASSERT_TRUE(handler.Open(lower));
    ASSERT_TRUE(handler.Open(upper));
    EXPECT_EQ(handler.openCalls, 2);
    EXPECT_GE(handler.FindEntry("upper.txt"), 0);
    EXPECT_EQ(handler.FindEntry("lower.txt"), -1);
    MemoryArchive::Archives().clear();
}

TEST(ArchiveOpen, EntryOpenedByNameIsFoundAsOpen) {
    MemoryArchive::Archives()["/x/a.zip"] = {{"Dir/File.txt", "abc"}};
    MemoryArchive handler({"zip"});
    handler.Init();
    ASSERT_TRUE(handler.Open("/x/a.zip"));
    EXPECT_EQ(handler.FindOpenEntry("dir\\file.txt"), -1);
    const int i = handler.OpenEntryByName("DIR\\FILE.TXT");
    ASSERT_GE(i, 0);
    EXPECT_EQ(handler.FindOpenEntry("dir\\file.txt"), i);
    EXPECT_EQ(handler.OpenEntryByName("dir\\missing.txt"), -1);
    EXPECT_EQ(handler.OpenEntryByName("dir"), -1);  // a folder cannot be read
    MemoryArchive::Archives().clear();
}

TEST_F(ArchiveListTest, ListIsBuiltInSlotOrderSkippingEmptySlots) {
    EXPECT_EQ(GetMaxBlockSize(), 0);
    EXPECT_EQ(InitArchiveHandlers(), 3);
    ASSERT_EQ(g_arrArchiveHandlers.size(), 3u);
    std::vector<std::string> first;
    for (const auto& handler : g_arrArchiveHandlers) {
        std::vector<std::string> extensions;
        handler->GetExtensions(&extensions);  // filled by Init
        ASSERT_FALSE(extensions.empty());
        first.push_back(extensions.front());
        EXPECT_EQ(handler->GetFlags(), ARCHIVE_FLAG_USABLE);
    }
    EXPECT_EQ(first, (std::vector<std::string>{"zip", "tgz", "gz"}));
    EXPECT_EQ(GetMaxBlockSize(), 0x20000);

    // A second call keeps the list and its objects.
    const CArchiveHandler* zip = g_arrArchiveHandlers.front().get();
    EXPECT_EQ(InitArchiveHandlers(), 3);
    EXPECT_EQ(g_arrArchiveHandlers.front().get(), zip);
}

TEST_F(ArchiveListTest, TarGzIsOfferedToTheTarReaderFirst) {
    InitArchiveHandlers();
    MemoryArchive::Archives()["/x/plain.tar.gz"] = {{"plain.tar", "data"}};
    MemoryArchive& tar = Handler(1);
    MemoryArchive& gz = Handler(2);

    // Both match the name; TAR is asked first and, here, opens it.
    EXPECT_EQ(FindArchiveHandler("/x/plain.tar.gz"), &tar);
    EXPECT_EQ(gz.openCalls, 0);

    // A name only GZ matches goes to GZ without asking TAR.
    MemoryArchive::Archives()["/x/notes.gz"] = {{"notes", "text"}};
    const int tarOpens = tar.openCalls;
    EXPECT_EQ(FindArchiveHandler("/x/notes.gz"), &gz);
    EXPECT_EQ(tar.openCalls, tarOpens);
    EXPECT_EQ(FindArchiveHandler("/x/readme.txt"), nullptr);
}

// A TAR-slot reader that cannot open a .tar.gz file passes it on to GZ.
std::unique_ptr<CArchiveHandler> MakeRefusingTar() {
    class RefusingTar : public MemoryArchive {
    public:
        RefusingTar() : MemoryArchive({"tgz", "tar", "tar.gz"}) {}

    protected:
        bool OpenArchive(const std::string&) override {
            ++openCalls;
            return FALSE;
        }
    };
    return std::make_unique<RefusingTar>();
}

TEST_F(ArchiveListTest, FailedOpenPassesTheFileToTheNextMatchingReader) {
    SetArchiveHandlerFactory(ArchiveSlot::Tar, &MakeRefusingTar);
    InitArchiveHandlers();
    MemoryArchive::Archives()["/x/not-a-tar.tar.gz"] = {{"not-a-tar.tar", "bytes"}};
    EXPECT_EQ(FindArchiveHandler("/x/not-a-tar.tar.gz"), &Handler(2));
    EXPECT_EQ(Handler(1).openCalls, 1);
    EXPECT_FALSE(Handler(1).IsOpen());
    // Nothing opens a missing file.
    EXPECT_EQ(FindArchiveHandler("/x/missing.tar.gz"), nullptr);
}

TEST_F(ArchiveListTest, FindInAnOwnListAndCloseAll) {
    MemoryArchive::Archives()["/x/a.zip"] = {{"a.txt", "a"}};
    CArchiveHandlerList own;
    EXPECT_EQ(CreateArchiveHandlers(own), 3);
    CArchiveHandler* handler = FindArchiveHandlerIn("/x/a.zip", own);
    ASSERT_EQ(handler, own.front().get());
    EXPECT_TRUE(handler->IsOpen());
    EXPECT_EQ(CloseArchiveHandlers(own), 3);
    EXPECT_FALSE(handler->IsOpen());
    // The global list is separate.
    EXPECT_TRUE(g_arrArchiveHandlers.empty());
    DeleteArchiveHandlers(own);
    EXPECT_TRUE(own.empty());

    InitArchiveHandlers();
    CArchiveHandler* global = FindArchiveHandler("/x/a.zip");
    ASSERT_NE(global, nullptr);
    CloseAllArchives();
    EXPECT_FALSE(global->IsOpen());
    EXPECT_EQ(g_arrArchiveHandlers.size(), 3u);
    FreeArchiveHandlers();
    EXPECT_TRUE(g_arrArchiveHandlers.empty());
    EXPECT_EQ(GetMaxBlockSize(), 0);
}

TEST(ArchiveExtensions, ListAndNameTest) {
    InitArchiveExtensions();
    EXPECT_EQ(g_arrArchiveExtensions,
              (std::vector<std::string>{"zip", "pak", "rar", "tgz", "tar", "tar.gz", "gz", "cab",
                                        "ace", "arj", "bz", "bz2", "tbz", "tbz2"}));
    InitArchiveExtensions();  // refilled, not appended
    EXPECT_EQ(g_arrArchiveExtensions.size(), 14u);

    EXPECT_TRUE(IsArchiveFileName("/home/u/Backup.TBZ2"));
    EXPECT_TRUE(IsArchiveFileName("a.tar.gz"));
    EXPECT_TRUE(IsArchiveFileName("x.bz"));
    EXPECT_TRUE(IsArchiveFileName("data.pak"));
    EXPECT_FALSE(IsArchiveFileName("zip"));
    EXPECT_FALSE(IsArchiveFileName("bz2"));
    EXPECT_FALSE(IsArchiveFileName("file.7z"));
    EXPECT_FALSE(IsArchiveFileName("archive.r00"));  // volumes are the readers' business

    // Only the name's end is lower-cased where that gives the same answer as
    // lower-casing all of it; every name below is answered as the whole
    // lower-cased name answers.
    struct Case {
        const char* name;
        bool archive;
    };
    for (const Case& c :
         {Case{"/srv/Straße/REPORT.ZIP", true}, Case{"Дом.Tar.Gz", true}, Case{"дом.тар", false},
          Case{".zip", true}, Case{"a.ZİP", true}, Case{"ÄÖ.tgz", true}, Case{"x.tar.gzÄ", false},
          Case{"日本.cab", true}, Case{"", false}, Case{".", false}, Case{"a.gz.", false}}) {
        EXPECT_EQ(IsArchiveFileName(c.name) != FALSE, c.archive) << c.name;
    }
}

}  // namespace
