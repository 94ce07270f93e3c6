#include "app/engine/SettingsStore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "app/engine/FindVerbs.h"
#include "engine/FreshUserFolders.h"
#include "platform/DesktopIntegration.h"
#include "platform/ProgramKey.h"
#include "readers/archives/ArchiveHandler.h"

namespace {

constexpr const char* kProgram = "/opt/zembrolt/bin/zembrolt";
constexpr const char* kCommand = "\"/opt/zembrolt/bin/zembrolt\" /idList:%I,%L";

// The window's side: two page values that load and save like the real pages
// ("Include String" through a 260-byte buffer), and a record of every call.
class FakeWindow : public ISettingsWindow {
public:
    BOOL LoadOptionPages(CRegKey& key) override {
        ++pageLoads;
        std::string text;
        DWORD size = 0;
        const bool textOk =
            QueryLimitedString(key, "Include String", kMaxRegTextRead, text) == ERROR_SUCCESS;
        const bool sizeOk = key.QueryDWORD("Size", size) == ERROR_SUCCESS;
        if (textOk)
            includeString = text;
        if (sizeOk)
            sizeKb = size;
        return textOk && sizeOk;
    }
    BOOL SaveOptionPages(CRegKey& key) override {
        const bool textOk = key.SetString("Include String", includeString) == ERROR_SUCCESS;
        const bool sizeOk = key.SetDWORD("Size", sizeKb) == ERROR_SUCCESS;
        return textOk && sizeOk;
    }
    void ResetOptionPages() override {
        ++pageResets;
        includeString.clear();
        sizeKb = 0;
    }
    void PlaceWindow(const WindowRect& rect) override {
        ++placements;
        placedAt = rect;
    }
    void ShowLookInPath(const std::string& path) override { shownLookIn = path; }
    void ShowOptionSheet(BOOL show) override {
        ++sheetShows;
        sheetShown = show;
    }
    WindowRect GetRectToSave() const override { return minimised ? WindowRect{} : screenRect; }

    std::string includeString;
    DWORD sizeKb = 0;
    WindowRect screenRect{10, 20, 810, 620};
    bool minimised = false;

    int pageLoads = 0;
    int pageResets = 0;
    int placements = 0;
    WindowRect placedAt;
    std::string shownLookIn;
    int sheetShows = 0;
    BOOL sheetShown = FALSE;
};

// Every value the first run writes (the fake pages add two).
const char* const kEveryValue[] = {
    "Version",
    "Advance Option",
    "Check Sys Dll",
    "Find Root Path",
    "Last Pos",
    "Install Path",
    "AppName",
    "Include String",
    "Size",
    "Recent Search Limit Count",
    "Search Result Max Limit",
    "Check newer ver on start",
    "Display size in Bytes",
    "Hot Key",
    "Max Thumbnail Size",
};

class SettingsStoreTest : public ::testing::Test {
protected:
    std::set<std::string> ValueNames() {
        std::set<std::string> names;
        CRegKey key;
        if (OpenProgramKey(key, false) != ERROR_SUCCESS)
            return names;
        std::string name;
        for (DWORD i = 0; RegEnumValue(key.Handle(), i, &name, nullptr, nullptr) == ERROR_SUCCESS;
             ++i)
            names.insert(name);
        return names;
    }

    void ExpectEveryValue() {
        const std::set<std::string> names = ValueNames();
        for (const char* name : kEveryValue)
            EXPECT_EQ(names.count(name), 1u) << name;
    }

    void DeleteValue(const char* name) {
        CRegKey key;
        ASSERT_EQ(OpenProgramKey(key, false), ERROR_SUCCESS);
        ASSERT_EQ(RegDeleteValue(key.Handle(), name), ERROR_SUCCESS);
    }

    // Runs a first start: the load fails, the first-run set-up writes.
    void FirstRun(CWindowSettings& window, CAdvancedOptions& options, FakeWindow& host) {
        CSettingsStore store(window, options, host);
        ASSERT_FALSE(store.LoadSettings());
        ASSERT_TRUE(store.WriteFirstRunSettings(kProgram));
    }

    using StoredProgram = std::pair<std::string, std::string>;
    // "Install Path" and "AppName".
    static StoredProgram InstallInformation() {
        StoredProgram stored;
        EXPECT_EQ(QueryInstallInformation(stored.first, stored.second), ERROR_SUCCESS);
        return stored;
    }

