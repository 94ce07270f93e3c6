#include "app/engine/ResultExport.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/TempHome.h"

namespace {

struct Row {
    std::vector<std::string> cells;
    std::string path;  // empty: no path on disk
    bool selected = false;
};

class FakeRows : public IExportRows {
public:
    FakeRows(std::vector<std::string> titles, std::vector<Row> rows)
        : m_titles(std::move(titles)), m_rows(std::move(rows)) {}
    std::size_t GetColumnCount() const override { return m_titles.size(); }
    std::string GetColumnTitle(std::size_t column) const override { return m_titles[column]; }
    std::size_t GetRowCount() const override { return m_rows.size(); }
    bool IsRowSelected(std::size_t row) const override { return m_rows[row].selected; }
    std::string GetCellText(std::size_t row, std::size_t column) const override {
        return m_rows[row].cells[column];
    }
    bool GetRowPath(std::size_t row, std::string* path) const override {
        *path = m_rows[row].path;
        return !path->empty();
    }

private:
    std::vector<std::string> m_titles;
    std::vector<Row> m_rows;
};

// A name with markup characters, one whose last byte is no UTF-8 (the list
// shows it as U+FFFD, the playlist keeps the byte), and an archive member.
FakeRows SampleRows() {
    return FakeRows({"Name", "In Folder", "Size"},
                    {
                        {{"a<&>\"b.txt", "/x", "1KB"}, "/x/a<&>\"b.txt", true},
                        {{"caf\xEF\xBF\xBD.mp3", "/x", "2KB"}, "/x/caf\xff.mp3", false},
                        {{"m.txt", "/x/z.zip", "3KB"}, "", true},
                    });
}

std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(zb::ReadWholeFile(path, 1 << 20, bytes)) << path;
    return bytes;
}

std::string Export(ExportType type, const IExportRows& rows, bool onlySelected) {
    const std::string path = zbtest::MakeTempDir("export") + "/out";
    EXPECT_TRUE(ExportResults(path, type, rows, onlySelected));
    return Read(path);
}

constexpr char kHtmlHead[] =
    "<html>\r\n<head>\r\n<title>Zembrolt Search Result</title>\r\n"
    "<META NAME=Author CONTENT=Zembrolt>\r\n</head>\r\n<body>\r\n<table border=1>\r\n"
    "<tr><td><p><b>Name</b></p></td>\r\n<td><p><b>In Folder</b></p></td>\r\n"
    "<td><p><b>Size</b></p></td>\r\n</tr>\r\n";

TEST(ResultExport, TextLayout) {
    EXPECT_EQ(Export(ExportType::Text, SampleRows(), false),
              "Name\tIn Folder\tSize\t\r\n"
              "a<&>\"b.txt\t/x\t1KB\t\r\n"
              "caf\xEF\xBF\xBD.mp3\t/x\t2KB\t\r\n"
              "m.txt\t/x/z.zip\t3KB\t\r\n");
    EXPECT_EQ(Export(ExportType::Text, SampleRows(), true),
              "Name\tIn Folder\tSize\t\r\n"
              "a<&>\"b.txt\t/x\t1KB\t\r\n"
              "m.txt\t/x/z.zip\t3KB\t\r\n");
}

TEST(ResultExport, TextCellsStayOnTheirLineAndColumn) {
    const FakeRows rows({"Name"}, {{{"tab\there"}, "", false},
                                   {{"line\nfeed\r"}, "", false},
                                   {{"back\\slash\\t"}, "", false}});
    EXPECT_EQ(Export(ExportType::Text, rows, false),
              "Name\t\r\n"
              "tab\\there\t\r\n"
              "line\\nfeed\\r\t\r\n"
              "back\\\\slash\\\\t\t\r\n");
    // Other layouts keep the texts as they are.
    EXPECT_NE(Export(ExportType::Html, rows, false).find("<p>tab\there</p>"), std::string::npos);
}

