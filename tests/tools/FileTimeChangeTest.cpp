#include "tools/FileTimeChange.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/FileTime.h"
#include "support/MountNamespace.h"
#include "support/ScopedTimeZone.h"
#include "tools/ToolTestSupport.h"

namespace {

using zbtest::StatOf;

FILETIME Utc(std::int64_t unixSeconds, long nanoseconds = 0) {
    timespec ts{};
    ts.tv_sec = unixSeconds;
    ts.tv_nsec = nanoseconds;
    FILETIME time;
    EXPECT_TRUE(TimespecToFileTime(ts, &time));
    return time;
}

void SetTimes(const std::string& path, timespec access, timespec write) {
    const timespec times[2] = {access, write};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// Sets the last-write time of the records to 1200000000 (January 2008);
// returns the number of files that failed.
int SetModifiedTime(const std::vector<CResultItem*>& records, BOOL subFolders) {
    CFileTimeChange change;
    change.SetItems(records);
    const FILETIME modified = Utc(1200000000);
    FileTimeSetting times;
    times.lastWrite = &modified;
    return change.Apply(times, subFolders);
}

using FileTimeChangeTest = zbtest::FileRecordTest;

TEST_F(FileTimeChangeTest, OnlyTheTickedTimeChangesAndAReadOnlyFileKeepsItsMode) {
    const std::string path = zbtest::WriteFile(m_root + "/a.txt", "x");
    chmod(path.c_str(), 0444);
    SetTimes(path, {1000000000, 123456789}, {1100000000, 987654321});
    CResultItem* record = Record(path);
    CFileTimeChange change;
    change.SetItems({record});
    EXPECT_TRUE(change.HasNoFolder());
    ASSERT_EQ(change.GetFirstFileRecord(), record);

    const FILETIME modified = Utc(1200000000);
    FileTimeSetting times;
    times.lastWrite = &modified;
    EXPECT_EQ(change.Apply(times, FALSE), 0);
    const struct stat st = StatOf(path);
    EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 0);
    EXPECT_EQ(st.st_atim.tv_sec, 1000000000);  // untouched to the nanosecond
    EXPECT_EQ(st.st_atim.tv_nsec, 123456789);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(record->m_ftLastWrite.Value(), modified.Value());
}

TEST_F(FileTimeChangeTest, SubFoldersReachEveryEntryButNoLinkTarget) {
    const std::string outside = zbtest::WriteFile(zbtest::MakeTempDir("target") + "/t.txt", "x");
    SetTimes(outside, {500000000, 0}, {500000000, 0});
    const std::string deep = zbtest::WriteFile(m_root + "/top/sub/deep.txt", "x");
    symlink(outside.c_str(), (m_root + "/top/sub/link").c_str());
    symlink("..", (m_root + "/top/sub/loop").c_str());
    CResultItem* folder = Record(m_root + "/top");
    CFileTimeChange change;
    change.SetItems({folder});
    EXPECT_FALSE(change.HasNoFolder());
    const FILETIME accessed = Utc(1300000000, 500);
    FileTimeSetting times;
    times.lastAccess = &accessed;
    EXPECT_EQ(change.Apply(times, TRUE), 0);
    EXPECT_EQ(StatOf(deep).st_atim.tv_sec, 1300000000);
    // Each folder gets its times after its entries were read (reading would
    // move an old access time to now on a relatime mount).
    EXPECT_EQ(StatOf(m_root + "/top").st_atim.tv_sec, 1300000000);
    EXPECT_EQ(StatOf(m_root + "/top/sub").st_atim.tv_sec, 1300000000);
    EXPECT_EQ(StatOf(m_root + "/top/sub/link").st_atim.tv_sec, 1300000000);
    EXPECT_EQ(StatOf(outside).st_atim.tv_sec, 500000000);
}

TEST_F(FileTimeChangeTest, SubFoldersLeaveAFolderMountedInsideAsItIs) {
    const std::string elsewhere = zbtest::MakeTempDir("mounted");
    const std::string kept = zbtest::WriteFile(elsewhere + "/kept.txt", "x");
    SetTimes(kept, {500000000, 0}, {500000000, 0});
    SetTimes(elsewhere, {500000000, 0}, {500000000, 0});
    const std::string own = zbtest::WriteFile(m_root + "/top/own.txt", "x");
    std::filesystem::create_directories(m_root + "/top/data");
    CResultItem* folder = Record(m_root + "/top");
    ZB_EXPECT_IN_PRIVATE_MOUNTS([&] {
        if (!zbtest::BindMount(elsewhere, m_root + "/top/data"))
            return false;
        zbtest::LogCapture log;
        const int failed = SetModifiedTime({folder}, TRUE);
        std::fprintf(stderr, "%d failed; kept %lld, mount %lld, own %lld\n", failed,
                     static_cast<long long>(StatOf(kept).st_mtim.tv_sec),
                     static_cast<long long>(StatOf(elsewhere).st_mtim.tv_sec),
                     static_cast<long long>(StatOf(own).st_mtim.tv_sec));
        // The mount point is reported as a file that was not changed.
        return StatOf(kept).st_mtim.tv_sec == 500000000 &&
               StatOf(elsewhere).st_mtim.tv_sec == 500000000 &&
               StatOf(own).st_mtim.tv_sec == 1200000000 && failed == 1 &&
               log.RedLinesWith(m_root + "/top/data") == 1;
    });
}

TEST_F(FileTimeChangeTest, AFileOfAnotherOwnerFailsInTheLog) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the file to another user";
    // Setting a given time needs ownership: the change runs as another user.
    const std::string path = zbtest::WriteFile(m_root + "/root.txt", "x");
    chmod(path.c_str(), 0666);
    CResultItem* record = Record(path);
    EXPECT_TRUE(zbtest::RunAsNobody(m_root, [&] {
        zbtest::LogCapture log;
        return SetModifiedTime({record}, FALSE) == 1 && log.RedLinesWith("root.txt") == 1;
    }));
}

TEST(LocalDateTimeToFileTimeTest, ASkippedHourMovesForwardByTheJump) {
    zbtest::ScopedTimeZone berlin("Europe/Berlin");
    FILETIME utc;
    // 2021-03-28 02:30 does not exist in Berlin: it reads as 03:30 CEST.
    ASSERT_TRUE(LocalDateTimeToFileTime(2021, 3, 28, 2, 30, 0, &utc));
    EXPECT_EQ(utc.Value(), Utc(1616895000).Value());  // 01:30 UTC
    ASSERT_TRUE(LocalDateTimeToFileTime(2021, 7, 1, 12, 0, 0, &utc));
    EXPECT_EQ(utc.Value(), Utc(1625133600).Value());  // 10:00 UTC
    EXPECT_FALSE(LocalDateTimeToFileTime(2021, 2, 30, 0, 0, 0, &utc));
}

}  // namespace
