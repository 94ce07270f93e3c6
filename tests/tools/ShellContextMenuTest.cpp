#include "tools/ShellContextMenu.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/shell/ItemIdList.h"
#include "support/TempHome.h"

namespace {

constexpr UINT kFirst = 1;

// Records what the menu asked the desktop to do, one line per request.
class RecordingHost : public IShellVerbHost {
public:
    void RunVerb(ShellVerb verb, const std::vector<std::string>& paths) override {
        Log("verb " + std::to_string(verb), paths);
    }
    void RunVerbOnItem(ShellVerb verb, const CResultItem& record) override {
        calls.push_back("item " + std::to_string(verb) + " " + record.m_sName);
    }
    void PutSelectionOnClipboard(DWORD effect) override {
        calls.push_back("clipboard " + std::to_string(effect));
    }
    void DeletePaths(const std::vector<std::string>& paths) override { Log("delete", paths); }
    void LaunchApplication(const zb::DesktopApplication& application,
                           const std::vector<std::string>& paths) override {
        Log("launch " + application.id, paths);
    }
    void RunProgram(const std::string& program,
                    const std::vector<std::string>& arguments) override {
        Log("run " + program, arguments);
    }
    void ShowProperties(const std::vector<const CResultItem*>& records) override {
        calls.push_back("properties " + std::to_string(records.size()));
    }
    void Log(const std::string& what, const std::vector<std::string>& args) {
        std::string line = what;
        for (const std::string& arg : args)
            line += " " + arg;
        calls.push_back(line);
    }
    std::vector<std::string> calls;
};

class ShellContextMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_records.clear();
        m_system = zbtest::MakeTempDir("share");
        ::setenv("XDG_DATA_DIRS", m_system.c_str(), 1);
        zbtest::WriteFile(m_system + "/applications/viewer.desktop",
                          "[Desktop Entry]\nType=Application\nName=Viewer\nExec=/bin/true %F\n"
                          "MimeType=text/plain;\n");
        m_menu.SetTypeResolver([](const std::string& path) {
            return path.size() > 4 && path.compare(path.size() - 4, 4, ".txt") == 0
                       ? std::vector<std::string>{"text/plain"}
                       : std::vector<std::string>{};
        });
    }
    void TearDown() override { ::unsetenv("XDG_DATA_DIRS"); }

    CResultItem& Add(const std::string& folder, const std::string& name, DWORD flags) {
        auto record = std::make_unique<CResultItem>();
        record->SetFullPidl(PidlPtr(ILAlloc(2)));
        record->m_sFolder = folder;
        record->m_sName = name;
        record->m_dwFlags = flags;
        m_records.push_back(std::move(record));
        if (!(flags & (RIF_IN_ARCHIVE | RIF_NO_PATH)))
            m_files.push_back(folder + "/" + name);
        return *m_records.back();
    }
    int Build() {
        m_pointers.clear();
        for (const auto& record : m_records)
            m_pointers.push_back(record.get());
        m_menu.SetData(&m_files, &m_pointers);
        return m_menu.BuildMenu(0, kFirst, 0x7FFF, CMF_EXPLORE);
    }
    // The texts of the menu from top to bottom ("-" a separator, ">" a sub-menu item).
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const CShellMenuItem& item : m_menu.GetMenu()) {
            texts.push_back(item.IsSeparator() ? "-" : item.text);
            for (const CShellMenuItem& sub : item.submenu)
                texts.push_back(">" + sub.text);
        }
        return texts;
    }
    UINT IdOf(const std::string& text) const {
        for (const CShellMenuItem& item : m_menu.GetMenu()) {
            if (item.text == text)
                return item.id;
            for (const CShellMenuItem& sub : item.submenu) {
                if (sub.text == text)
                    return sub.id;
            }
        }
        return 0;
    }

    RecordingHost m_host;
    CShellContextMenu m_menu{m_host};
    std::vector<std::unique_ptr<CResultItem>> m_records;
    std::vector<const CResultItem*> m_pointers;
    std::vector<std::string> m_files;
    std::string m_system;
};

TEST_F(ShellContextMenuTest, FilesOnDiskGetEveryItemAndEachIdOneAction) {
    Add("/data", "a.txt", RIF_DELETABLE);
    Add("/data", "b.txt", RIF_DELETABLE);
    ASSERT_EQ(Build(), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"&Open", "&Print", "&Edit", "Open &With",
                                                 ">Viewer", "-", "&Copy", "Cu&t", "&Delete",
                                                 "Rena&me", "-", "P&roperties"}));
    EXPECT_EQ(IdOf("P&roperties"), kFirst);
    EXPECT_EQ(IdOf("&Copy"), kFirst + 50);
    EXPECT_EQ(IdOf("Viewer"), kFirst + 100);

    // Every id is unique, reaches exactly one action, and ids no menu item
    // holds reach none.
    std::set<UINT> seen;
    for (const UINT id : m_menu.GetCommandIds())
        EXPECT_TRUE(seen.insert(id).second);
    EXPECT_EQ(seen.size(), 9u);
    for (const UINT id : seen) {
        m_host.calls.clear();
        EXPECT_TRUE(m_menu.InvokeCommand(id));
        EXPECT_LE(m_host.calls.size(), 1u) << id;  // Rename is the caller's
    }
    EXPECT_FALSE(m_menu.InvokeCommand(kFirst + 1));
    EXPECT_FALSE(m_menu.InvokeCommand(0));

    m_host.calls.clear();
    m_menu.InvokeCommand(IdOf("&Delete"));
    m_menu.InvokeCommand(IdOf("Cu&t"));
    m_menu.InvokeCommand(IdOf("Viewer"));
    m_menu.InvokeCommand(IdOf("&Open"));
    EXPECT_EQ(m_host.calls,
              (std::vector<std::string>{"delete /data/a.txt /data/b.txt", "clipboard 2",
                                        "launch viewer.desktop /data/a.txt /data/b.txt",
                                        "verb 1 /data/a.txt /data/b.txt"}));
    EXPECT_TRUE(m_menu.IsDeleteCommand(IdOf("&Delete")));
    EXPECT_TRUE(m_menu.IsRenameCommand(IdOf("Rena&me")));
    EXPECT_FALSE(m_menu.NeedsExtraction(IdOf("&Open")));  // nothing lies in an archive
}

