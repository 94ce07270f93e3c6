#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/RegistryFile.h"
#include "platform/RegistryStore.h"
#include "support/TempHome.h"

namespace {

using namespace std::string_literals;

std::vector<BYTE> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<BYTE> DwordBytes(DWORD value) {
    return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
            static_cast<BYTE>(value >> 24)};
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every test gets a store of its own in a fresh config folder.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_oldConfigHome = old != nullptr ? old : "";
        m_configHome = zbtest::MakeTempDir("config");
        setenv("XDG_CONFIG_HOME", m_configHome.c_str(), 1);
    }
    void TearDown() override {
        for (HKEY key : m_keys)
            RegCloseKey(key);
        setenv("XDG_CONFIG_HOME", m_oldConfigHome.c_str(), 1);
    }

    std::string Folder() const { return m_configHome + "/zembrolt"; }
    std::string FilePath() const { return Folder() + "/registry.reg"; }

    HKEY Create(HKEY parent, const std::string& subKey) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(parent, subKey, &key), ERROR_SUCCESS) << subKey;
        m_keys.push_back(key);
        return key;
    }

    LONG Open(HKEY parent, const std::string& subKey, HKEY* key) {
        const LONG status = RegOpenKeyEx(parent, subKey, key);
        if (status == ERROR_SUCCESS)
            m_keys.push_back(*key);
        return status;
    }

    // Drops the store's copy: it reads the file again, as a new process would.
    void ReloadFromFile() {
        setenv("XDG_CONFIG_HOME", zbtest::MakeTempDir("elsewhere").c_str(), 1);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE", &key), ERROR_FILE_NOT_FOUND);
        setenv("XDG_CONFIG_HOME", m_configHome.c_str(), 1);
    }

    std::string m_configHome;
    std::string m_oldConfigHome;
    std::vector<HKEY> m_keys;
};

LONG SetString(HKEY key, const std::string& name, const std::string& text) {
    return RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
}

LONG SetDword(HKEY key, const std::string& name, DWORD value) {
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return RegSetValueEx(key, name, REG_DWORD, bytes, 4);
}

// The value's type and bytes as RegQueryValueEx gives them; type 0 when missing.
std::pair<DWORD, std::vector<BYTE>> Query(HKEY key, const std::string& name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueEx(key, name, &type, nullptr, &size) != ERROR_SUCCESS)
        return {0, {}};
    std::vector<BYTE> data(size);
    EXPECT_EQ(RegQueryValueEx(key, name, &type, data.data(), &size), ERROR_SUCCESS);
    data.resize(size);
    return {type, data};
}

std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> names;
    std::string name;
    for (DWORD i = 0; RegEnumKeyEx(key, i, &name) == ERROR_SUCCESS; ++i)
        names.push_back(name);
    return names;
}

