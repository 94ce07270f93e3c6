#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "tools/RenameJob.h"
#include "tools/RenameTemplate.h"
#include "tools/ToolTestSupport.h"

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Delivers a title and an author for ".doc" files.
class TitleProvider : public CFileInfoProvider {
public:
    int loads = 0;
    int resets = 0;
    BOOL InitExtensions() override {
        m_arrExtensions = {"doc"};
        return TRUE;
    }
    int GetColumnCount() const override { return 2; }
    BOOL GetColumnById(int, COLUMNINFO*) const override { return FALSE; }
    BOOL GetColumnByIndex(int, COLUMNINFO*) const override { return FALSE; }
    BOOL Load(const CProviderItem& item) override {
        ++loads;
        return item.m_sName != "broken.doc";
    }
    BOOL GetValue(int id, COLUMNVALUE* value) override {
        value->text = id == 2 ? "The Title" : "An Author";
        return TRUE;
    }
    BOOL HasColumn(int id) const override { return id == 2 || id == 4; }
    BOOL Reset() override {
        ++resets;
        return TRUE;
    }
};

TEST(RenameDetailReaderTest, TheFirstProviderOfTheExtensionGivesTitleAndAuthor) {
    CFileInfoProviderList providers;
    providers.push_back(std::make_unique<TitleProvider>());
    providers.back()->InitExtensions();
    auto& provider = static_cast<TitleProvider&>(*providers.back());
    const RenameDetailReader reader = MakeRenameDetailReader(providers);
    CResultItem record;
    record.m_sName = "report.doc";
    std::string title;
    std::string author;
    ASSERT_TRUE(reader(record, &title, &author));
    EXPECT_EQ(title, "The Title");
    EXPECT_EQ(author, "An Author");
    EXPECT_EQ(provider.resets, 1);
    // No provider for the extension, or one that cannot load the file: nothing.
    record.m_sName = "notes.txt";
    EXPECT_FALSE(reader(record, &title, &author));
    record.m_sName = "broken.doc";
    EXPECT_FALSE(reader(record, &title, &author));
    EXPECT_EQ(provider.loads, 2);
    EXPECT_EQ(provider.resets, 2);
}

TEST(RenameTemplateTest, ValidatesTemplates) {
    EXPECT_TRUE(IsValidRenameTemplate("[N]"));
    EXPECT_TRUE(IsValidRenameTemplate("photo [YMD]-[hms] ([C])"));
    EXPECT_TRUE(IsValidRenameTemplate("open [N"));  // ends inside a token
    EXPECT_TRUE(IsValidRenameTemplate(""));
    for (const char* bad : {"a/b", "a\\b", "a:b", "a<b", "a>b", "a|b", "a\"b", "[X]", "[N ]"})
        EXPECT_FALSE(IsValidRenameTemplate(bad)) << bad;
}

TEST(RenameTemplateTest, TokensCarryTheirValuesAndTheTokenStateCarriesOver) {
    const RenameValues values{
        "holiday", "jpg",
        "Beach",   "Ann",
        "007",     {.wYear = 2024, .wMonth = 3, .wDay = 9, .wHour = 7, .wMinute = 5, .wSecond = 1}};
    bool inToken = false;
    std::string name;
    ExpandRenameTemplate("[YMD]_[hms] [T] by [A] #[C] [N][X]", values, &inToken, &name);
    EXPECT_EQ(name, "20240309_070501 Beach by Ann #007 holiday");
    EXPECT_FALSE(inToken);

    // A name template left inside a token: the extension starts inside one.
    std::string open;
    ExpandRenameTemplate("[N", values, &inToken, &open);
    std::string extension;
    ExpandRenameTemplate("E]x", values, &inToken, &extension);
    EXPECT_EQ(extension, "jpgx");
}