    static std::string DefaultValue(const std::string& path) {
        CRegKey key;
        std::string value;
        if (key.Open(HKEY_CLASSES_ROOT, path) != ERROR_SUCCESS ||
            key.QueryString("", value) != ERROR_SUCCESS)
            return "<none>";
        return value;
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    zbtest::FreshUserFolders m_folders;
};

TEST_F(SettingsStoreTest, SavedKeyLoadsBackAndPagesShowTheirDefaults) {
    CWindowSettings window;
    window.m_sFindRootPath = "/home/user/Documents";
    window.m_bAdvanceOption = FALSE;
    window.m_bCheckSysDll = FALSE;
    CAdvancedOptions options;
    options.m_nRecentSearchLimit = 25;
    options.m_nSearchResultLimit = 777;
    options.m_bCheckNewerVersion = FALSE;
    options.m_nThumbnailWidth = options.m_nThumbnailHeight = 192;
    options.m_bSizeInBytes = TRUE;
    options.m_cHotKey = 'J';
    FakeWindow host;
    host.includeString = "needle";
    host.sizeKb = 42;
    FirstRun(window, options, host);

    CWindowSettings loadedWindow;
    CAdvancedOptions loadedOptions;
    FakeWindow loadedHost;
    CSettingsStore store(loadedWindow, loadedOptions, loadedHost);
    ASSERT_TRUE(store.LoadSettings());

    EXPECT_EQ(loadedWindow.m_sFindRootPath, "/home/user/Documents");
    EXPECT_EQ(loadedHost.shownLookIn, "/home/user/Documents");
    EXPECT_EQ(loadedWindow.m_rcLastPos, (WindowRect{10, 20, 810, 620}));
    EXPECT_EQ(loadedHost.placements, 1);
    EXPECT_EQ(loadedHost.placedAt, (WindowRect{10, 20, 810, 620}));
    EXPECT_EQ(loadedWindow.m_bCheckSysDll, FALSE);
    EXPECT_EQ(loadedOptions.m_nRecentSearchLimit, 25);
    EXPECT_EQ(loadedOptions.m_nSearchResultLimit, 777);
    EXPECT_EQ(loadedOptions.m_bCheckNewerVersion, FALSE);
    EXPECT_EQ(loadedOptions.m_nThumbnailWidth, 192);
    EXPECT_EQ(loadedOptions.m_nThumbnailHeight, 192);
    EXPECT_EQ(loadedOptions.m_bSizeInBytes, TRUE);
    EXPECT_EQ(loadedOptions.m_cHotKey, 'J');

    // The sheet is shown whatever was stored, with its pages at their defaults.
    EXPECT_EQ(loadedWindow.m_bAdvanceOption, TRUE);
    EXPECT_EQ(loadedHost.sheetShows, 1);
    EXPECT_EQ(loadedHost.sheetShown, TRUE);
    EXPECT_EQ(loadedHost.pageLoads, 1);
    EXPECT_EQ(loadedHost.pageResets, 1);
    EXPECT_EQ(loadedHost.includeString, "");
    EXPECT_EQ(loadedHost.sizeKb, 0u);
}

TEST_F(SettingsStoreTest, FirstRunWritesEveryValueAndTheInstallInformation) {
    EXPECT_TRUE(ValueNames().empty());
    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    FirstRun(window, options, host);
    ExpectEveryValue();

    EXPECT_EQ(InstallInformation(), StoredProgram("/opt/zembrolt/bin", "zembrolt"));
    CRegKey key;
    ASSERT_EQ(OpenProgramKey(key, false), ERROR_SUCCESS);
    DWORD value = 0;
    ASSERT_EQ(key.QueryDWORD("Version", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 0x10104u);
    ASSERT_EQ(key.QueryDWORD("Check Sys Dll", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    ASSERT_EQ(key.QueryDWORD("Hot Key", value), ERROR_SUCCESS);
    EXPECT_EQ(value, static_cast<DWORD>('F'));
}

TEST_F(SettingsStoreTest, MissingIncludeStringTakesTheFirstRunPath) {
    CWindowSettings window;
    window.m_sFindRootPath = "/srv/data";
    CAdvancedOptions options;
    FakeWindow host;
    FirstRun(window, options, host);
    DeleteValue("Include String");

    CWindowSettings restarted;
    CAdvancedOptions restartedOptions;
    FakeWindow restartedHost;
    CSettingsStore store(restarted, restartedOptions, restartedHost);
    EXPECT_FALSE(store.LoadSettings());
    EXPECT_EQ(restartedHost.pageResets, 0);
    // What was read before the failure is what the first run writes back.
    EXPECT_EQ(restarted.m_sFindRootPath, "/srv/data");
    ASSERT_TRUE(store.WriteFirstRunSettings(kProgram));
    ExpectEveryValue();

    CWindowSettings third;
    FakeWindow thirdHost;
    CSettingsStore again(third, restartedOptions, thirdHost);
    EXPECT_TRUE(again.LoadSettings());
    EXPECT_EQ(third.m_sFindRootPath, "/srv/data");
}

TEST_F(SettingsStoreTest, EachRequiredValueOfTheWindowIsRequired) {
    for (const char* missing : {"Version", "Advance Option", "Check Sys Dll", "Find Root Path",
                                "Recent Search Limit Count", "Search Result Max Limit"}) {
        CWindowSettings window;
        CAdvancedOptions options;
        FakeWindow host;
        CSettingsStore store(window, options, host);
        ASSERT_TRUE(store.WriteFirstRunSettings(kProgram));
        DeleteValue(missing);
        window.m_bAdvanceOption = TRUE;
        window.m_bCheckSysDll = FALSE;
        EXPECT_FALSE(store.LoadSettings()) << missing;
        if (std::string(missing) == "Advance Option") {
            EXPECT_EQ(window.m_bAdvanceOption, FALSE);
        }
        if (std::string(missing) == "Check Sys Dll") {
            EXPECT_EQ(window.m_bCheckSysDll, TRUE);
        }
        EXPECT_EQ(host.sheetShows, 0) << missing;
    }
}

TEST_F(SettingsStoreTest, MissingKeyFailsAndSaveNeedsTheKey) {
    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    CSettingsStore store(window, options, host);
    EXPECT_FALSE(store.LoadSettings());
    EXPECT_FALSE(store.SaveSettings());
    EXPECT_TRUE(ValueNames().empty());
}

TEST_F(SettingsStoreTest, OtherVersionStillLoads) {
    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    FirstRun(window, options, host);
    CRegKey key;
    ASSERT_EQ(OpenProgramKey(key, false), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDWORD("Version", 0x10009), ERROR_SUCCESS);
    CSettingsStore store(window, options, host);
    EXPECT_TRUE(store.LoadSettings());
}

TEST_F(SettingsStoreTest, MissingOrMalformedLastPosGivesAnEmptyRectangle) {
    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    FirstRun(window, options, host);
    DeleteValue("Last Pos");

    CWindowSettings loaded;
    loaded.m_rcLastPos = {1, 2, 3, 4};
    FakeWindow loadedHost;
    CSettingsStore store(loaded, options, loadedHost);
    EXPECT_TRUE(store.LoadSettings());
    EXPECT_EQ(loaded.m_rcLastPos, WindowRect{});
    EXPECT_EQ(loadedHost.placements, 0);

    CRegKey key;
    ASSERT_EQ(OpenProgramKey(key, false), ERROR_SUCCESS);
    const BYTE shortRect[8] = {1, 0, 0, 0, 2, 0, 0, 0};
    ASSERT_EQ(key.SetBinary("Last Pos", shortRect, sizeof shortRect), ERROR_SUCCESS);
    EXPECT_TRUE(store.LoadSettings());
    EXPECT_EQ(loaded.m_rcLastPos, WindowRect{});
    EXPECT_EQ(loadedHost.placements, 0);
}

TEST_F(SettingsStoreTest, MinimisedWindowStoresAnAllZeroRectangle) {
    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    host.screenRect = {-5, -6, 300, 400};
    FirstRun(window, options, host);
    CSettingsStore store(window, options, host);

    CWindowSettings loaded;
    FakeWindow loadedHost;
    CSettingsStore reader(loaded, options, loadedHost);
    ASSERT_TRUE(reader.LoadSettings());
    EXPECT_EQ(loaded.m_rcLastPos, (WindowRect{-5, -6, 300, 400}));

    host.minimised = true;
    ASSERT_TRUE(store.SaveSettings());
    CRegKey key;
    ASSERT_EQ(OpenProgramKey(key, false), ERROR_SUCCESS);
    std::vector<BYTE> bytes;
    ASSERT_EQ(key.QueryBinary("Last Pos", bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::vector<BYTE>(16, 0));
}

TEST_F(SettingsStoreTest, LongLookInPathLoadsWhole) {
    CWindowSettings window;
    window.m_sFindRootPath = "/" + std::string(300, 'x') + "/" + std::string(200, 'y');
    CAdvancedOptions options;
    FakeWindow host;
    FirstRun(window, options, host);

    CWindowSettings loaded;
    FakeWindow loadedHost;
    CSettingsStore store(loaded, options, loadedHost);
    ASSERT_TRUE(store.LoadSettings());
    EXPECT_EQ(loaded.m_sFindRootPath, window.m_sFindRootPath);
    EXPECT_EQ(loadedHost.shownLookIn, window.m_sFindRootPath);
}

TEST_F(SettingsStoreTest, TextOfExactly259BytesFitsTheBoundedReadAnd260DoesNot) {
    CRegKey key;
    ASSERT_EQ(OpenProgramKey(key, true), ERROR_SUCCESS);
    std::string value = "unchanged";
    ASSERT_EQ(key.SetString("Fits", std::string(259, 'a')), ERROR_SUCCESS);
    ASSERT_EQ(QueryLimitedString(key, "Fits", kMaxRegTextRead, value), ERROR_SUCCESS);
    EXPECT_EQ(value, std::string(259, 'a'));
    ASSERT_EQ(key.SetString("TooLong", std::string(260, 'b')), ERROR_SUCCESS);
    EXPECT_EQ(QueryLimitedString(key, "TooLong", kMaxRegTextRead, value), ERROR_MORE_DATA);
    EXPECT_EQ(value, std::string(259, 'a'));
    ASSERT_EQ(key.SetDWORD("Number", 1), ERROR_SUCCESS);
    EXPECT_NE(QueryLimitedString(key, "Number", kMaxRegTextRead, value), ERROR_SUCCESS);
}

TEST_F(SettingsStoreTest, FolderVerbAndArchiveVerbsOfTypedExtensionsOnly) {
    // .zip and .rar have a file type, .tar has a class key without one, and
    // .cab's type does not fit the 260-byte read.
    {
        CRegKey key;
        ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, ".zip"), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString("", "ZipFile"), ERROR_SUCCESS);
        ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, ".rar"), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString("", "RarArchive"), ERROR_SUCCESS);
        ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, ".tar"), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString("Content Type", "application/x-tar"), ERROR_SUCCESS);
        ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, ".cab"), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString("", std::string(300, 'C')), ERROR_SUCCESS);
    }
    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    FirstRun(window, options, host);

    EXPECT_EQ(DefaultValue("Folder\\shell\\Find with Zembrolt\\command"), kCommand);
    EXPECT_EQ(DefaultValue("ZipFile\\shell\\Find with Zembrolt\\command"), kCommand);
    EXPECT_EQ(DefaultValue("RarArchive\\shell\\Find with Zembrolt\\command"), kCommand);

    // Apart from the two verbs, only the extension keys themselves were made.
    InitArchiveExtensions();
    std::set<std::string> expected = {"Folder", "RarArchive", "ZipFile"};
    for (const std::string& extension : g_arrArchiveExtensions)
        expected.insert("." + extension);
    std::set<std::string> found;
    std::string name;
    for (DWORD i = 0; RegEnumKeyEx(HKEY_CLASSES_ROOT, i, &name) == ERROR_SUCCESS; ++i)
        found.insert(name);
    EXPECT_EQ(found, expected);
    HKEY shell = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, ".tar\\shell", &shell), ERROR_FILE_NOT_FOUND);
}