std::vector<std::string> ValueNames(HKEY key) {
    std::vector<std::string> names;
    std::string name;
    for (DWORD i = 0; RegEnumValue(key, i, &name, nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        names.push_back(name);
    }
    return names;
}

// --- Keys and values through the Win32-shaped calls ---

TEST_F(RegistryTest, EachRootCreatesQueriesSetsAndDeletes) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) {
        HKEY missing = nullptr;
        EXPECT_EQ(Open(root, "SOFTWARE\\Zembrolt", &missing), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(missing, nullptr);

        HKEY key = Create(root, "SOFTWARE\\Zembrolt\\Deep");  // parents come along
        HKEY parent = nullptr;
        ASSERT_EQ(Open(root, "SOFTWARE\\Zembrolt", &parent), ERROR_SUCCESS);
        EXPECT_EQ(SubkeyNames(parent), std::vector<std::string>{"Deep"});

        ASSERT_EQ(SetDword(key, "Count", 7), ERROR_SUCCESS);
        EXPECT_EQ(Query(key, "Count").first, REG_DWORD);
        ASSERT_EQ(SetDword(key, "Count", 8), ERROR_SUCCESS);
        EXPECT_EQ(Query(key, "Count").second, (std::vector<BYTE>{8, 0, 0, 0}));
        EXPECT_EQ(RegDeleteValue(key, "Count"), ERROR_SUCCESS);
        EXPECT_EQ(Query(key, "Count").first, 0u);
        EXPECT_EQ(RegDeleteValue(key, "Count"), ERROR_FILE_NOT_FOUND);
        ASSERT_EQ(SetDword(key, "Mark", 1), ERROR_SUCCESS);
    }
    // The roots are separate trees.
    HKEY machine = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt\\Deep", &machine), ERROR_SUCCESS);
    HKEY classes = nullptr;
    ASSERT_EQ(Open(HKEY_CLASSES_ROOT, "SOFTWARE\\Zembrolt\\Deep", &classes), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(machine, "OnlyHere", 1), ERROR_SUCCESS);
    EXPECT_EQ(Query(classes, "OnlyHere").first, 0u);
    ASSERT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "SOFTWARE"), ERROR_SUCCESS);
    EXPECT_EQ(Query(machine, "Mark").first, REG_DWORD);
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirCase) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt");
    HKEY same = Create(HKEY_LOCAL_MACHINE, "software\\ZEMBROLT");
    HKEY software = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, "Software", &software), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(software), std::vector<std::string>{"Zembrolt"});
    EXPECT_EQ(SubkeyNames(HKEY_LOCAL_MACHINE), std::vector<std::string>{"SOFTWARE"});

    ASSERT_EQ(SetString(key, "Install Path", "/opt/zembrolt"), ERROR_SUCCESS);
    EXPECT_EQ(Query(same, "INSTALL PATH").second, Bytes(std::string("/opt/zembrolt\0", 14)));
    ASSERT_EQ(SetString(same, "install path", "/usr/lib/zembrolt"), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), std::vector<std::string>{"Install Path"});
    EXPECT_EQ(Query(key, "Install Path").second, Bytes(std::string("/usr/lib/zembrolt\0", 18)));
    EXPECT_NE(
        ReadText(FilePath()).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zembrolt]\n\"Install Path\""),
        std::string::npos);
    // Only ASCII letters fold.
    HKEY upper = Create(key, "\xC3\x84");  // Ä
    HKEY lower = Create(key, "\xC3\xA4");  // ä
    ASSERT_EQ(SetDword(upper, "v", 1), ERROR_SUCCESS);
    EXPECT_EQ(Query(lower, "v").first, 0u);
}

TEST_F(RegistryTest, DefaultValueHasTheEmptyName) {
    HKEY command = Create(HKEY_CLASSES_ROOT, "Folder\\shell\\Find with Zembrolt\\command");
    const std::string text = "\"/usr/bin/zembrolt\" /idList:%I,%L";
    ASSERT_EQ(RegSetValueEx(command, "", REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                            static_cast<DWORD>(text.size())),
              ERROR_SUCCESS);
    const auto [type, data] = Query(command, "");
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(data, Bytes(text + std::string(1, '\0')));
    EXPECT_EQ(ValueNames(command), std::vector<std::string>{""});
    EXPECT_NE(ReadText(FilePath()).find("@=\"\\\"/usr/bin/zembrolt\\\" /idList:%I,%L\"\n"),
              std::string::npos);
}