TEST(RenameTemplateTest, CounterIs64BitAndPadded) {
    EXPECT_EQ(FormatRenameCounter(1, 2, 0, 3), "001");
    EXPECT_EQ(FormatRenameCounter(1, 2, 2, 3), "005");
    EXPECT_EQ(FormatRenameCounter(4000000000u, 1073741824, 3, 1), "7221225472");
    EXPECT_EQ(FormatRenameCounter(1, -1, 3, 4), "-002");
}

TEST(RenameTemplateTest, ReplaceModesIgnoreCaseInPlace) {
    struct Case {
        const char* text;
        const char* find;
        const char* replacement;
        int mode;
        const char* expected;
    };
    for (const Case& each : {
             Case{"Report report REPORT", "report", "x", RENAME_REPLACE_ALL, "x x x"},
             // No overlap: the replacement is not searched again.
             Case{"aaaa", "aa", "a", RENAME_REPLACE_ALL, "aa"},
             Case{"draft-Draft", "DRAFT", "final", RENAME_REPLACE_FIRST, "final-Draft"},
             Case{"old_old", "old", "new", RENAME_REPLACE_AT_BEGINNING, "new_old"},
             Case{"copy of notes_COPY", "_copy", "", RENAME_REPLACE_AT_END, "copy of notes"},
             Case{"copy_x", "copy", "y", RENAME_REPLACE_AT_END, "copy_x"},
             // "İ" (two bytes) lower-cases to "i" (one byte): the match keeps its place.
             Case{"a\xC4\xB0z\xC4\xB0", "i", "-", RENAME_REPLACE_ALL, "a-z-"},
             Case{"same", "", "x", RENAME_REPLACE_ALL, "same"},
         }) {
        std::string text = each.text;
        ReplaceRenameText(&text, each.find, each.replacement, each.mode);
        EXPECT_EQ(text, each.expected) << each.text;
    }
}

TEST(RenameTemplateTest, CaseRules) {
    struct Case {
        const char* text;
        int rule;
        const char* expected;
    };
    for (const Case& each : {
             // Bytes beyond ASCII are letters.
             Case{"o'neil-smith 2nd ÉTÉ mcDONALD", RENAME_CASE_WORDS,
                  "O'Neil-Smith 2nd ÉtÉ Mcdonald"},
             Case{"hELLO wORLD", RENAME_CASE_FIRST_LETTER, "Hello world"},
             Case{"Straße Ärger", RENAME_CASE_UPPER, "STRAßE ÄRGER"},
             Case{"STRAßE ÄRGER", RENAME_CASE_LOWER, "straße ärger"},
         }) {
        std::string text = each.text;
        ApplyNameCase(&text, each.rule);
        EXPECT_EQ(text, each.expected) << each.text;
    }
}

TEST(RenameTemplateTest, NewNamesAreChecked) {
    EXPECT_TRUE(IsValidNewFileName("a.txt"));
    EXPECT_TRUE(IsValidNewFileName(std::string(255, 'x')));
    for (const std::string& bad :
         {std::string(), std::string("."), std::string(".."), std::string("x/y"),
          std::string("a\0b", 3), std::string(256, 'x')})
        EXPECT_FALSE(IsValidNewFileName(bad));
}

class RenameJobTest : public zbtest::FileRecordTest {
protected:
    std::string File(const std::string& name, const std::string& contents = "data") {
        return zbtest::WriteFile(m_root + "/" + name, contents);
    }
    // The new names of the rows from top to bottom.
    static std::vector<std::string> NewNames(const CRenameJob& job) {
        std::vector<std::string> names;
        for (std::size_t position = 0; position < job.GetCount(); ++position)
            names.push_back(job.RowAt(position).newName);
        return names;
    }
    static std::string PathOf(const CResultItem& record) {
        std::string path;
        record.GetFilePath(&path);
        return path;
    }
};

using Names = std::vector<std::string>;

TEST_F(RenameJobTest, DefaultTemplatesKeepTheNamesAndANameWithoutDotGetsNone) {
    CRenameJob job;
    job.SetItems(Records({File("README"), File("a.b.txt"), File(".bashrc")}), {});
    ASSERT_TRUE(job.UpdateNewNames(RenameOptions()));
    EXPECT_EQ(NewNames(job), (Names{"README", "a.b.txt", ".bashrc"}));
    EXPECT_EQ(job.DoRename(), 1);
    EXPECT_EQ(job.GetRenamedCount(), 0);
}