TEST_F(SettingsStoreTest, ArchiveVerbCountSkipsExtensionsWithoutType) {
    CRegKey key;
    ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, ".gz"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString("", "GzFile"), ERROR_SUCCESS);
    EXPECT_EQ(RegisterArchiveFindVerbs(kProgram, {"zip", "gz", "ace"}), 1);
    EXPECT_EQ(DefaultValue("GzFile\\shell\\Find with Zembrolt\\command"), kCommand);
}

TEST_F(SettingsStoreTest, FirstRunOffersTheVerbInTheFileManagersOnly) {
    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    FirstRun(window, options, host);
    const std::string menu = ReadFile(zb::FindServiceMenuPath());
    EXPECT_NE(menu.find("Exec=\"/opt/zembrolt/bin/zembrolt\" %f\n"), std::string::npos);
    EXPECT_NE(menu.find("MimeType=inode/directory;application/zip;"), std::string::npos);
    EXPECT_NE(ReadFile(zb::FindScriptPath()).find("exec '/opt/zembrolt/bin/zembrolt'"),
              std::string::npos);
    // No application entry: nothing that could become what opens folders.
    struct stat info {};
    EXPECT_NE(stat((m_folders.DataHome() + "/applications").c_str(), &info), 0);
}

TEST_F(SettingsStoreTest, AProgramStartedFromANewPlaceMovesTheInstallInformationAlong) {
    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    FirstRun(window, options, host);
    ASSERT_TRUE(zb::RegisterUtilityLauncher(kProgram));  // the installer's registration
    CSettingsStore store(window, options, host);
    ASSERT_TRUE(store.LoadSettings());

    // From the same place nothing is written.
    const std::string registry = ReadFile(m_folders.RegistryFile());
    EXPECT_TRUE(store.RefreshInstallInformation(kProgram));
    EXPECT_EQ(ReadFile(m_folders.RegistryFile()), registry);

    const std::string moved = "/home/user/zembrolt/build/app/zembrolt";
    EXPECT_TRUE(store.RefreshInstallInformation(moved));
    EXPECT_EQ(InstallInformation(), StoredProgram("/home/user/zembrolt/build/app", "zembrolt"));
    const std::string exec = "Exec=\"" + moved + "\"";
    EXPECT_EQ(DefaultValue("Folder\\shell\\Find with Zembrolt\\command"),
              "\"" + moved + "\" /idList:%I,%L");
    EXPECT_NE(ReadFile(zb::FindServiceMenuPath()).find(exec + " %f\n"), std::string::npos);
    EXPECT_NE(ReadFile(zb::FindScriptPath()).find("exec '" + moved + "'"), std::string::npos);
    EXPECT_NE(ReadFile(zb::UtilityLauncherPath()).find(exec + "\n"), std::string::npos);

    // A launcher the installer did not write is not made.
    ASSERT_TRUE(zb::UnregisterUtilityLauncher());
    EXPECT_TRUE(store.RefreshInstallInformation(kProgram));
    struct stat info {};
    EXPECT_NE(stat(zb::UtilityLauncherPath().c_str(), &info), 0);
}