TEST_F(RegistryTest, TextComesBackTerminatedAndTooSmallBuffersGetMoreData) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt");
    // Written without its terminator, as "AppName" is.
    ASSERT_EQ(RegSetValueEx(key, "AppName", REG_SZ, reinterpret_cast<const BYTE*>("Zembrolt"), 8),
              ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueEx(key, "AppName", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 9u);

    BYTE small[4] = {};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "AppName", &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 9u);

    BYTE exact[9];
    std::fill(std::begin(exact), std::end(exact), 0xAA);
    size = sizeof exact;
    ASSERT_EQ(RegQueryValueEx(key, "AppName", nullptr, exact, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(exact), 9), std::string("Zembrolt\0", 9));

    // Written with it, the same bytes come back; text stops at the first NUL.
    ASSERT_EQ(RegSetValueEx(key, "Two", REG_SZ, reinterpret_cast<const BYTE*>("ab\0cd"), 5),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Two").second, Bytes(std::string("ab\0", 3)));
    ASSERT_EQ(RegSetValueEx(key, "Empty", REG_SZ, nullptr, 0), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Empty").second, std::vector<BYTE>{0});

    // A data buffer needs its size; a missing value says so.
    EXPECT_EQ(RegQueryValueEx(key, "AppName", nullptr, exact, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueEx(key, "Missing", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DwordsAreFourLittleEndianBytes) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt");
    ASSERT_EQ(SetDword(key, "Version", 0x00010104), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Version").second, (std::vector<BYTE>{0x04, 0x01, 0x01, 0x00}));
    ASSERT_EQ(SetDword(key, "Max Thumbnail Size", 0xFFFF0080), ERROR_SUCCESS);
    EXPECT_NE(ReadText(FilePath())
                  .find("\"Version\"=dword:00010104\n"
                        "\"Max Thumbnail Size\"=dword:ffff0080\n"),
              std::string::npos);
    const BYTE three[3] = {1, 2, 3};
    EXPECT_EQ(RegSetValueEx(key, "Short", REG_DWORD, three, 3), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Query(key, "Short").first, 0u);
}

TEST_F(RegistryTest, BinaryKeepsEveryByteValue) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt");
    std::vector<BYTE> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<BYTE>(i);
    ASSERT_EQ(RegSetValueEx(key, "All", REG_BINARY, all.data(), 256), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, "None", REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    ReloadFromFile();
    EXPECT_EQ(Query(key, "All"), std::make_pair(REG_BINARY, all));
    EXPECT_EQ(Query(key, "None"), std::make_pair(REG_BINARY, std::vector<BYTE>{}));

    // The long list is wrapped with "\" continuations into lines of at most 80 columns.
    const std::string text = ReadText(FilePath());
    EXPECT_NE(text.find("\"All\"=hex:00,01,02,"), std::string::npos);
    EXPECT_NE(text.find(",\\\n  "), std::string::npos);
    EXPECT_NE(text.find("fd,fe,ff\n"), std::string::npos);
    EXPECT_NE(text.find("\"None\"=hex:\n"), std::string::npos);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 80u) << line;
}

TEST_F(RegistryTest, DeleteTreeRemovesAllSubkeys) {
    HKEY a = Create(HKEY_LOCAL_MACHINE, "A");
    HKEY c = Create(HKEY_LOCAL_MACHINE, "A\\B\\C");
    Create(HKEY_LOCAL_MACHINE, "A\\B\\D");
    ASSERT_EQ(SetDword(c, "x", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(a, "keep", 1), ERROR_SUCCESS);

    EXPECT_EQ(RegDeleteTree(a, "b"), ERROR_SUCCESS);
    HKEY gone = nullptr;
    EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "A\\B", &gone), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(SubkeyNames(a).empty());
    EXPECT_EQ(Query(a, "keep").first, REG_DWORD);
    EXPECT_EQ(RegDeleteTree(a, "B"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadText(FilePath()).find("\\B"), std::string::npos);

    // A handle to a deleted key fails until it is closed.
    EXPECT_EQ(RegQueryValueEx(c, "x", nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(SetDword(c, "x", 2), ERROR_KEY_DELETED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyEx(c, "E", &child), ERROR_KEY_DELETED);

    // Without a subkey the key stays empty; a root is never deleted.
    Create(a, "Sub");
    EXPECT_EQ(RegDeleteTree(a, ""), ERROR_SUCCESS);
    EXPECT_TRUE(SubkeyNames(a).empty());
    EXPECT_TRUE(ValueNames(a).empty());
    HKEY still = nullptr;
    EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "A", &still), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTree(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, EnumerationOrdersSubkeysByNameAndValuesByCreation) {
    HKEY key = Create(HKEY_CURRENT_USER, "Enum");
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA"})
        Create(key, name);
    EXPECT_EQ(SubkeyNames(key), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    std::string name = "unchanged";
    EXPECT_EQ(RegEnumKeyEx(key, 3, &name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyEx(key, 0, nullptr), ERROR_INVALID_PARAMETER);

    ASSERT_EQ(SetString(key, "z", "text"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "a", 5), ERROR_SUCCESS);
    const BYTE blob[2] = {9, 8};
    ASSERT_EQ(RegSetValueEx(key, "m", REG_BINARY, blob, 2), ERROR_SUCCESS);
    EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"z", "a", "m"}));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(RegEnumValue(key, 0, &name, &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(data, Bytes(std::string("text\0", 5)));
    ASSERT_EQ(RegEnumValue(key, 2, nullptr, &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(data, (std::vector<BYTE>{9, 8}));
    EXPECT_EQ(RegEnumValue(key, 3, &name, &type, &data), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryTest, BadHandlesNamesAndArgumentsAreRefused) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "K", &key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetDword(key, "v", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumValue(key, 0, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);

    HKEY result = nullptr;
    EXPECT_EQ(RegCreateKeyEx(key, "X", &result), ERROR_INVALID_HANDLE);
    for (const std::string& bad :
         {"A\\\\B"s, "\\A"s, "A\\"s, "Line\nBreak"s, std::string(256, 'k'), "Nul\0"s}) {
        EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, bad, &result), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, bad, &result), ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "K", nullptr), ERROR_INVALID_PARAMETER);
    std::string deep = "d";
    for (int i = 0; i < 512; ++i)
        deep += "\\d";
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, deep, &result), ERROR_INVALID_PARAMETER);

    HKEY open = Create(HKEY_LOCAL_MACHINE, "K");
    EXPECT_EQ(SetString(open, "two\nlines", "x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueEx(open, "v", REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
    std::vector<BYTE> huge(zb::kMaxRegValueBytes + 1);
    EXPECT_EQ(RegSetValueEx(open, "v", REG_BINARY, huge.data(), static_cast<DWORD>(huge.size())),
              ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(ValueNames(open).empty());
}

// --- The file ---

TEST_F(RegistryTest, DataSurvivesAReloadAndTheFileIsRegedit4) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt");
    ASSERT_EQ(SetDword(key, "Version", 0x10104), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "Find Root Path", "/home/me/Größe"), ERROR_SUCCESS);
    const BYTE pos[16] = {10, 0, 0, 0, 20, 0, 0, 0, 0x30, 2, 0, 0, 0xC0, 1, 0, 0};
    ASSERT_EQ(RegSetValueEx(key, "Last Pos", REG_BINARY, pos, 16), ERROR_SUCCESS);
    HKEY classes = Create(HKEY_CLASSES_ROOT, ".zip");
    ASSERT_EQ(SetString(classes, "", "ZipFile"), ERROR_SUCCESS);
    Create(HKEY_CURRENT_USER, "Empty\\Key");

    EXPECT_EQ(ReadText(FilePath()),
              "REGEDIT4\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zembrolt]\n"
              "\"Version\"=dword:00010104\n"
              "\"Find Root Path\"=\"/home/me/Größe\"\n"
              "\"Last Pos\"=hex:0a,00,00,00,14,00,00,00,30,02,00,00,c0,01,00,00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Empty]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Empty\\Key]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\.zip]\n"
              "@=\"ZipFile\"\n"
              "\n");

    ReloadFromFile();
    EXPECT_EQ(Query(key, "Version").second, (std::vector<BYTE>{4, 1, 1, 0}));
    EXPECT_EQ(Query(key, "Find Root Path").second, Bytes("/home/me/Größe\0"s));
    EXPECT_EQ(Query(key, "Last Pos").second, std::vector<BYTE>(pos, pos + 16));
    EXPECT_EQ(Query(classes, "").second, Bytes(std::string("ZipFile\0", 8)));
    HKEY empty = nullptr;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "empty\\key", &empty), ERROR_SUCCESS);
}

TEST_F(RegistryTest, QuotesBackslashesAndLineBreaksAreEscaped) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Esc\"aped [key]");
    const std::string name = "say \"hi\" \\ there";
    const std::string text = "C:\\dir\\\"quoted\"\\";
    const std::string lines = "one\r\ntwo\n";
    ASSERT_EQ(SetString(key, name, text), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, "lines", lines), ERROR_SUCCESS);

    const std::string file = ReadText(FilePath());
    EXPECT_NE(file.find("[HKEY_LOCAL_MACHINE\\Esc\"aped [key]]\n"), std::string::npos);
    EXPECT_NE(file.find("\"say \\\"hi\\\" \\\\ there\"=\"C:\\\\dir\\\\\\\"quoted\\\"\\\\\"\n"),
              std::string::npos);
    EXPECT_NE(file.find("\"lines\"=hex(1):6f,6e,65,0d,0a,74,77,6f,0a,00\n"), std::string::npos);

    ReloadFromFile();
    EXPECT_EQ(ValueNames(key), (std::vector<std::string>{name, "lines"}));
    EXPECT_EQ(Query(key, name), std::make_pair(REG_SZ, Bytes(text + std::string(1, '\0'))));
    EXPECT_EQ(Query(key, "lines"), std::make_pair(REG_SZ, Bytes(lines + std::string(1, '\0'))));
}

TEST_F(RegistryTest, ReadsHandWrittenFilesWithCommentsBlankLinesAndContinuations) {
    zbtest::WriteFile(FilePath(),
                      "\xEF\xBB\xBFREGEDIT4\r\n"
                      "\r\n"
                      "; settings of the program\r\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zembrolt]\r\n"
                      "  \"Hot Key\" = dword:46\r\n"
                      "\"Min Time\"=hex:01,02,\\\r\n"
                      "   03 ,04\r\n"
                      "@=\"default\"\r\n"
                      "\t\r\n"
                      "[hkey_classes_root\\Folder\\shell]\r\n"
                      "\"Typed\"=hex(7):61,00,00\r\n");
    HKEY key = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt", &key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Hot Key"), std::make_pair(REG_DWORD, std::vector<BYTE>{0x46, 0, 0, 0}));
    EXPECT_EQ(Query(key, "Min Time"), std::make_pair(REG_BINARY, std::vector<BYTE>{1, 2, 3, 4}));
    EXPECT_EQ(Query(key, "").second, Bytes(std::string("default\0", 8)));
    HKEY shell = nullptr;
    ASSERT_EQ(Open(HKEY_CLASSES_ROOT, "Folder\\shell", &shell), ERROR_SUCCESS);
    EXPECT_EQ(Query(shell, "Typed"), std::make_pair(DWORD{7}, std::vector<BYTE>{0x61, 0, 0}));

    // Saving writes it back in the own layout, other types included.
    ASSERT_EQ(SetDword(key, "Hot Key", 0x47), ERROR_SUCCESS);
    const std::string file = ReadText(FilePath());
    EXPECT_EQ(file.rfind("REGEDIT4\n", 0), 0u);
    EXPECT_NE(file.find("\"Typed\"=hex(7):61,00,00\n"), std::string::npos);
    EXPECT_NE(file.find("\"Hot Key\"=dword:00000047\n"), std::string::npos);
}

