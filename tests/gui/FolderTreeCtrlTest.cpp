#include "ui/FolderTreeCtrl.h"

#include <unistd.h>

#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "archives/MemoryArchive.h"
#include "gui/GuiTestRegistry.h"
#include "platform/Log.h"
#include "platform/shell/ShellApi.h"
#include "platform/shell/ShellFileInfo.h"
#include "platform/shell/ShellRoots.h"
#include "readers/archives/ArchiveHandlerFactory.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR",
                                      "ZEMBROLT_MOUNTINFO"};

void WriteFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::unique_ptr<CArchiveHandler> MakeMemoryZip() {
    return std::make_unique<zbtest::MemoryArchive>(std::vector<std::string>{"zip"});
}

QStringList Texts(QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i)
        texts << item->child(i)->text(0);
    return texts;
}

CFolderTreeItem* Child(QTreeWidgetItem* item, const QString& text) {
    for (int i = 0; item && i < item->childCount(); ++i) {
        if (item->child(i)->text(0) == text)
            return static_cast<CFolderTreeItem*>(item->child(i));
    }
    return nullptr;
}

// Collects the log lines while it lives.
class LogCapture {
public:
    LogCapture() {
        SetLogSink([this](COLORREF colour, const std::string& line) {
            std::lock_guard lock(m_lock);
            m_lines.push_back({colour, line});
        });
    }
    ~LogCapture() { SetLogSink(LogSink()); }
    std::vector<std::pair<COLORREF, std::string>> Lines() {
        std::lock_guard lock(m_lock);
        return m_lines;
    }

private:
    std::mutex m_lock;
    std::vector<std::pair<COLORREF, std::string>> m_lines;
};

}  // namespace