TEST_F(SettingsStoreTest, UnwritableActionFolderFailsButKeepsTheRegistry) {
    const std::string blocker = zbtest::WriteFile(m_folders.DataHome() + "/kio", "file");
    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    CSettingsStore store(window, options, host);
    EXPECT_FALSE(store.WriteFirstRunSettings(kProgram));
    ExpectEveryValue();
    EXPECT_EQ(DefaultValue("Folder\\shell\\Find with Zembrolt\\command"), kCommand);
    EXPECT_EQ(ReadFile(blocker), "file");
}

TEST_F(SettingsStoreTest, CorruptRegistryFileNeverCrashesNorTouchesTheDataFile) {
    const std::string dataFile =
        zbtest::WriteFile(m_folders.DataHome() + "/zembrolt/Zembrolt.dat", "ZBDF-kept");
    zbtest::WriteFile(m_folders.RegistryFile(), std::string("\x00\xff garbage [[[\n", 14));

    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    CSettingsStore store(window, options, host);
    EXPECT_FALSE(store.LoadSettings());
    EXPECT_TRUE(store.WriteFirstRunSettings(kProgram));
    ExpectEveryValue();
    EXPECT_EQ(ReadFile(dataFile), "ZBDF-kept");
}

TEST_F(SettingsStoreTest, UnreadableRegistryFailsCleanly) {
    // A folder where the registry file should be can be neither read nor
    // replaced.
    ASSERT_EQ(mkdir((m_folders.ConfigHome() + "/zembrolt").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(m_folders.RegistryFile().c_str(), 0700), 0);
    CWindowSettings window;
    CAdvancedOptions options;
    FakeWindow host;
    CSettingsStore store(window, options, host);
    EXPECT_FALSE(store.LoadSettings());
    EXPECT_FALSE(store.WriteFirstRunSettings(kProgram));
    EXPECT_FALSE(store.SaveSettings());
}

}  // namespace