TEST(ResultExport, HtmlLayoutEscapesTheCells) {
    EXPECT_EQ(Export(ExportType::Html, SampleRows(), false),
              std::string(kHtmlHead) +
                  "<tr><td><p>a&lt;&amp;&gt;&quot;b.txt</p></td>\r\n<td><p>/x</p></td>\r\n"
                  "<td><p>1KB</p></td>\r\n</tr>\r\n"
                  "<tr><td><p>caf\xEF\xBF\xBD.mp3</p></td>\r\n<td><p>/x</p></td>\r\n"
                  "<td><p>2KB</p></td>\r\n</tr>\r\n"
                  "<tr><td><p>m.txt</p></td>\r\n<td><p>/x/z.zip</p></td>\r\n"
                  "<td><p>3KB</p></td>\r\n</tr>\r\n"
                  "\r\n</table>\r\n</body>");
}

TEST(ResultExport, PlaylistsNameTheFilesByTheirBytes) {
    EXPECT_EQ(Export(ExportType::M3u, SampleRows(), false),
              "#EXTM3U\r\n/x/a<&>\"b.txt\r\n/x/caf\xff.mp3\r\n");
    EXPECT_EQ(Export(ExportType::Pls, SampleRows(), false),
              "[playlist]\r\nFile0=/x/a<&>\"b.txt\r\nFile1=/x/caf\xff.mp3\r\n"
              "NumberOfEntries=2\r\nVersion=2");
}

TEST(ResultExport, PlsNumbersEntriesByTheirRows) {
    std::vector<Row> selectedRows;
    std::vector<Row> pathRows;
    for (int row = 0; row < 6; ++row) {
        const bool chosen = row == 0 || row == 2 || row == 5;
        const std::string path = "/m/" + std::to_string(row) + ".mp3";
        selectedRows.push_back({{"n"}, path, chosen});
        pathRows.push_back({{"n"}, chosen ? path : std::string(), false});
    }
    const std::string expected =
        "[playlist]\r\nFile0=/m/0.mp3\r\nFile2=/m/2.mp3\r\nFile5=/m/5.mp3\r\n"
        "NumberOfEntries=3\r\nVersion=2";
    EXPECT_EQ(Export(ExportType::Pls, FakeRows({"Name"}, selectedRows), true), expected);
    EXPECT_EQ(Export(ExportType::Pls, FakeRows({"Name"}, pathRows), false), expected);

    // A path that would break its line is left out.
    const FakeRows broken({"Name"}, {{{"n"}, "/m/a\nb.mp3", true}, {{"n"}, "/m/c.mp3", true}});
    EXPECT_EQ(Export(ExportType::M3u, broken, false), "#EXTM3U\r\n/m/c.mp3\r\n");
}

TEST(ResultExport, OnlySelectedWithNothingSelected) {
    const FakeRows rows({"Name"}, {{{"a"}, "/a", false}});
    EXPECT_EQ(Export(ExportType::Text, rows, true), "Name\t\r\n");
    EXPECT_EQ(Export(ExportType::Html, rows, true),
              "<html>\r\n<head>\r\n<title>Zembrolt Search Result</title>\r\n"
              "<META NAME=Author CONTENT=Zembrolt>\r\n</head>\r\n<body>\r\n<table border=1>\r\n"
              "<tr><td><p><b>Name</b></p></td>\r\n</tr>\r\n\r\n</table>\r\n</body>");
    EXPECT_EQ(Export(ExportType::M3u, rows, true), "#EXTM3U\r\n");
    EXPECT_EQ(Export(ExportType::Pls, rows, true), "[playlist]\r\nNumberOfEntries=0\r\nVersion=2");
}

TEST(ResultExport, TheTypeComesFromTheLastNamesExtension) {
    std::string path = "/home/u/list";
    EXPECT_EQ(ExportTypeForPath(&path, ExportType::M3u), ExportType::M3u);
    EXPECT_EQ(path, "/home/u/list.m3u");
    path = "/home/u/list.HTML";
    EXPECT_EQ(ExportTypeForPath(&path, ExportType::Pls), ExportType::Html);
    EXPECT_EQ(path, "/home/u/list.HTML");
    path = "/home/u.pls/list";
    EXPECT_EQ(ExportTypeForPath(&path, ExportType::Html), ExportType::Html);
    EXPECT_EQ(path, "/home/u.pls/list.htm");
    path = "/home/u/list.doc";
    EXPECT_EQ(ExportTypeForPath(&path, ExportType::Pls), ExportType::Text);
    path = "/home/u/list";
    EXPECT_EQ(ExportTypeForPath(&path, ExportType::Text), ExportType::Text);
    EXPECT_EQ(path, "/home/u/list.txt");
    path = "list.Pls";
    EXPECT_EQ(ExportTypeForPath(&path, ExportType::Text), ExportType::Pls);
}

