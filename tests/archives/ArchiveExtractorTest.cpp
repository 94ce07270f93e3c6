#include "readers/archives/ArchiveExtractor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archives/CompressedTestData.h"
#include "archives/MemoryArchive.h"
#include "platform/FileTime.h"
#include "readers/archives/Bz2ArchiveHandler.h"
#include "readers/archives/GzArchiveHandler.h"
#include "support/TempHome.h"

namespace {

using zbtest::Exists;
using zbtest::MemoryArchive;
using zbtest::MemoryMember;
namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> ListTree(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        names.push_back(fs::relative(e.path(), dir).string());
    std::sort(names.begin(), names.end());
    return names;
}

// Counts what the extractor reports; cancels after `cancelAfter` calls when set.
class CountingProgress : public IExtractionProgress {
public:
    BOOL OnBytesWritten(std::int64_t bytes) override {
        total += bytes;
        ++calls;
        return (cancelAfter > 0 && calls >= cancelAfter) ? FALSE : TRUE;
    }
    std::int64_t total = 0;
    int calls = 0;
    int cancelAfter = 0;
};

// A reader whose recorded sizes differ from what it delivers, that may fail
// a read, and that may read to the end regardless of the size.
class OddArchive : public MemoryArchive {
public:
    OddArchive(int blockSize, int extraFlags)
        : MemoryArchive({"odd"}, blockSize), m_extra(extraFlags) {}
    BOOL Init() override {
        MemoryArchive::Init();
        m_nFlags |= m_extra;
        return TRUE;
    }
    std::int64_t GetEntrySize(int i) const override {
        return recordedSize >= -1 ? recordedSize : MemoryArchive::GetEntrySize(i);
    }
    int Read(int i, void* buffer, int count) override {
        if (failOnRead > 0 && readCalls + 1 >= failOnRead) {
            ++readCalls;
            return -1;
        }
        return MemoryArchive::Read(i, buffer, count);
    }
    std::int64_t recordedSize = -2;  // -2: the member's own size
    int failOnRead = 0;              // the read call (1-based) that fails; 0: none

private:
    int m_extra;
};

class ArchiveExtractorTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_base = zbtest::MakeTempDir("extract-base");
        m_archive = zbtest::WriteFile(zbtest::MakeTempDir("archives") + "/a.odd", "x");
    }
    void TearDown() override { MemoryArchive::Archives().clear(); }

    // Opens a reader on an archive holding `members`.
    void Load(MemoryArchive& handler, std::vector<MemoryMember> members) {
        MemoryArchive::Archives()[m_archive] = std::move(members);
        handler.Init();
        ASSERT_TRUE(handler.Open(m_archive));
    }

    ExtractResult Extract(CArchiveExtractor& extractor, CArchiveHandler& handler,
                          const std::string& inner, std::string* path,
                          IExtractionProgress* progress = nullptr) {
        return extractor.ExtractMember(handler, inner, -1, m_times, m_buffer, progress, path);
    }

    std::string m_base;
    std::string m_archive;
    std::vector<char> m_buffer;
    CExtractedFileTimes m_times{
        FILETIME::FromValue(kFileTimeUnixEpoch + 10 * kFileTimeTicksPerSecond),
        FILETIME::FromValue(kFileTimeUnixEpoch + 1000 * kFileTimeTicksPerSecond),
        FILETIME::FromValue(kFileTimeUnixEpoch + 2000 * kFileTimeTicksPerSecond)};
};

