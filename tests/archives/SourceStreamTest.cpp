#include "readers/archives/SourceStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/engine/ResultItem.h"
#include "archives/MemoryArchive.h"
#include "platform/shell/ShellApi.h"
#include "readers/archives/ArchiveHandler.h"
#include "readers/archives/ArchiveHandlerFactory.h"
#include "support/TempHome.h"

namespace {

using zbtest::MemoryArchive;

// 200,000 bytes of a repeating pattern that differs at every position mod 251.
std::string PatternBytes() {
    std::string bytes(200000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

std::string ReadBytes(CSourceStream& stream, int count) {
    std::string out(static_cast<std::size_t>(count), '\0');
    const int n = stream.Read(out.data(), count);
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

class SourceStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_contents = PatternBytes();
        m_diskPath = zbtest::WriteFile(zbtest::MakeTempDir("stream") + "/data.bin", m_contents);
        MemoryArchive::Archives()["/x/a.zip"] = {
            {"dir/data.bin", m_contents},
            {"small.txt", "hello"},
        };
        MemoryArchive::Archives()["/x/a.gz"] = {{"a", m_contents, /*sizeKnown=*/false}};
        m_zip.Init();
        m_gz.Init();
        ASSERT_TRUE(m_zip.Open("/x/a.zip"));
        ASSERT_TRUE(m_gz.Open("/x/a.gz"));
    }
    void TearDown() override { MemoryArchive::Archives().clear(); }

    std::string m_contents;
    std::string m_diskPath;
    MemoryArchive m_zip{{"zip"}};
    MemoryArchive m_gz{{"gz"}};
};

TEST_F(SourceStreamTest, DiskFileReadsAndSeeks) {
    CSourceStream stream;
    ASSERT_TRUE(stream.Open(m_diskPath));
    EXPECT_TRUE(stream.IsOpen());
    EXPECT_EQ(stream.GetMode(), CSourceStream::MODE_DISK);
    EXPECT_EQ(stream.GetLength(), 200000);
    EXPECT_EQ(ReadBytes(stream, 10), m_contents.substr(0, 10));
    EXPECT_EQ(stream.GetPosition(), 10);
    EXPECT_TRUE(stream.Seek(5, 0));  // a disk file may move back
    EXPECT_EQ(stream.GetPosition(), 5);
    EXPECT_TRUE(stream.Seek(-10, 2));
    EXPECT_EQ(ReadBytes(stream, 100), m_contents.substr(199990));
    EXPECT_FALSE(stream.Seek(0, 3));
    EXPECT_FALSE(stream.Seek(-1, 0));
}

TEST_F(SourceStreamTest, MemberReadsThroughItsHandler) {
    CSourceStream stream;
    ASSERT_TRUE(stream.OpenInArchive(&m_zip, "DIR\\DATA.BIN"));
    EXPECT_TRUE(stream.IsOpen());
    EXPECT_EQ(stream.GetMode(), CSourceStream::MODE_MEMBER);
    EXPECT_EQ(stream.GetPath(), "DIR\\DATA.BIN");
    EXPECT_EQ(stream.GetLength(), 200000);
    EXPECT_EQ(ReadBytes(stream, 10), m_contents.substr(0, 10));
    EXPECT_EQ(stream.GetPosition(), 10);

    EXPECT_TRUE(stream.Close());
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_FALSE(m_zip.IsEntryOpen(m_zip.FindEntry("dir\\data.bin")));
    EXPECT_EQ(stream.GetPosition(), 0);
    EXPECT_EQ(stream.GetLength(), 0);

    EXPECT_FALSE(stream.OpenInArchive(&m_zip, "dir\\missing.bin"));
    EXPECT_FALSE(stream.OpenInArchive(nullptr, "small.txt"));
}

TEST_F(SourceStreamTest, BackwardSeekInMemberFailsAndKeepsThePosition) {
    CSourceStream stream;
    ASSERT_TRUE(stream.OpenInArchive(&m_zip, "dir\\data.bin"));
    ReadBytes(stream, 100);
    EXPECT_FALSE(stream.Seek(50, 0));
    EXPECT_FALSE(stream.Seek(-1, 1));
    EXPECT_EQ(stream.GetPosition(), 100);
    EXPECT_EQ(ReadBytes(stream, 3), m_contents.substr(100, 3));
}

TEST_F(SourceStreamTest, SeekToTheCurrentPositionReadsNothing) {
    CSourceStream stream;
    ASSERT_TRUE(stream.OpenInArchive(&m_zip, "dir\\data.bin"));
    ReadBytes(stream, 100);
    const int reads = m_zip.readCalls;
    EXPECT_TRUE(stream.Seek(100, 0));
    EXPECT_TRUE(stream.Seek(0, 1));
    EXPECT_EQ(m_zip.readCalls, reads);
    EXPECT_EQ(stream.GetPosition(), 100);
}

TEST_F(SourceStreamTest, RelativeForwardSeekMatchesTheDiskFile) {
    CSourceStream disk;
    CSourceStream member;
    ASSERT_TRUE(disk.Open(m_diskPath));
    ASSERT_TRUE(member.OpenInArchive(&m_zip, "dir\\data.bin"));
    for (CSourceStream* stream : {&disk, &member}) {
        ReadBytes(*stream, 7);
        // Far past one skip buffer, so the skip goes in several reads.
        ASSERT_TRUE(stream->Seek(150001, 1));
        EXPECT_EQ(stream->GetPosition(), 150008);
    }
    EXPECT_EQ(ReadBytes(member, 16), ReadBytes(disk, 16));
    // The skip never asks for more than the fixed buffer at a time.
    EXPECT_LE(m_zip.largestRead, 64 * 1024);
}

TEST_F(SourceStreamTest, SeekFromTheEndMatchesTheDiskFile) {
    CSourceStream disk;
    CSourceStream member;
    ASSERT_TRUE(disk.Open(m_diskPath));
    ASSERT_TRUE(member.OpenInArchive(&m_zip, "dir\\data.bin"));
    ASSERT_TRUE(disk.Seek(-128, 2));
    ASSERT_TRUE(member.Seek(-128, 2));
    EXPECT_EQ(member.GetPosition(), disk.GetPosition());
    EXPECT_EQ(ReadBytes(member, 200), ReadBytes(disk, 200));
}

TEST_F(SourceStreamTest, SeekPastTheEndOfAMemberFails) {
    CSourceStream stream;
    ASSERT_TRUE(stream.OpenInArchive(&m_zip, "small.txt"));
    EXPECT_FALSE(stream.Seek(6, 0));
    EXPECT_FALSE(stream.Seek(0x7FFFFFFFFFFFFFFF, 1));
    EXPECT_FALSE(stream.Seek(1, 7));
}

TEST_F(SourceStreamTest, MemberOfUnknownSizeHasNoEndToSeekFrom) {
    CSourceStream stream;
    ASSERT_TRUE(stream.OpenInArchive(&m_gz, "a"));
    EXPECT_EQ(stream.GetLength(), -1);
    EXPECT_FALSE(stream.Seek(0, 2));
    EXPECT_FALSE(stream.Seek(-10, 2));
    EXPECT_FALSE(stream.Seek(10, 2));
    EXPECT_EQ(stream.GetPosition(), 0);
    EXPECT_TRUE(stream.Seek(70000, 0));
    EXPECT_EQ(ReadBytes(stream, 4), m_contents.substr(70000, 4));
}

TEST_F(SourceStreamTest, ReadOnAClosedStreamFailsInBothModes) {
    CSourceStream fresh;
    EXPECT_EQ(ReadBytes(fresh, 4), "");
    char byte = 0;
    EXPECT_EQ(fresh.Read(&byte, 1), -1);
    EXPECT_FALSE(fresh.IsOpen());
    EXPECT_FALSE(fresh.Seek(0, 0));

    CSourceStream disk;
    ASSERT_TRUE(disk.Open(m_diskPath));
    disk.Close();
    EXPECT_EQ(disk.Read(&byte, 1), -1);
    EXPECT_FALSE(disk.Open(m_diskPath + ".missing"));
    EXPECT_EQ(disk.Read(&byte, 1), -1);

    CSourceStream member;
    ASSERT_TRUE(member.OpenInArchive(&m_zip, "small.txt"));
    member.Close();
    EXPECT_EQ(member.GetMode(), CSourceStream::MODE_MEMBER);
    EXPECT_EQ(member.Read(&byte, 1), -1);
    EXPECT_FALSE(member.Seek(0, 0));
}

TEST_F(SourceStreamTest, DiskOpenRefusesFolders) {
    CSourceStream stream;
    EXPECT_FALSE(stream.Open(zbtest::TempRoot()));
    EXPECT_FALSE(stream.IsOpen());
}

TEST_F(SourceStreamTest, OpeningAnotherSourceClosesTheMember) {
    CSourceStream stream;
    ASSERT_TRUE(stream.OpenInArchive(&m_zip, "small.txt"));
    const int entry = m_zip.FindEntry("small.txt");
    ASSERT_TRUE(stream.Open(m_diskPath));
    EXPECT_FALSE(m_zip.IsEntryOpen(entry));
    EXPECT_EQ(stream.GetMode(), CSourceStream::MODE_DISK);
    EXPECT_EQ(stream.GetLength(), 200000);
}

std::unique_ptr<CArchiveHandler> MakeZipReader() {
    return std::make_unique<MemoryArchive>(std::vector<std::string>{"zip"});
}

TEST_F(SourceStreamTest, OpenSourceStreamPicksDiskOrArchive) {
    const ArchiveHandlerFactory saved = SetArchiveHandlerFactory(ArchiveSlot::Zip, &MakeZipReader);
    FreeArchiveHandlers();
    InitArchiveHandlers();
    CSourceStream stream;
    ASSERT_TRUE(OpenSourceStream(&stream, "/x/a.zip", "Small.txt"));
    EXPECT_EQ(ReadBytes(stream, 10), "hello");
    EXPECT_FALSE(OpenSourceStream(&stream, "/x/a.zip", "nothing.txt"));
    EXPECT_FALSE(OpenSourceStream(&stream, "/x/b.rar", "small.txt"));
    ASSERT_TRUE(OpenSourceStream(&stream, nullptr, m_diskPath));
    EXPECT_EQ(stream.GetMode(), CSourceStream::MODE_DISK);
    stream.Close();
    FreeArchiveHandlers();
    SetArchiveHandlerFactory(ArchiveSlot::Zip, saved);
}

// The absolute item list of a file-system path, parsed from the desktop.
PidlPtr ListOfPath(const std::string& path) {
    zb::ComPtr<IShellFolder> desktop;
    EXPECT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    LPITEMIDLIST list = nullptr;
    EXPECT_EQ(desktop->ParseDisplayName(path, nullptr, &list, nullptr), S_OK);
    return PidlPtr(list);
}

TEST_F(SourceStreamTest, OpenResultStreamOpensTheFileOrTheMember) {
    const std::string dir = zbtest::MakeTempDir("results");
    const std::string archive = zbtest::WriteFile(dir + "/pack.zip", "stand-in");
    MemoryArchive::Archives()[archive] = {{"dir/data.bin", m_contents}};
    const ArchiveHandlerFactory saved = SetArchiveHandlerFactory(ArchiveSlot::Zip, &MakeZipReader);
    FreeArchiveHandlers();
    InitArchiveHandlers();

    CSourceStream stream;
    CResultItem file;
    file.SetFullPidl(ListOfPath(m_diskPath));
    ASSERT_TRUE(OpenResultStream(&stream, file));
    EXPECT_EQ(stream.GetMode(), CSourceStream::MODE_DISK);
    EXPECT_EQ(stream.GetPath(), m_diskPath);

    CResultItem member;
    member.SetFullPidl(ListOfPath(archive));
    member.m_dwFlags = RIF_IN_ARCHIVE;
    member.m_sFolder = archive + "\\dir";
    member.m_sName = "data.bin";
    ASSERT_TRUE(OpenResultStream(&stream, member));
    EXPECT_EQ(stream.GetMode(), CSourceStream::MODE_MEMBER);
    EXPECT_EQ(stream.GetPath(), "dir\\data.bin");
    EXPECT_EQ(ReadBytes(stream, 3), m_contents.substr(0, 3));

    member.m_sName = "missing.bin";
    EXPECT_FALSE(OpenResultStream(&stream, member));
    CResultItem noList;
    EXPECT_FALSE(OpenResultStream(&stream, noList));

    stream.Close();
    FreeArchiveHandlers();
    SetArchiveHandlerFactory(ArchiveSlot::Zip, saved);
}

}  // namespace