TEST(ResultExport, AFailedExportLeavesTheOldFile) {
    const std::string dir = zbtest::MakeTempDir("export");
    const std::string path = zbtest::WriteFile(dir + "/list.txt", "old list");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    std::vector<Row> many;
    for (int row = 0; row < 100; ++row)
        many.push_back({{"a rather long name " + std::to_string(row)}, "", false});
    const FakeRows rows({"Name"}, many);

    // Files may not grow past 64 bytes in the child: the export's write fails.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        _exit(ExportResults(path, ExportType::Text, rows, false) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the export did not fail";
    EXPECT_EQ(Read(path), "old list");
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, std::set<std::string>{"list.txt"});

    // A successful export keeps the file's permissions.
    ASSERT_TRUE(ExportResults(path, ExportType::Text, rows, true));
    EXPECT_EQ(Read(path), "Name\t\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(ResultExport, WritesThroughALinkHonoursTheUmaskAndTakesTheLongestNames) {
    const std::string dir = zbtest::MakeTempDir("export");
    const FakeRows rows({"Name"}, {});
    // A link is kept, and the file it names gets the list.
    const std::string target = zbtest::WriteFile(dir + "/real/list.txt", "old");
    ASSERT_EQ(::symlink("real/list.txt", (dir + "/link.txt").c_str()), 0);
    ASSERT_TRUE(ExportResults(dir + "/link.txt", ExportType::Text, rows, false));
    struct stat st {};
    ASSERT_EQ(::lstat((dir + "/link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Read(target), "Name\t\r\n");

    // A new file gets what the umask leaves of 0666.
    const mode_t old = ::umask(077);
    const bool written = ExportResults(dir + "/private.txt", ExportType::Text, rows, false);
    ::umask(old);
    ASSERT_TRUE(written);
    ASSERT_EQ(::stat((dir + "/private.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // A name of 255 bytes still finds room for its temporary name.
    const std::string longest = dir + "/" + std::string(251, 'n') + ".txt";
    ASSERT_TRUE(ExportResults(longest, ExportType::Text, rows, false));
    EXPECT_EQ(Read(longest), "Name\t\r\n");
}

TEST(TempPrintFiles, EveryPrintGetsANewNameAndAllGoAtTheEnd) {
    CTempPrintFiles files;
    std::string first;
    std::string second;
    zb::UniqueFd a = files.Create("Zembrolt Search Result", &first);
    zb::UniqueFd b = files.Create("Zembrolt Search Result", &second);
    ASSERT_TRUE(a.IsOpen() && b.IsOpen());
    const std::string folder = files.GetFolder();
    EXPECT_EQ(first, folder + "/Zembrolt Search Result0.txt");
    EXPECT_EQ(second, folder + "/Zembrolt Search Result1.txt");
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    files.DeleteAll();
    EXPECT_NE(::stat(first.c_str(), &st), 0);
    EXPECT_NE(::stat(second.c_str(), &st), 0);
    EXPECT_NE(::stat(folder.c_str(), &st), 0);
}

TEST(TempPrintFiles, TakenNamesAndLinksAreSkipped) {
    const std::string dir = zbtest::MakeTempDir("print");
    zbtest::WriteFile(dir + "/p0.txt", "taken");
    const std::string target = zbtest::WriteFile(dir + "/target", "kept");
    ASSERT_EQ(::symlink(target.c_str(), (dir + "/p1.txt").c_str()), 0);
    std::string path;
    zb::UniqueFd file = GetTempPrintFileName(dir, "p", &path);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(path, dir + "/p2.txt");
    EXPECT_EQ(Read(target), "kept");
    zb::UniqueFd plain = GetTempPrintFileName(dir, "", &path);
    EXPECT_EQ(path, dir + "/0.txt");
    EXPECT_FALSE(GetTempPrintFileName(dir + "/missing", "p", &path).IsOpen());
    EXPECT_EQ(path, "");
}

}  // namespace