TEST(ArchivePathSanitiser, KeepsInnerFoldersAndRefusesEscapes) {
    std::string out;
    EXPECT_TRUE(SanitiseArchivePath("a.txt", &out));
    EXPECT_EQ(out, "a.txt");
    EXPECT_TRUE(SanitiseArchivePath("sub\\deeper\\f.txt", &out));
    EXPECT_EQ(out, "sub/deeper/f.txt");
    EXPECT_TRUE(SanitiseArchivePath("sub/mixed\\f", &out));
    EXPECT_EQ(out, "sub/mixed/f");
    EXPECT_TRUE(SanitiseArchivePath("..a\\b..\\...", &out));  // dots inside names are fine
    EXPECT_EQ(out, "..a/b../...");
    // "." steps are dropped, as tools write the members of "." ("./a.txt").
    EXPECT_TRUE(SanitiseArchivePath(".\\a", &out));
    EXPECT_EQ(out, "a");
    EXPECT_TRUE(SanitiseArchivePath("a\\.\\b", &out));
    EXPECT_EQ(out, "a/b");
    EXPECT_TRUE(SanitiseArchivePath("./sub/./f.txt", &out));
    EXPECT_EQ(out, "sub/f.txt");

    const std::string tooLong(NAME_MAX + 1, 'n');
    for (const std::string& bad :
         {std::string(), std::string("\\abs.txt"), std::string("/etc/passwd"), std::string(".."),
          std::string("..\\x"), std::string("a\\..\\..\\x"), std::string("."), std::string(".\\."),
          std::string("a\\\\b"), std::string("a\\"), std::string("a//b"), std::string("a\\b\\.."),
          std::string("a\0b", 3), tooLong, "d\\" + tooLong}) {
        out = "left over";
        EXPECT_FALSE(SanitiseArchivePath(bad, &out)) << bad;
        EXPECT_TRUE(out.empty());
    }
}

TEST_F(ArchiveExtractorTest, PrivateFolderIsMadeOnceWithOwnerOnlyAccess) {
    CArchiveExtractor extractor(m_base);
    EXPECT_TRUE(extractor.GetFolder().empty());
    ASSERT_TRUE(extractor.CreateFolder());
    const std::string folder = extractor.GetFolder();
    EXPECT_EQ(fs::path(folder).parent_path(), fs::path(m_base));
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_TRUE(extractor.CreateFolder());
    EXPECT_EQ(extractor.GetFolder(), folder);

    // Without a base of its own it goes under $TMPDIR.
    CArchiveExtractor defaulted;
    ASSERT_TRUE(defaulted.CreateFolder());
    EXPECT_EQ(fs::path(defaulted.GetFolder()).parent_path(), fs::path(GetExtractionTempBase()));
    EXPECT_EQ(GetExtractionTempBase(), std::string(std::getenv("TMPDIR")));
}

TEST_F(ArchiveExtractorTest, RootMemberGoesIntoTheFolderWithItsTimes) {
    MemoryArchive handler({"odd"}, 4);
    Load(handler, {{"Root.txt", "0123456789"}});
    CArchiveExtractor extractor(m_base);
    CountingProgress progress;
    std::string path;
    ASSERT_EQ(Extract(extractor, handler, "root.TXT", &path, &progress), ExtractResult::Extracted);
    // The name on disk is the one asked for; the lookup ignores case.
    EXPECT_EQ(path, extractor.GetFolder() + "/root.TXT");
    // Times first: reading the file may move its access time.
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 2000);
    EXPECT_EQ(st.st_atim.tv_sec, 1000);
    EXPECT_EQ(ReadAll(path), "0123456789");
    EXPECT_EQ(progress.total, 10);
    EXPECT_EQ(progress.calls, 3);
    EXPECT_EQ(handler.largestRead, 4);
    EXPECT_FALSE(handler.IsEntryOpen(handler.FindEntry("root.txt")));
    EXPECT_TRUE(extractor.GetCreatedFolders().empty());
    EXPECT_EQ(extractor.GetExtractedFiles(), std::vector<std::string>{path});
}

