#include "platform/DesktopIntegration.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "support/ChildProcess.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kProgram = "/opt/zembrolt/bin/zembrolt";
const std::vector<std::string> kArchives = {"zip", "pak", "rar", "tgz", "tar", "tar.gz", "gz",
                                            "cab", "ace", "arj", "bz",  "bz2", "tbz",    "tbz2"};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every file and folder below `root` with its mode and text; with `stamps`
// also its inode and change time, which any write changes.
std::map<std::string, std::string> Snapshot(const std::string& root, bool stamps = false) {
    std::map<std::string, std::string> entries;
    if (!fs::exists(root))
        return entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        std::ostringstream state;
        state << info.st_mode;
        if (stamps)
            state << '/' << info.st_ino << '/' << info.st_ctim.tv_sec << '.'
                  << info.st_ctim.tv_nsec;
        if (entry.is_regular_file())
            state << '/' << ReadFile(entry.path());
        entries[entry.path()] = state.str();
    }
    return entries;
}

// Points the user's data and config folders, and the system's, at new empty
// folders for one test, and back afterwards.
class DesktopIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS",
                                 "XDG_CONFIG_DIRS", "XDG_CURRENT_DESKTOP"}) {
            const char* value = std::getenv(name);
            m_saved[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
        }
        m_data = zbtest::MakeTempDir("data");
        m_config = zbtest::MakeTempDir("config");
        m_systemData = zbtest::MakeTempDir("system-data");
        m_systemConfig = zbtest::MakeTempDir("system-config");
        setenv("XDG_DATA_HOME", m_data.c_str(), 1);
        setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
        setenv("XDG_DATA_DIRS", m_systemData.c_str(), 1);
        setenv("XDG_CONFIG_DIRS", m_systemConfig.c_str(), 1);
        // xdg-mime then answers by the files alone, whatever desktop runs the tests.
        setenv("XDG_CURRENT_DESKTOP", "X-Generic", 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

    static std::string DefaultFor(const std::string& mimeType) {
        const zbtest::ProcessResult result =
            zbtest::RunProcess({"xdg-mime", "query", "default", mimeType});
        return result.output;
    }

    // A file manager installed on the system that opens folders and ZIP files.
    void InstallSystemFileManager() {
        zbtest::WriteFile(m_systemData + "/applications/files.desktop",
                          "[Desktop Entry]\nType=Application\nName=Files\nExec=files %U\n"
                          "MimeType=inode/directory;application/zip;\n");
    }

    // The desktop entry the first run of earlier versions wrote.
    void WriteEarlierFindEntry() {
        zbtest::WriteFile(m_data + "/applications/zembrolt-find.desktop",
                          "[Desktop Entry]\nType=Application\nName=Find with Zembrolt\n"
                          "Exec=\"/opt/zembrolt/bin/zembrolt\" %f\nNoDisplay=true\n"
                          "MimeType=inode/directory;application/zip;\n"
                          "Actions=FindWithZembrolt;\n\n[Desktop Action FindWithZembrolt]\n"
                          "Name=Find with Zembrolt\nExec=\"/opt/zembrolt/bin/zembrolt\" %f\n");
    }

    std::string m_data, m_config, m_systemData, m_systemConfig;
    std::map<std::string, std::optional<std::string>> m_saved;
};

TEST_F(DesktopIntegrationTest, FileManagerActionsAndLauncherAreValidDesktopFiles) {
    ASSERT_TRUE(zb::RegisterFindActions(kProgram, kArchives));
    ASSERT_TRUE(zb::RegisterUtilityLauncher(kProgram));

    const std::string menu = ReadFile(zb::FindServiceMenuPath());
    EXPECT_NE(menu.find("Exec=\"/opt/zembrolt/bin/zembrolt\" %f\n"), std::string::npos);
    EXPECT_NE(menu.find("MimeType=inode/directory;application/zip;"), std::string::npos);
    for (const char* type : {"application/vnd.rar", "application/x-tar", "application/gzip",
                             "application/x-compressed-tar", "application/vnd.ms-cab-compressed",
                             "application/x-ace", "application/x-arj", "application/x-bzip",
                             "application/x-bzip-compressed-tar", "application/x-pak"})
        EXPECT_NE(menu.find(std::string(type) + ";"), std::string::npos) << type;
    const std::string launcher = ReadFile(zb::UtilityLauncherPath());
    EXPECT_NE(launcher.find("Name=Zembrolt Utility...\n"), std::string::npos);
    EXPECT_EQ(launcher.find("MimeType"), std::string::npos);

    // KDE runs service menus of the user's only when they are executable.
    struct stat info {};
    ASSERT_EQ(stat(zb::FindServiceMenuPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    ASSERT_EQ(stat(zb::FindScriptPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);

    if (!zbtest::HasProgram("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate is not installed";
    for (const std::string& path : {zb::FindServiceMenuPath(), zb::UtilityLauncherPath()}) {
        const zbtest::ProcessResult result = zbtest::RunProcess({"desktop-file-validate", path});
        EXPECT_EQ(result.exitCode, 0) << path << "\n" << result.output;
        EXPECT_EQ(result.output.find("error"), std::string::npos) << result.output;
    }
}

TEST_F(DesktopIntegrationTest, WhatOpensFoldersAndArchivesStaysAsItWas) {
    if (!zbtest::HasProgram("xdg-mime"))
        GTEST_SKIP() << "xdg-mime is not installed";
    // With nothing that opens folders, then with an application that does, then
    // with the user's own choice of another one.
    for (int setup = 0; setup < 3; ++setup) {
        if (setup == 1)
            InstallSystemFileManager();
        if (setup == 2)
            zbtest::WriteFile(m_config + "/mimeapps.list",
                              "[Default Applications]\ninode/directory=other.desktop\n"
                              "application/zip=unzipper.desktop\n");
        zb::UnregisterFindActions();
        zb::UnregisterUtilityLauncher();
        const std::string folderBefore = DefaultFor("inode/directory");
        const std::string zipBefore = DefaultFor("application/zip");

        ASSERT_TRUE(zb::RegisterFindActions(kProgram, kArchives));
        ASSERT_TRUE(zb::RegisterUtilityLauncher(kProgram));
        EXPECT_EQ(DefaultFor("inode/directory"), folderBefore) << setup;
        EXPECT_EQ(DefaultFor("application/zip"), zipBefore) << setup;
    }
}

TEST_F(DesktopIntegrationTest, RegisteringRemovesTheEntryThatOpenedFolders) {
    if (!zbtest::HasProgram("xdg-mime"))
        GTEST_SKIP() << "xdg-mime is not installed";
    InstallSystemFileManager();
    WriteEarlierFindEntry();
    // That entry made us the program that opens folders and archives.
    ASSERT_EQ(DefaultFor("inode/directory"), "zembrolt-find.desktop\n");
    ASSERT_EQ(DefaultFor("application/zip"), "zembrolt-find.desktop\n");

    ASSERT_TRUE(zb::RegisterFindActions(kProgram, kArchives));
    EXPECT_FALSE(fs::exists(zb::EarlierFindEntryPath()));
    EXPECT_EQ(DefaultFor("inode/directory"), "files.desktop\n");
    EXPECT_EQ(DefaultFor("application/zip"), "files.desktop\n");
}

TEST_F(DesktopIntegrationTest, RegisteringTwiceChangesNothing) {
    zbtest::WriteFile(m_systemConfig + "/Thunar/uca.xml",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n");
    ASSERT_TRUE(zb::RegisterFindActions(kProgram, kArchives));
    ASSERT_TRUE(zb::RegisterUtilityLauncher(kProgram));
    const auto data = Snapshot(m_data, true);
    const auto config = Snapshot(m_config, true);
    ASSERT_EQ(data.size(), 8u);  // kio/servicemenus, nautilus/scripts, applications + 3 files
    ASSERT_EQ(config.size(), 2u);

    ASSERT_TRUE(zb::RegisterFindActions(kProgram, kArchives));
    ASSERT_TRUE(zb::RegisterUtilityLauncher(kProgram));
    EXPECT_EQ(Snapshot(m_data, true), data);
    EXPECT_EQ(Snapshot(m_config, true), config);
}

TEST_F(DesktopIntegrationTest, UnregisteringRemovesOnlyOurs) {
    const std::string foreignMenu =
        zbtest::WriteFile(m_data + "/kio/servicemenus/other.desktop", "[Desktop Entry]\n");
    const std::string foreignScript =
        zbtest::WriteFile(m_data + "/nautilus/scripts/Other script", "#!/bin/sh\n");
    const std::string userActions =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action>\n"
        "\t<icon>utilities-terminal</icon>\n\t<name>Open Terminal Here</name>\n"
        "\t<unique-id>1500000000000000-1</unique-id>\n"
        "\t<command>exo-open --working-directory %f --launch TerminalEmulator</command>\n"
        "\t<patterns>*</patterns>\n\t<directories/>\n</action>\n</actions>\n";
    zbtest::WriteFile(m_config + "/Thunar/uca.xml", userActions);
    const auto dataBefore = Snapshot(m_data);

    ASSERT_TRUE(zb::RegisterFindActions(kProgram, kArchives));
    ASSERT_TRUE(zb::RegisterUtilityLauncher(kProgram));
    const std::string actions = ReadFile(zb::ThunarActionsPath());
    EXPECT_NE(actions.find("<name>Open Terminal Here</name>"), std::string::npos);
    EXPECT_NE(actions.find("<unique-id>zembrolt-find-folders</unique-id>"), std::string::npos);
    EXPECT_NE(actions.find("<patterns>*.zip;*.pak;*.rar;*.tgz;*.tar;*.tar.gz;*.gz;*.cab;*.ace;"
                           "*.arj;*.bz;*.bz2;*.tbz;*.tbz2</patterns>"),
              std::string::npos);

    EXPECT_TRUE(zb::UnregisterFindActions());
    EXPECT_TRUE(zb::UnregisterUtilityLauncher());
    EXPECT_EQ(ReadFile(zb::ThunarActionsPath()), userActions);
    // Ours are gone; the folders we made stay, as folders of the user's may.
    auto dataAfter = Snapshot(m_data);
    EXPECT_EQ(dataAfter.erase(m_data + "/applications"), 1u);
    EXPECT_EQ(dataAfter, dataBefore);
}

TEST_F(DesktopIntegrationTest, FilesOfTheUserWithOurNamesAreNeverTouched) {
    const std::string menu = zbtest::WriteFile(zb::FindServiceMenuPath(), "mine\n");
    const std::string launcher = zbtest::WriteFile(zb::UtilityLauncherPath(), "mine too\n");
    EXPECT_FALSE(zb::RegisterFindActions(kProgram, kArchives));
    EXPECT_FALSE(zb::RegisterUtilityLauncher(kProgram));
    // The rest is still written.
    EXPECT_TRUE(fs::exists(zb::FindScriptPath()));
    EXPECT_TRUE(zb::UnregisterFindActions());
    EXPECT_TRUE(zb::UnregisterUtilityLauncher());
    EXPECT_EQ(ReadFile(menu), "mine\n");
    EXPECT_EQ(ReadFile(launcher), "mine too\n");
}

TEST_F(DesktopIntegrationTest, UnregisteringOnACleanHomeCreatesNothing) {
    EXPECT_TRUE(zb::UnregisterFindActions());
    EXPECT_TRUE(zb::UnregisterUtilityLauncher());
    EXPECT_TRUE(Snapshot(m_data).empty());
    EXPECT_TRUE(Snapshot(m_config).empty());
}

TEST_F(DesktopIntegrationTest, WithoutThunarNoActionListIsMade) {
    ASSERT_TRUE(zb::RegisterFindActions(kProgram, kArchives));
    EXPECT_FALSE(fs::exists(m_config + "/Thunar"));
}

TEST_F(DesktopIntegrationTest, ThunarKeepsTheSystemActionsWhenOursAreAdded) {
    const std::string system =
        zbtest::WriteFile(m_systemConfig + "/Thunar/uca.xml",
                          "<actions>\n<action>\n\t<name>Open Terminal Here</name>\n"
                          "\t<unique-id>1-1</unique-id>\n</action>\n</actions>\n");
    ASSERT_TRUE(zb::RegisterFindActions(kProgram, kArchives));
    const std::string actions = ReadFile(zb::ThunarActionsPath());
    EXPECT_EQ(actions.rfind("<actions>\n<action>\n\t<name>Open Terminal Here</name>\n", 0), 0u);
    EXPECT_NE(actions.find("<unique-id>zembrolt-find-archives</unique-id>"), std::string::npos);
    // A list that is not one is left alone.
    zbtest::WriteFile(zb::ThunarActionsPath(), "garbage");
    EXPECT_FALSE(zb::RegisterFindActions(kProgram, kArchives));
    EXPECT_EQ(ReadFile(zb::ThunarActionsPath()), "garbage");
}

TEST_F(DesktopIntegrationTest, UnregisteringRemovesTheCopyOfThunarsDefaultsItMade) {
    const std::string defaults =
        "<actions>\n<action>\n\t<name>Open Terminal Here</name>\n"
        "\t<unique-id>1-1</unique-id>\n</action>\n</actions>\n";
    zbtest::WriteFile(m_systemConfig + "/Thunar/uca.xml", defaults);
    ASSERT_TRUE(zb::RegisterFindActions(kProgram, kArchives));
    ASSERT_TRUE(fs::exists(zb::ThunarActionsPath()));
    EXPECT_TRUE(zb::UnregisterFindActions());
    EXPECT_FALSE(fs::exists(zb::ThunarActionsPath()));

    // An action the user added meanwhile keeps the list.
    ASSERT_TRUE(zb::RegisterFindActions(kProgram, kArchives));
    std::string actions = ReadFile(zb::ThunarActionsPath());
    const std::string own = "<action>\n\t<name>Mine</name>\n</action>\n";
    actions.insert(actions.rfind("</actions>"), own);
    zbtest::WriteFile(zb::ThunarActionsPath(), actions);
    EXPECT_TRUE(zb::UnregisterFindActions());
    std::string expected = defaults;
    expected.insert(expected.rfind("</actions>"), own);
    EXPECT_EQ(ReadFile(zb::ThunarActionsPath()), expected);
}

TEST_F(DesktopIntegrationTest, ActionsPassTheChosenPathToTheProgramUnchanged) {
    // A program whose path needs quoting everywhere, which records its arguments.
    const std::string folder = zbtest::MakeTempDir("it's a $dir \"100%\"");
    const std::string record = zbtest::MakeTempDir("record") + "/arguments";
    const std::string program = folder + "/zb";
    zbtest::WriteFile(program, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + record + "'\n");
    fs::permissions(program, fs::perms::owner_all);
    ASSERT_TRUE(zb::RegisterFindActions(program, kArchives));

    const zbtest::ProcessResult run =
        zbtest::RunProcess({zb::FindScriptPath(), "/data/my `odd` folder"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(ReadFile(record), "1\n/data/my `odd` folder\n");

    // The desktop entry's escapes, then the Exec line's.
    const std::string menu = ReadFile(zb::FindServiceMenuPath());
    EXPECT_NE(menu.find(R"(it's a \\$dir \\"100%%\\"-)"), std::string::npos) << menu;
    EXPECT_NE(menu.find("/zb\" %f\n"), std::string::npos) << menu;
}

TEST_F(DesktopIntegrationTest, MimeTypesFollowTheExtensionsOnce) {
    EXPECT_EQ(zb::ArchiveMimeTypes({"tgz", "tar.gz", "unknown", "zip"}),
              (std::vector<std::string>{"application/x-compressed-tar", "application/zip",
                                        "application/x-zip-compressed"}));
}

}  // namespace