TEST_F(RenameJobTest, ATrailingDotStaysUnlessTheTemplateGivesAnExtension) {
    struct Case {
        const char* name;
        const char* extTemplate;
        const char* expected;
    };
    for (const Case& each : {
             Case{"trail.", "[E]", "trail."},
             Case{"dots..", "[E]", "dots.."},
             Case{"...", "[E]", "..."},
             Case{"trail.", "new", "trail.new"},
             // A non-empty extension that the template drops goes with its dot.
             Case{"report.txt", "", "report"},
         }) {
        CRenameJob job;
        job.SetItems(Records({File(each.name)}), {});
        RenameOptions options;
        options.extTemplate = each.extTemplate;
        ASSERT_TRUE(job.UpdateNewNames(options));
        EXPECT_EQ(job.RowAt(0).newName, each.expected) << each.name;
    }
}

TEST_F(RenameJobTest, CounterFollowsTheListOrder) {
    CRenameJob job;
    job.SetItems(Records({File("a.txt"), File("b.txt"), File("c.txt")}), {});
    RenameOptions options;
    options.nameTemplate = "[C]";
    options.digits = 3;
    options.start = 1;
    options.step = 2;
    ASSERT_TRUE(job.UpdateNewNames(options));
    EXPECT_EQ(NewNames(job), (Names{"001.txt", "003.txt", "005.txt"}));
    std::vector<std::size_t> selected{2};
    job.MoveUp(&selected);
    EXPECT_EQ(selected, std::vector<std::size_t>{1});
    ASSERT_TRUE(job.UpdateNewNames(options));
    EXPECT_EQ(job.RecordAt(1).m_sName, "c.txt");
    EXPECT_EQ(NewNames(job), (Names{"001.txt", "003.txt", "005.txt"}));
    // A selected row at the top stops the move.
    selected = {0, 2};
    job.MoveUp(&selected);
    EXPECT_EQ(job.RecordAt(2).m_sName, "b.txt");
    job.Remove({0});
    EXPECT_EQ(job.GetCount(), 2u);

    // An invalid template keeps the previous names.
    options.extTemplate = "x/y";
    EXPECT_FALSE(job.UpdateNewNames(options));
    EXPECT_EQ(job.RowAt(0).newName, "003.txt");
}

TEST_F(RenameJobTest, SortsByAColumnAndReversesOnTheSameColumn) {
    CRenameJob job;
    job.SetItems(Records({File("b.txt"), File("A.txt"), File("c.txt")}),
                 [](const CResultItem& record, std::string* title, std::string* author) {
                     *title = record.m_sName == "c.txt" ? "alpha" : "zulu";
                     *author = "me";
                     return true;
                 });
    job.SortByColumn(RENAME_COL_OLD_NAME);
    EXPECT_EQ(job.RecordAt(0).m_sName, "A.txt");
    EXPECT_EQ(job.RecordAt(2).m_sName, "c.txt");
    job.SortByColumn(RENAME_COL_OLD_NAME);
    EXPECT_EQ(job.RecordAt(0).m_sName, "c.txt");
    EXPECT_FALSE(job.IsSortAscending());
    job.SortByColumn(RENAME_COL_TITLE);
    EXPECT_EQ(job.RecordAt(0).m_sName, "c.txt");
    EXPECT_EQ(job.RowAt(0).title, "alpha");
}