TEST_F(ShellContextMenuTest, ArchiveMembersOnlyOfferCopyAndNeedExtraction) {
    Add("/x/a.zip\\docs", "m.txt", RIF_IN_ARCHIVE);
    Add("/x/a.zip", "n.txt", RIF_IN_ARCHIVE);
    ASSERT_EQ(Build(), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"&Open", "&Print", "Open &With", ">Viewer", "-",
                                                 "&Copy", "-", "P&roperties"}));
    EXPECT_TRUE(m_menu.NeedsExtraction(IdOf("&Open")));
    EXPECT_TRUE(m_menu.NeedsExtraction(IdOf("&Copy")));
    EXPECT_TRUE(m_menu.NeedsExtraction(IdOf("Viewer")));
    EXPECT_FALSE(m_menu.NeedsExtraction(IdOf("P&roperties")));
    // Deleting leaves members alone: there is no path to delete.
    m_menu.DoFileOperation(FILEOP_DELETE);
    EXPECT_TRUE(m_host.calls.empty());
}

TEST_F(ShellContextMenuTest, PathlessRecordsAndRegistryVerbs) {
    CRegKey verb;
    ASSERT_EQ(verb.Create(HKEY_CLASSES_ROOT, "Folder\\shell\\Find with Zembrolt\\command"),
              ERROR_SUCCESS);
    verb.SetString("", "\"/opt/zb/Zembrolt\" /idList:%I,%L");
    CRegKey open;
    ASSERT_EQ(open.Create(HKEY_CLASSES_ROOT, "Folder\\shell\\OPEN\\command"), ERROR_SUCCESS);
    open.SetString("", "/bin/open %1");
    CRegKey twice;
    ASSERT_EQ(twice.Create(HKEY_CLASSES_ROOT, "Directory\\shell\\find with zembrolt\\command"),
              ERROR_SUCCESS);
    twice.SetString("", "/bin/other %1");

    Add("", "Trash", RIF_FOLDER | RIF_NO_PATH);
    ASSERT_EQ(Build(), 0);
    // No file operations and no applications: folder verbs from f + 50,
    // own verbs from f + 100.
    EXPECT_EQ(Texts(), (std::vector<std::string>{"E&xplore", "&Open", "Find with Zembrolt", "-",
                                                 "P&roperties"}));
    EXPECT_EQ(IdOf("Find with Zembrolt"), kFirst + 50);
    EXPECT_EQ(IdOf("E&xplore"), kFirst + 100);
    m_menu.InvokeCommand(IdOf("&Open"));
    EXPECT_EQ(m_host.calls, std::vector<std::string>{"item 1 Trash"});

    m_host.calls.clear();
    Add("/home/u", "docs", RIF_FOLDER | RIF_DELETABLE);
    ASSERT_EQ(Build(), 0);
    m_menu.InvokeCommand(IdOf("Find with Zembrolt"));
    EXPECT_EQ(m_host.calls,
              std::vector<std::string>{"run /opt/zb/Zembrolt /idList:?I,/home/u/docs"});
    ASSERT_EQ(m_menu.GetVerbRows().size(), 1u);  // OPEN and the repeated text are dropped
    m_menu.Reset();
    EXPECT_EQ(m_menu.BuildMenu(0, kFirst, 0x7FFF, CMF_EXPLORE), -3);
}

TEST(VerbCommandTest, ParsesProgramAndTurnsTheFileMarkerIntoOneArgument) {
    std::string program;
    std::string params;
    ASSERT_TRUE(ParseVerbCommand("  \"/opt/My App/run\" /e,%1 %L 50%  ", &program, &params));
    EXPECT_EQ(program, "/opt/My App/run");
    EXPECT_EQ(params, " /e,?1 %s 50?");
    EXPECT_EQ(VerbArguments(params, "/a b/c d"),
              (std::vector<std::string>{"/e,?1", "/a b/c d", "50?"}));
    ASSERT_TRUE(ParseVerbCommand("tool -x %1", &program, &params));
    EXPECT_EQ(program, "tool");
    EXPECT_EQ(VerbArguments(params, "/p"), (std::vector<std::string>{"-x", "/p"}));
    EXPECT_FALSE(ParseVerbCommand("\"/unclosed -x", &program, &params));
    EXPECT_FALSE(ParseVerbCommand("   ", &program, &params));
}

}  // namespace