TEST_F(RegistryTest, ABrokenFileIsKeptAsideAndNeverOverwritten) {
    const std::string broken[] = {
        "not a registry file\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"open=\"x\"\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,zz\n",
        "REGEDIT4\n\"v\"=dword:1\n",
        "REGEDIT4\n[HKEY_NOWHERE\\A]\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:123456789\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,\\\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\\\B]\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"bad \\n escape\"\n",
    };
    for (const std::string& content : broken) {
        SCOPED_TRACE(content);
        m_configHome = zbtest::MakeTempDir("broken");
        setenv("XDG_CONFIG_HOME", m_configHome.c_str(), 1);
        zbtest::WriteFile(FilePath(), content);

        HKEY key = nullptr;
        EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "A", &key), ERROR_FILE_NOT_FOUND);
        std::vector<std::string> entries = FolderEntries(Folder());
        ASSERT_EQ(entries.size(), 2u);  // the lock file and the kept file
        EXPECT_EQ(entries[0].rfind("registry.reg.broken-", 0), 0u);
        EXPECT_EQ(entries[1], "registry.reg.lock");
        const std::string kept = Folder() + "/" + entries[0];

        HKEY fresh = Create(HKEY_LOCAL_MACHINE, "A");
        ASSERT_EQ(SetDword(fresh, "v", 1), ERROR_SUCCESS);
        EXPECT_EQ(ReadText(kept), content);
        EXPECT_EQ(FolderEntries(Folder()).size(), 3u);
        ReloadFromFile();
        EXPECT_EQ(Query(fresh, "v").first, REG_DWORD);
    }
}