TEST_F(RenameJobTest, ACaseOnlyRenameOntoAnotherFileIsRefusedAndBothStay) {
    const std::string lower = File("a.txt", "lower");
    const std::string upper = File("A.txt", "upper");
    zbtest::LogCapture log;
    CRenameJob job;
    job.SetItems(Records({lower}), {});
    RenameOptions options;
    options.nameCase = RENAME_CASE_UPPER;
    options.extCase = RENAME_CASE_LOWER;
    ASSERT_TRUE(job.UpdateNewNames(options));
    ASSERT_EQ(job.RowAt(0).newName, "A.txt");
    EXPECT_EQ(job.DoRename(), IDD_RENAME_FAILED_RESULT);
    EXPECT_EQ(Contents(lower), "lower");
    EXPECT_EQ(Contents(upper), "upper");
    EXPECT_EQ(log.RedLinesWith("A.txt is already exist."), 1);
    EXPECT_EQ(PathOf(*m_records[0]), lower);

    // Alone, the case-only rename is made.
    std::filesystem::remove(upper);
    EXPECT_EQ(job.DoRename(), 1);
    EXPECT_EQ(Contents(upper), "lower");
    EXPECT_EQ(PathOf(*m_records[0]), upper);
}

TEST_F(RenameJobTest, BadNewNamesAreRefusedAndFailedRowsKeepTheirFile) {
    const std::string taken = File("taken", "other");
    const std::vector<std::string> paths{File("one.txt"),  File("two.txt"),  File("three.txt"),
                                         File("four.txt"), File("five.txt"), File("six.txt")};
    CRenameJob job;
    job.SetItems(Records(paths), [](const CResultItem& record, std::string* title, std::string*) {
        const std::string name = record.m_sName.str();
        *title = name == "one.txt"     ? "x/y"
                 : name == "two.txt"   ? ".."
                 : name == "three.txt" ? ""
                 : name == "four.txt"  ? std::string(256, 'l')
                 : name == "five.txt"  ? "taken"
                                       : "ok";
        return true;
    });
    RenameOptions options;
    options.nameTemplate = "[T]";
    options.extTemplate = "";
    ASSERT_TRUE(job.UpdateNewNames(options));
    zbtest::LogCapture log;
    EXPECT_EQ(job.DoRename(), IDD_RENAME_FAILED_RESULT);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(std::filesystem::exists(paths[i])) << paths[i];
        EXPECT_EQ(PathOf(*m_records[i]), paths[i]);
    }
    EXPECT_EQ(Contents(taken), "other");
    EXPECT_EQ(log.RedLinesWith("Failed in renaming"), 4);
    EXPECT_EQ(log.RedLinesWith("taken is already exist."), 1);
    // The last row was renamed all the same.
    EXPECT_EQ(Contents(m_root + "/ok"), "data");
    EXPECT_EQ(m_records[5]->m_sName, "ok");
    EXPECT_EQ(PathOf(*m_records[5]), m_root + "/ok");
}

TEST_F(RenameJobTest, TwoEqualNewNamesRenameOnlyTheFirst) {
    const std::string a = File("a.txt", "first");
    const std::string b = File("b.txt", "second");
    CRenameJob job;
    job.SetItems(Records({a, b}), {});
    RenameOptions options;
    options.nameTemplate = "same";
    ASSERT_TRUE(job.UpdateNewNames(options));
    EXPECT_EQ(job.DoRename(), IDD_RENAME_FAILED_RESULT);
    EXPECT_EQ(Contents(m_root + "/same.txt"), "first");
    EXPECT_EQ(Contents(b), "second");
    EXPECT_EQ(m_records[0]->m_sName, "same.txt");
    EXPECT_EQ(m_records[1]->m_sName, "b.txt");
}

TEST(RenameWithoutReplacingTest, SameFileUnderBothNamesIsNotAnotherFile) {
    const std::string root = zbtest::MakeTempDir("link");
    const std::string a = zbtest::WriteFile(root + "/a.txt", "x");
    ASSERT_EQ(link(a.c_str(), (root + "/A.txt").c_str()), 0);
    std::string error;
    // Hard links are two names on a case-sensitive system: never merged.
    EXPECT_EQ(RenameWithoutReplacing(a, root + "/A.txt", &error), RenameOutcome::Exists);
    EXPECT_TRUE(std::filesystem::exists(a));
}

}  // namespace
