#include "hotkey/WatcherSettings.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "engine/FreshUserFolders.h"
#include "platform/Registry.h"

namespace {

class WatcherSettingsTest : public ::testing::Test {
protected:
    CRegKey& ProgramKey() {
        if (!m_key.IsOpen()) {
            EXPECT_EQ(m_key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_SUCCESS);
        }
        return m_key;
    }

    zbtest::FreshUserFolders m_folders;
    CRegKey m_key;
};

TEST_F(WatcherSettingsTest, TheHookLibraryLiesBesideTheMainProgram) {
    ProgramKey().SetString("Install Path", "/opt/tools");
    ProgramKey().SetString("AppName", "zembrolt");
    std::string path;
    ASSERT_TRUE(GetHookDllPath(path));
    EXPECT_EQ(path, "/opt/tools/libzembrolt.so");
}

TEST_F(WatcherSettingsTest, WithoutProgramValuesTheLibraryBesideTheWatcherIsUsed) {
    std::string path = "unchanged";
    EXPECT_FALSE(GetHookDllPath(path));
    ProgramKey().SetString("Install Path", "/opt/tools");
    EXPECT_FALSE(GetHookDllPath(path));
    ProgramKey().SetString("AppName", "");
    EXPECT_FALSE(GetHookDllPath(path));
    EXPECT_EQ(path, "unchanged");

    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const std::string program = self;
    ASSERT_TRUE(GetDefaultHookDllPath(path));
    EXPECT_EQ(path, program.substr(0, program.find_last_of('/')) + "/libzembrolt.so");
}

TEST_F(WatcherSettingsTest, InstallInformationThatNamesNoLibraryGivesWayToTheWatchersFolder) {
    std::string beside;
    ASSERT_TRUE(GetDefaultHookDllPath(beside));
    const std::string folder = zbtest::MakeTempDir("install");
    ProgramKey().SetString("Install Path", folder);
    ProgramKey().SetString("AppName", "zembrolt");
    std::string path;
    ASSERT_TRUE(FindHookLibrary(path));
    EXPECT_EQ(path, beside);
    // A folder of that name is no library either.
    std::filesystem::create_directory(folder + "/libzembrolt.so");
    ASSERT_TRUE(FindHookLibrary(path));
    EXPECT_EQ(path, beside);

    const std::string library = zbtest::WriteFile(folder + "/libmoved.so", "library");
    ProgramKey().SetString("AppName", "moved");
    ASSERT_TRUE(FindHookLibrary(path));
    EXPECT_EQ(path, library);
}

TEST_F(WatcherSettingsTest, TheHotKeyIsOnUnlessItsValueIsZero) {
    EXPECT_TRUE(IsHotKeyEnabled());
    EXPECT_EQ(GetHotKeyLetter(), 'F');
    ProgramKey().SetDWORD("Hot Key", 0);
    EXPECT_FALSE(IsHotKeyEnabled());
    EXPECT_EQ(GetHotKeyLetter(), 0);
    ProgramKey().SetDWORD("Hot Key", 'K');
    EXPECT_TRUE(IsHotKeyEnabled());
    EXPECT_EQ(GetHotKeyLetter(), 'K');
    ProgramKey().SetString("Hot Key", "unreadable as four bytes");
    EXPECT_TRUE(IsHotKeyEnabled());
    EXPECT_EQ(GetHotKeyLetter(), 'F');
}

}  // namespace