// Each test gets its own home, desktop, volume and mount table.
class FolderTreeCtrlTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            m_saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp ? tmp : "/tmp") + "/tree-XXXXXX";
        QVERIFY(mkdtemp(pattern.data()) != nullptr);
        m_base = fs::canonical(pattern).string();
        m_home = m_base + "/home";
        m_volume = m_base + "/vol";
        fs::create_directories(m_home + "/docs/inner");
        fs::create_directories(m_home + "/Desktop/Projects");
        WriteFile(m_home + "/Desktop/notes.txt", "text");
        WriteFile(m_home + "/Desktop/bundle.zip", "zip");
        fs::create_directories(m_volume + "/a/b/c");
        fs::create_directories(m_volume + "/target/sub");
        WriteFile(m_volume + "/a/file.txt", "file");
        WriteFile(m_volume + "/pack/data.zip", "zip");
        WriteFile(m_base + "/mountinfo",
                  "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                  "23 22 0:5 / /proc rw,nosuid shared:12 - proc proc rw\n"
                  "28 22 8:49 / " +
                      m_volume + " rw - ext4 /dev/sdd1 rw\n");
        setenv("HOME", m_home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_base + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (m_base + "/data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (m_base + "/runtime").c_str(), 1);
        setenv("ZEMBROLT_MOUNTINFO", (m_base + "/mountinfo").c_str(), 1);
        zb::RefreshShellRoots();
    }

    void cleanup() {
        zb::SetFileTypeInfoProvider(nullptr);
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        zb::RefreshShellRoots();
        std::error_code ec;
        fs::remove_all(m_base, ec);
    }

    void refreshOpensTheDesktopComputerAndNetwork() {
        CFolderTreeCtrl tree;
        tree.SetSystemImageList();
        tree.Refresh();
        QCOMPARE(tree.topLevelItemCount(), 1);
        QTreeWidgetItem* root = tree.topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("Desktop"));
        QVERIFY(!root->icon(0).isNull());
        QVERIFY(tree.IsRootSelected());
        QCOMPARE(tree.GetSelectedFolderItem(), CFolderTreeCtrl::GetFolderItem(root));
        QVERIFY(root->isExpanded());
        // The nodes are the lister's entries, in its order.
        QCOMPARE(Texts(root),
                 (QStringList{"Home", "Computer", "Network", "Trash", "bundle.zip", "Projects"}));
        CFolderTreeItem* computer = Child(root, "Computer");
        QVERIFY(computer->isExpanded());
        QCOMPARE(Texts(computer), (QStringList{"File System", "vol"}));
        // No network volume: Network has nothing to open and loses its button.
        CFolderTreeItem* network = Child(root, "Network");
        QCOMPARE(network->childCount(), 0);
        QVERIFY(!network->HasChildButton());
    }

    void foldersFillOneLevelAtATime() {
        CFolderTreeCtrl tree;
        tree.Refresh();
        CFolderTreeItem* volume = Child(Child(tree.topLevelItem(0), "Computer"), "vol");
        QVERIFY(volume != nullptr);
        QCOMPARE(volume->childCount(), 0);
        QVERIFY(volume->HasChildButton());
        tree.ExpandItem(volume);
        QCOMPARE(Texts(volume), (QStringList{"a", "pack", "target"}));
        CFolderTreeItem* a = Child(volume, "a");
        QCOMPARE(a->childCount(), 0);
        tree.ExpandItem(a);
        QCOMPARE(Texts(a), QStringList{"b"});
        // Opening again adds nothing.
        a->setExpanded(false);
        tree.ExpandItem(a);
        QCOMPARE(a->childCount(), 1);
    }

    void selectingFillsTheChildren() {
        CFolderTreeCtrl tree;
        tree.Refresh();
        CFolderTreeItem* volume = Child(Child(tree.topLevelItem(0), "Computer"), "vol");
        QSignalSpy spy(&tree, &CFolderTreeCtrl::SelChanged);
        tree.setCurrentItem(volume);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QString::fromStdString(m_volume));
        QVERIFY(!volume->isExpanded());
        QCOMPARE(volume->childCount(), 3);
        tree.ExpandItem(volume);
        QCOMPARE(volume->childCount(), 3);
        // A node without a path gives its path of display names.
        tree.setCurrentItem(Child(tree.topLevelItem(0), "Computer"));
        QCOMPARE(tree.SelectedPath(), std::string("Desktop\\Computer"));
    }

    void typedPathSelectsItsNode() {
        CFolderTreeCtrl tree;
        tree.Refresh();
        QSignalSpy spy(&tree, &CFolderTreeCtrl::SelChanged);
        tree.SelectPath(m_volume + "/a/b/");
        QCOMPARE(tree.IsSelecting(), 0);
        QTreeWidgetItem* current = tree.currentItem();
        QVERIFY(current != nullptr);
        QCOMPARE(current->text(0), QStringLiteral("b"));
        // The volume that holds the path is the way in, not "/".
        QCOMPARE(tree.GetItemTextPath(current), std::string("Desktop\\Computer\\vol\\a\\b"));
        QCOMPARE(tree.SelectedPath(), m_volume + "/a/b");
        QCOMPARE(spy.last().at(0).toString(), QString::fromStdString(m_volume + "/a/b"));

        // A path on the root file system goes through "File System".
        tree.SelectPath(m_home + "/docs/inner");
        QCOMPARE(tree.currentItem()->text(0), QStringLiteral("inner"));
        QCOMPARE(tree.SelectedPath(), m_home + "/docs/inner");

        // The deepest match stays selected when a part is not a folder.
        tree.SelectPath(m_volume + "/a/file.txt");
        QCOMPARE(tree.currentItem()->text(0), QStringLiteral("a"));
    }

    void displayNamePathSelectsItsNode() {
        CFolderTreeCtrl tree;
        tree.Refresh();
        tree.SelectPath("Desktop\\Home\\docs\\inner");
        QCOMPARE(tree.currentItem()->text(0), QStringLiteral("inner"));
        QCOMPARE(tree.SelectedPath(), m_home + "/docs/inner");
        QCOMPARE(tree.GetItemTextPath(tree.currentItem()),
                 std::string("Desktop\\Home\\docs\\inner"));
    }

    void invalidPathSelectsTheRootAndIsLogged() {
        CFolderTreeCtrl tree;
        tree.Refresh();
        tree.SelectPath(m_volume + "/a/b");
        LogCapture log;
        tree.SelectPath("/no/such/place");
        QVERIFY(tree.IsRootSelected());
        QCOMPARE(tree.IsSelecting(), 0);
        const auto lines = log.Lines();
        QCOMPARE(lines.size(), std::size_t(1));
        QCOMPARE(lines[0].first, RGB(255, 0, 0));
        QCOMPARE(lines[0].second, std::string("/no/such/placeis not valid folder\n"));
        // Display names compare exactly.
        tree.SelectPath("desktop\\home");
        QVERIFY(tree.IsRootSelected());
        QCOMPARE(log.Lines().size(), std::size_t(2));
    }

    void archivesOpenThroughTheTreesHandlers() {
        const std::string archive = m_volume + "/pack/data.zip";
        zbtest::MemoryArchive::Archives()[archive] = {
            {"docs\\a.txt", "a"}, {"docs\\deep\\b.txt", "b"}, {"src\\main.c", "int"}};
        const ArchiveHandlerFactory previous =
            SetArchiveHandlerFactory(ArchiveSlot::Zip, &MakeMemoryZip);
        {
            CFolderTreeCtrl tree;
            tree.Refresh();
            tree.SelectPath(m_volume + "/pack");
            CFolderTreeItem* zip = Child(tree.currentItem(), "data.zip");
            QVERIFY(zip != nullptr);
            tree.ExpandItem(zip);
            QCOMPARE(Texts(zip), (QStringList{"docs", "src"}));
            CFolderTreeItem* docs = Child(zip, "docs");
            tree.ExpandItem(docs);
            // Selecting a folder inside gives the archive's path; the inner
            // path stays in the node's data.
            tree.setCurrentItem(Child(docs, "deep"));
            QCOMPARE(tree.SelectedPath(), archive);
            QCOMPARE(tree.GetSelectedFolderItem()->m_sInnerPath, std::string("docs\\deep"));
            tree.CloseArchiveHandlers();
        }
        SetArchiveHandlerFactory(ArchiveSlot::Zip, previous);
        zbtest::MemoryArchive::Archives().erase(archive);
    }

    void archiveThatCannotOpenLosesItsButton() {
        const ArchiveHandlerFactory previous =
            SetArchiveHandlerFactory(ArchiveSlot::Zip, &MakeMemoryZip);
        CFolderTreeCtrl tree;
        tree.Refresh();
        CFolderTreeItem* bundle = Child(tree.topLevelItem(0), "bundle.zip");
        tree.ExpandItem(bundle);
        QCOMPARE(bundle->childCount(), 0);
        QVERIFY(!bundle->HasChildButton());
        SetArchiveHandlerFactory(ArchiveSlot::Zip, previous);
    }

    void f5RebuildsAndSelectsTheDesktop() {
        CFolderTreeCtrl tree;
        tree.Refresh();
        tree.SelectPath(m_volume + "/a/b");
        fs::create_directories(m_home + "/Desktop/Later");
        QTest::keyClick(&tree, Qt::Key_F5);
        QVERIFY(tree.IsRootSelected());
        QVERIFY(Child(tree.topLevelItem(0), "Later") != nullptr);
        QVERIFY(Child(tree.topLevelItem(0), "Computer")->isExpanded());
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
    std::string m_base;
    std::string m_home;
    std::string m_volume;
};

ZB_GUI_TEST(FolderTreeCtrlTest);
#include "FolderTreeCtrlTest.moc"