TEST_F(RegistryTest, AnEmptyFileIsAnEmptyStore) {
    zbtest::WriteFile(FilePath(), "");
    HKEY key = Create(HKEY_LOCAL_MACHINE, "A");
    ASSERT_EQ(SetDword(key, "v", 1), ERROR_SUCCESS);
    EXPECT_EQ(FolderEntries(Folder()),
              (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(RegistryTest, ReadersSeeTheFileReplacedByAnotherWriter) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt");
    ASSERT_EQ(SetDword(key, "Hot Key", 'F'), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Hot Key").second, DwordBytes('F'));

    // Another process replaces the file the same way the store does.
    const std::string replacement = FilePath() + ".other";
    zbtest::WriteFile(replacement,
                      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zembrolt]\n"
                      "\"Hot Key\"=dword:00000047\n");
    ASSERT_EQ(std::rename(replacement.c_str(), FilePath().c_str()), 0);
    EXPECT_EQ(Query(key, "Hot Key").second, DwordBytes('G'));

    // A forked process that writes is seen too.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(SetDword(key, "Hot Key", 'H') == ERROR_SUCCESS ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Query(key, "Hot Key").second, DwordBytes('H'));
}

TEST_F(RegistryTest, TwoWritersBothKeepTheirChanges) {
    constexpr int kEach = 60;
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Shared");
    const auto writeMany = [key](const std::string& prefix) {
        bool ok = true;
        for (int i = 0; i < kEach; ++i) {
            ok =
                SetDword(key, prefix + std::to_string(i), static_cast<DWORD>(i)) == ERROR_SUCCESS &&
                ok;
        }
        return ok;
    };

    // Another process and two threads of this one write at the same time.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(writeMany("process-") ? 0 : 1);
    bool firstOk = false;
    bool secondOk = false;
    std::thread first([&] { firstOk = writeMany("thread1-"); });
    std::thread second([&] { secondOk = writeMany("thread2-"); });
    first.join();
    second.join();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(firstOk);
    EXPECT_TRUE(secondOk);

    ReloadFromFile();
    EXPECT_EQ(ValueNames(key).size(), 3u * kEach);
    for (const char* prefix : {"process-", "thread1-", "thread2-"}) {
        EXPECT_EQ(Query(key, prefix + std::to_string(kEach - 1)).second, DwordBytes(kEach - 1));
    }
}

TEST_F(RegistryTest, ReplacingTheFileLeavesNoTemporaryFiles) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt");
    for (DWORD i = 0; i < 20; ++i)
        ASSERT_EQ(SetDword(key, "n", i), ERROR_SUCCESS);
    EXPECT_EQ(FolderEntries(Folder()),
              (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
    const std::string before = ReadText(FilePath());

    // A write that fails (the file size limit stops it) keeps the old file
    // whole, removes its temporary file and drops the change.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<BYTE> big(8192, 0x5A);
        const bool refused =
            RegSetValueEx(key, "big", REG_BINARY, big.data(), 8192) == ERROR_ACCESS_DENIED;
        const bool dropped =
            RegQueryValueEx(key, "big", nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND;
        const bool kept = Query(key, "n").second == DwordBytes(19);
        _exit(refused && dropped && kept ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadText(FilePath()), before);
    EXPECT_EQ(FolderEntries(Folder()),
              (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(RegistryTest, TheFileFollowsTheEnvironment) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Where");
    ASSERT_EQ(SetDword(key, "v", 1), ERROR_SUCCESS);
    EXPECT_EQ(zb::RegistryFilePath(), FilePath());

    const std::string home = zbtest::MakeTempDir("home");
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(zb::RegistryFilePath(), home + "/.config/zembrolt/registry.reg");
    setenv("XDG_CONFIG_HOME", "relative/config", 1);  // ignored: not absolute
    EXPECT_EQ(zb::RegistryFilePath(), home + "/.config/zembrolt/registry.reg");
    EXPECT_EQ(RegQueryValueEx(key, "v", nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    HKEY other = Create(HKEY_LOCAL_MACHINE, "Where");
    ASSERT_EQ(SetDword(other, "w", 2), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(home + "/.config/zembrolt/registry.reg"));

    setenv("HOME", savedHome.c_str(), 1);
    setenv("XDG_CONFIG_HOME", m_configHome.c_str(), 1);
    EXPECT_EQ(ValueNames(key), std::vector<std::string>{"v"});
}

// --- The convenience class ---

TEST_F(RegistryTest, RegKeyReadsAndWritesTypedValues) {
    CRegKey key;
    EXPECT_EQ(key.SetDWORD("v", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.IsOpen());
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zembrolt"), ERROR_SUCCESS);

    ASSERT_EQ(key.SetDWORD("Search Result Max Limit", 10000), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString("Install Path", "/opt/zembrolt"), ERROR_SUCCESS);
    const BYTE rect[16] = {1, 2, 3};
    ASSERT_EQ(key.SetBinary("Last Pos", rect, sizeof rect), ERROR_SUCCESS);

    CRegKey reader;
    ASSERT_EQ(reader.Open(HKEY_LOCAL_MACHINE, "software\\zembrolt"), ERROR_SUCCESS);
    DWORD number = 0;
    EXPECT_EQ(reader.QueryDWORD("Search Result Max Limit", number), ERROR_SUCCESS);
    EXPECT_EQ(number, 10000u);
    std::string text;
    EXPECT_EQ(reader.QueryString("Install Path", text), ERROR_SUCCESS);
    EXPECT_EQ(text, "/opt/zembrolt");
    std::vector<BYTE> bytes;
    EXPECT_EQ(reader.QueryBinary("Last Pos", bytes), ERROR_SUCCESS);
    EXPECT_EQ(bytes, std::vector<BYTE>(rect, rect + 16));

    // Another type, or a missing value, leaves the output alone.
    number = 99;
    EXPECT_EQ(reader.QueryDWORD("Install Path", number), ERROR_INVALID_DATA);
    EXPECT_EQ(reader.QueryString("Missing", text), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(number, 99u);
    EXPECT_EQ(text, "/opt/zembrolt");

    // Moving hands the handle over; destruction closes it.
    HKEY handle = reader.Handle();
    {
        CRegKey moved(std::move(reader));
        EXPECT_FALSE(reader.IsOpen());
        EXPECT_EQ(moved.Handle(), handle);
    }
    EXPECT_EQ(RegCloseKey(handle), ERROR_INVALID_HANDLE);
    EXPECT_EQ(key.Close(), ERROR_SUCCESS);
    EXPECT_FALSE(key.IsOpen());
}

// --- The text form on its own ---

TEST(RegistryFileTest, FormatAndParseAgree) {
    zb::RegTree tree;
    zb::RegKeyNode& key = tree.roots[zb::kRegCurrentUser].AddSubkey("Key");
    key.values.push_back({"", REG_SZ, Bytes("default")});
    key.values.push_back({"t", 0x0B, {1, 2, 3, 4, 5, 6, 7, 8}});
    key.values.push_back({"d", REG_DWORD, {0xEF, 0xBE, 0xAD, 0xDE}});
    tree.roots[zb::kRegClassesRoot].values.push_back({"rootValue", REG_BINARY, {0xFF}});
    const std::string text = zb::FormatRegFile(tree);
    EXPECT_NE(text.find("[HKEY_CLASSES_ROOT]\n\"rootValue\"=hex:ff\n"), std::string::npos);
    EXPECT_NE(text.find("\"t\"=hex(b):01,02,03,04,05,06,07,08\n"), std::string::npos);
    EXPECT_NE(text.find("\"d\"=dword:deadbeef\n"), std::string::npos);

    zb::RegTree parsed;
    std::string error;
    ASSERT_TRUE(zb::ParseRegFile(text, parsed, error)) << error;
    EXPECT_EQ(zb::FormatRegFile(parsed), text);
}

TEST(RegistryFileTest, HostileInputFailsWithTheLineNamed) {
    zb::RegTree tree;
    std::string error;
    EXPECT_FALSE(
        zb::ParseRegFile("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=qword:1\n", tree, error));
    EXPECT_EQ(error, "line 4: an unknown value type");

    std::string deep = "REGEDIT4\n[HKEY_LOCAL_MACHINE";
    for (std::size_t i = 0; i <= zb::kMaxRegKeyDepth; ++i)
        deep += "\\k";
    zb::RegTree deepTree;
    EXPECT_FALSE(zb::ParseRegFile(deep + "]\n", deepTree, error));

    std::string huge = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:";
    for (std::size_t i = 0; i <= zb::kMaxRegValueBytes; ++i)
        huge += "00,";
    zb::RegTree hugeTree;
    EXPECT_FALSE(zb::ParseRegFile(huge + "\n", hugeTree, error));

    zb::RegTree nulTree;
    EXPECT_FALSE(zb::ParseRegFile("REGEDIT4\n[HKLM\\A]\n\"n\0\"=\"x\"\n"s, nulTree, error));
    EXPECT_FALSE(zb::ParseRegFile("REGEDIT4\n[HKLM\\A]\n\"v\"=hex(4):01,02\n", nulTree, error));
}

}  // namespace