TEST_F(ArchiveExtractorTest, DeepMemberCreatesEveryMissingFolderOnce) {
    MemoryArchive handler({"odd"});
    Load(handler, {{"sub\\deeper\\a.txt", "A"}, {"sub\\deeper\\b.txt", "B"}});
    CArchiveExtractor extractor(m_base);
    std::string a;
    std::string b;
    ASSERT_EQ(Extract(extractor, handler, "sub\\deeper\\a.txt", &a), ExtractResult::Extracted);
    ASSERT_EQ(Extract(extractor, handler, "sub\\deeper\\b.txt", &b), ExtractResult::Extracted);
    const std::string folder = extractor.GetFolder();
    EXPECT_EQ(a, folder + "/sub/deeper/a.txt");
    EXPECT_EQ(ReadAll(b), "B");
    EXPECT_EQ(extractor.GetCreatedFolders(),
              (std::vector<std::string>{folder + "/sub", folder + "/sub/deeper"}));
    struct stat st {};
    ASSERT_EQ(::stat((folder + "/sub/deeper").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // The same member again replaces its copy and stays listed once.
    ASSERT_EQ(Extract(extractor, handler, "sub\\deeper\\a.txt", &a), ExtractResult::Extracted);
    EXPECT_EQ(extractor.GetExtractedFiles().size(), 2u);
}

TEST_F(ArchiveExtractorTest, UnsafeOrMissingMembersWriteNothing) {
    MemoryArchive handler({"odd"});
    Load(handler, {{"..\\escape.txt", "evil"}, {"ok.txt", "ok"}});
    CArchiveExtractor extractor(m_base);
    std::string path = "stale";
    EXPECT_EQ(Extract(extractor, handler, "..\\escape.txt", &path), ExtractResult::Refused);
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(Extract(extractor, handler, "missing.txt", &path), ExtractResult::Skipped);
    EXPECT_FALSE(Exists(m_base + "/escape.txt"));
    EXPECT_FALSE(Exists(fs::path(m_base).parent_path().string() + "/escape.txt"));
    EXPECT_TRUE(extractor.GetExtractedFiles().empty());
    EXPECT_TRUE(ListTree(extractor.GetFolder()).empty());
}

TEST_F(ArchiveExtractorTest, PlantedSymlinksAreNotFollowed) {
    MemoryArchive handler({"odd"});
    Load(handler, {{"sub\\f.txt", "inside"}, {"a.txt", "new"}});
    const std::string outside = zbtest::MakeTempDir("outside");
    const std::string target = zbtest::WriteFile(outside + "/target.txt", "keep me");
    CArchiveExtractor extractor(m_base);
    ASSERT_TRUE(extractor.CreateFolder());
    const std::string folder = extractor.GetFolder();
    ASSERT_EQ(::symlink(outside.c_str(), (folder + "/sub").c_str()), 0);
    ASSERT_EQ(::symlink(target.c_str(), (folder + "/a.txt").c_str()), 0);

    std::string path;
    // A symlink in place of a folder refuses the member.
    EXPECT_EQ(Extract(extractor, handler, "sub\\f.txt", &path), ExtractResult::Refused);
    EXPECT_EQ(ListTree(outside), std::vector<std::string>{"target.txt"});

    // A symlink in place of the file is replaced by the file, its target untouched.
    ASSERT_EQ(Extract(extractor, handler, "a.txt", &path), ExtractResult::Extracted);
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadAll(path), "new");
    EXPECT_EQ(ReadAll(target), "keep me");

    // Cleanup removes only what it made: it does not reach through the
    // planted folder symlink either.
    extractor.Cleanup();
    EXPECT_EQ(ReadAll(target), "keep me");
}

TEST_F(ArchiveExtractorTest, UnknownSizeIsCopiedUntilAShortRead) {
    MemoryArchive handler({"odd"}, 4);
    Load(handler, {{"data.gz", "0123456789", false}, {"even", "01234567", false}});
    CArchiveExtractor extractor(m_base);
    std::string path;
    ASSERT_EQ(Extract(extractor, handler, "data.gz", &path), ExtractResult::Extracted);
    EXPECT_EQ(ReadAll(path), "0123456789");
    // A member that ends exactly at a block boundary ends with an empty read.
    ASSERT_EQ(Extract(extractor, handler, "even", &path), ExtractResult::Extracted);
    EXPECT_EQ(ReadAll(path), "01234567");
}

TEST_F(ArchiveExtractorTest, ReadToEndHandlerIsCopiedPastTheRecordedSize) {
    OddArchive arj(4, ARCHIVE_FLAG_READ_TO_END);
    arj.recordedSize = 3;
    Load(arj, {{"m.bin", "0123456789"}});
    CArchiveExtractor extractor(m_base);
    std::string path;
    ASSERT_EQ(Extract(extractor, arj, "m.bin", &path), ExtractResult::Extracted);
    EXPECT_EQ(ReadAll(path), "0123456789");

    // Without the flag the copy stops once it has passed the recorded size.
    OddArchive capped(4, 0);
    capped.recordedSize = 3;
    Load(capped, {{"m.bin", "0123456789"}});
    ASSERT_EQ(Extract(extractor, capped, "m.bin", &path), ExtractResult::Extracted);
    EXPECT_EQ(ReadAll(path), "0123");
}

TEST_F(ArchiveExtractorTest, IncompleteMembersAreRemoved) {
    CArchiveExtractor extractor(m_base);
    std::string path;

    // A failed read after some bytes were written.
    OddArchive failing(4, 0);
    failing.failOnRead = 2;
    Load(failing, {{"sub\\broken.bin", "0123456789"}});
    EXPECT_EQ(Extract(extractor, failing, "sub\\broken.bin", &path), ExtractResult::Failed);
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(Exists(extractor.GetFolder() + "/sub/broken.bin"));
    EXPECT_TRUE(extractor.GetExtractedFiles().empty());
    EXPECT_FALSE(failing.IsEntryOpen(failing.FindEntry("sub\\broken.bin")));

    // A member that ends before its known size.
    OddArchive shortMember(4, 0);
    shortMember.recordedSize = 20;
    Load(shortMember, {{"short.bin", "0123456789"}});
    EXPECT_EQ(Extract(extractor, shortMember, "short.bin", &path), ExtractResult::Failed);
    EXPECT_FALSE(Exists(extractor.GetFolder() + "/short.bin"));

    // A cancel in the middle; an earlier complete copy is gone as well, since
    // the new one had replaced it.
    MemoryArchive plain({"odd"}, 4);
    Load(plain, {{"c.bin", "0123456789"}});
    ASSERT_EQ(Extract(extractor, plain, "c.bin", &path), ExtractResult::Extracted);
    CountingProgress cancel;
    cancel.cancelAfter = 2;
    EXPECT_EQ(Extract(extractor, plain, "c.bin", &path, &cancel), ExtractResult::Cancelled);
    EXPECT_EQ(cancel.total, 8);
    EXPECT_FALSE(Exists(extractor.GetFolder() + "/c.bin"));
    EXPECT_TRUE(extractor.GetExtractedFiles().empty());
    EXPECT_FALSE(plain.IsEntryOpen(plain.FindEntry("c.bin")));
}

TEST_F(ArchiveExtractorTest, DamagedCompressedFilesFailAndLeaveNothing) {
    // The decoder hands out what it decoded before the damage and fails the
    // read after: the copy goes on to that failure, not to the short block.
    const std::string data = zbtest::PatternData(300000, 9);
    const std::string dir = zbtest::MakeTempDir("damaged");
    const std::string gz = zbtest::Gzip(data);
    const std::string bz = zbtest::Bzip2(data);
    CGzArchive gzReader;
    CBz2Archive bzReader;
    const struct {
        CArchiveHandler& reader;
        std::string path;
        std::string member;
    } cases[] = {
        {gzReader, zbtest::WriteFile(dir + "/cut.gz", gz.substr(0, gz.size() * 2 / 3)), "cut"},
        {gzReader, zbtest::WriteFile(dir + "/nocheck.gz", gz.substr(0, gz.size() - 4)), "nocheck"},
        {bzReader, zbtest::WriteFile(dir + "/cut.bz2", bz.substr(0, bz.size() * 2 / 3)), "cut"},
    };
    CArchiveExtractor extractor(m_base);
    for (const auto& c : cases) {
        c.reader.Init();
        ASSERT_TRUE(c.reader.Open(c.path)) << c.path;
        std::string path;
        EXPECT_EQ(Extract(extractor, c.reader, c.member, &path), ExtractResult::Failed) << c.path;
        EXPECT_EQ(extractor.GetLastFailure(), ArchiveFailure::BadArchive);
        EXPECT_TRUE(path.empty());
        EXPECT_FALSE(Exists(extractor.GetFolder() + "/" + c.member)) << c.path;
    }
    EXPECT_TRUE(extractor.GetExtractedFiles().empty());
}

TEST_F(ArchiveExtractorTest, EachMemberIsExtractedFromItsOwnIndex) {
    MemoryArchive handler({"odd"});
    Load(handler, {{"inc\\xt_connmark.h", "lower"},
                   {"inc\\xt_CONNMARK.h", "upper"},
                   {"dup.txt", "first"},
                   {"dup.txt", "second"},
                   {"secret.txt", "ciphertext", true, ArchiveFailure::Encrypted}});
    CArchiveExtractor extractor(m_base);
    std::vector<std::string> contents;
    for (int i = handler.FirstFile(); i != -1; i = handler.NextFile(i)) {
        CArchiveEntryInfo info;
        ASSERT_TRUE(handler.GetFileInfo(i, &info));
        std::string path;
        const ExtractResult result =
            extractor.ExtractMember(handler, info.m_strName, i, m_times, m_buffer, nullptr, &path);
        if (info.m_strName == "secret.txt") {
            // Listed, but it cannot be opened: the reason comes with the failure.
            EXPECT_EQ(result, ExtractResult::Failed);
            EXPECT_EQ(extractor.GetLastFailure(), ArchiveFailure::Encrypted);
            continue;
        }
        ASSERT_EQ(result, ExtractResult::Extracted) << info.m_strName;
        contents.push_back(info.m_strName + "=" + ReadAll(path));
    }
    std::sort(contents.begin(), contents.end());
    // The two equal names share one file, written last by the second.
    EXPECT_EQ(contents,
              (std::vector<std::string>{"dup.txt=first", "dup.txt=second",
                                        "inc\\xt_CONNMARK.h=upper", "inc\\xt_connmark.h=lower"}));
}

TEST_F(ArchiveExtractorTest, CleanupRemovesEverythingItMadeAndNothingElse) {
    const std::string neighbour = zbtest::WriteFile(m_base + "/neighbour.txt", "stay");
    MemoryArchive handler({"odd"});
    Load(handler, {{"a.txt", "a"}, {"x\\y\\b.txt", "b"}, {"x\\c.txt", "c"}, {"z\\d.txt", "d"}});
    std::string folder;
    std::string keptFolder;
    {
        CArchiveExtractor extractor(m_base);
        std::string path;
        for (const char* inner : {"a.txt", "x\\y\\b.txt", "x\\c.txt"})
            ASSERT_EQ(Extract(extractor, handler, inner, &path), ExtractResult::Extracted);
        folder = extractor.GetFolder();
        extractor.Cleanup();
        EXPECT_FALSE(Exists(folder));
        EXPECT_TRUE(extractor.GetExtractedFiles().empty());
        EXPECT_TRUE(extractor.GetCreatedFolders().empty());

        // Used again, it makes a new folder; its destructor cleans up too,
        // but a file someone else put into a made folder keeps that folder.
        ASSERT_EQ(Extract(extractor, handler, "z\\d.txt", &path), ExtractResult::Extracted);
        keptFolder = extractor.GetFolder();
        zbtest::WriteFile(keptFolder + "/z/foreign.txt", "not ours");
        ASSERT_EQ(Extract(extractor, handler, "a.txt", &path), ExtractResult::Extracted);
    }
    EXPECT_EQ(ListTree(keptFolder), (std::vector<std::string>{"z", "z/foreign.txt"}));
    EXPECT_EQ(ReadAll(neighbour), "stay");
    fs::remove_all(keptFolder);
    EXPECT_EQ(ListTree(m_base), std::vector<std::string>{"neighbour.txt"});
}

}  // namespace
