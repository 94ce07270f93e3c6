#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "engine/FreshUserFolders.h"
#include "platform/DesktopIntegration.h"
#include "platform/Registry.h"
#include "shellext/ShellExtLibrary.h"
#include "support/ChildProcess.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;

constexpr HRESULT kSelfRegClass = static_cast<HRESULT>(0x80040201u);
constexpr const char* kClassId = "{5B3E9A14-C2D7-4F60-9E81-3A7D0C4B2F95}";
constexpr const char* kFindKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FindExtensions\\Static\\Zembrolt";
constexpr const char* kApprovedKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A value's text, or "<none>".
std::string Value(HKEY root, const std::string& key, const std::string& name = "") {
    CRegKey opened;
    std::string value;
    if (opened.Open(root, key) != ERROR_SUCCESS || opened.QueryString(name, value) != ERROR_SUCCESS)
        return "<none>";
    return value;
}

void WriteInstallInformation(const std::string& installPath, const std::string& appName) {
    CRegKey program;
    ASSERT_EQ(program.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_SUCCESS);
    ASSERT_EQ(program.SetString("Install Path", installPath), ERROR_SUCCESS);
    ASSERT_EQ(program.SetString("AppName", appName), ERROR_SUCCESS);
}

bool KeyExists(HKEY root, const std::string& key) {
    CRegKey opened;
    return opened.Open(root, key) == ERROR_SUCCESS;
}

void SetValue(HKEY root, const std::string& key, const std::string& value) {
    CRegKey created;
    ASSERT_EQ(created.Create(root, key), ERROR_SUCCESS);
    ASSERT_EQ(created.SetString("", value), ERROR_SUCCESS);
}

std::set<std::string> SubKeys(HKEY root) {
    std::set<std::string> names;
    std::string name;
    for (DWORD i = 0; RegEnumKeyEx(root, i, &name) == ERROR_SUCCESS; ++i)
        names.insert(name);
    return names;
}

// Every path below `root`, with the text of the files.
std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string line = entry.path().string();
        if (entry.is_regular_file())
            line.append("=").append(ReadFile(entry.path()));
        entries.insert(line);
    }
    return entries;
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_library.IsLoaded()) << dlerror(); }

    static std::string LibraryPath() {
        char resolved[PATH_MAX];
        return realpath(zbtest::ShellExtLibrary::Path(), resolved) != nullptr ? resolved : "";
    }

    // What the program's first run adds: the verbs for folders and ZIP files
    // (whose type also has the user's own "open" verb), and the file managers'
    // actions.
    void WriteFirstRunVerbs() {
        const std::string command = "\"/opt/zb/zembrolt\" /idList:%I,%L";
        SetValue(HKEY_CLASSES_ROOT, "Folder\\shell\\Find with Zembrolt\\command", command);
        SetValue(HKEY_CLASSES_ROOT, ".zip", "ZipFile");
        SetValue(HKEY_CLASSES_ROOT, "ZipFile\\shell\\Find with Zembrolt\\command", command);
        SetValue(HKEY_CLASSES_ROOT, "ZipFile\\shell\\open\\command", "unzip %1");
        ASSERT_TRUE(zb::RegisterFindActions("/opt/zb/zembrolt", {"zip"}));
    }

    zbtest::FreshUserFolders m_folders;
    zbtest::ShellExtLibrary m_library;
};

TEST_F(RegistrationTest, RegisteringWritesTheRowsAndTheLauncherOnce) {
    const std::string installed = zbtest::MakeTempDir("installed");
    zbtest::WriteFile(installed + "/zembrolt", "#!/bin/sh\n");
    fs::permissions(installed + "/zembrolt", fs::perms::owner_all);
    WriteInstallInformation(installed, "zembrolt");

    ASSERT_EQ(m_library.DllRegisterServer(), S_OK);
    const std::string clsid = std::string("CLSID\\") + kClassId;
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid), "Zembrolt Context Menu Extension");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32"), LibraryPath());
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId), "Zembrolt Context Menu Extension");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kFindKey), kClassId);
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, std::string(kFindKey) + "\\0"), "Zembrolt Utility...");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, std::string(kFindKey) + "\\0\\DefaultIcon"),
              LibraryPath() + ",0");
    const std::string launcher = ReadFile(zb::UtilityLauncherPath());
    EXPECT_NE(launcher.find("Exec=\"" + installed + "/zembrolt\"\n"), std::string::npos)
        << launcher;

    const std::string registry = ReadFile(m_folders.RegistryFile());
    const std::set<std::string> files = Tree(m_folders.DataHome());
    ASSERT_EQ(m_library.DllRegisterServer(), S_OK);
    EXPECT_EQ(ReadFile(m_folders.RegistryFile()), registry);
    EXPECT_EQ(Tree(m_folders.DataHome()), files);

    if (!zbtest::HasProgram("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate is not installed";
    const zbtest::ProcessResult result =
        zbtest::RunProcess({"desktop-file-validate", zb::UtilityLauncherPath()});
    EXPECT_EQ(result.exitCode, 0) << result.output;
}

TEST_F(RegistrationTest, WithoutAStoredProgramTheLauncherStartsTheOneBesideTheLibrary) {
    const std::string folder = LibraryPath().substr(0, LibraryPath().find_last_of('/'));
    // Before the first run, and after the program moved away.
    for (const bool stored : {false, true}) {
        if (stored)
            WriteInstallInformation("/opt/moved away", "zembrolt");
        ASSERT_EQ(m_library.DllRegisterServer(), S_OK);
        EXPECT_NE(ReadFile(zb::UtilityLauncherPath()).find("Exec=\"" + folder + "/zembrolt\"\n"),
                  std::string::npos)
            << stored;
    }
}

TEST_F(RegistrationTest, UnregisteringRemovesTheVerbsTheRowsAndTheLauncher) {
    WriteFirstRunVerbs();
    ASSERT_EQ(m_library.DllRegisterServer(), S_OK);

    EXPECT_EQ(m_library.DllUnregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Folder\\shell\\Find with Zembrolt"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "ZipFile\\shell\\Find with Zembrolt"));
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "ZipFile\\shell\\open\\command"), "unzip %1");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kClassId));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kFindKey));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId), "<none>");
    for (const std::string& path :
         {zb::FindServiceMenuPath(), zb::FindScriptPath(), zb::UtilityLauncherPath()})
        EXPECT_FALSE(fs::exists(path)) << path;

    // The second time the rows are missing, and no key is made for the
    // archive types that were never registered.
    const std::set<std::string> keys = SubKeys(HKEY_CLASSES_ROOT);
    EXPECT_EQ(m_library.DllUnregisterServer(), kSelfRegClass);
    EXPECT_EQ(SubKeys(HKEY_CLASSES_ROOT), keys);
    EXPECT_EQ(keys.count(".rar"), 0u);
}

TEST_F(RegistrationTest, UnregisteringOnACleanHomeCreatesNothing) {
    EXPECT_EQ(m_library.DllUnregisterServer(), kSelfRegClass);
    EXPECT_TRUE(Tree(m_folders.DataHome()).empty());
    EXPECT_TRUE(Tree(m_folders.ConfigHome()).empty());
}

}  // namespace
