#include "app/ArchiveExtraction.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "archives/MemoryArchive.h"
#include "gui/GuiTestRegistry.h"
#include "platform/Log.h"
#include "platform/shell/ShellApi.h"
#include "readers/archives/ArchiveHandlerFactory.h"
#include "ui/ProgressDlg.h"

namespace {

using zbtest::MemoryArchive;
using zbtest::MemoryMember;
namespace fs = std::filesystem;

constexpr int kBlock = 4;

std::unique_ptr<CArchiveHandler> MakeZipReader() {
    return std::make_unique<MemoryArchive>(std::vector<std::string>{"zip"}, kBlock);
}

// A reader that lists members but cannot unpack them.
std::unique_ptr<CArchiveHandler> MakeAceReader() {
    class AceLike : public MemoryArchive {
    public:
        AceLike() : MemoryArchive({"ace"}, kBlock) {}
        BOOL Init() override {
            MemoryArchive::Init();
            m_nFlags |= ARCHIVE_FLAG_NO_UNPACK;
            return TRUE;
        }
    };
    return std::make_unique<AceLike>();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// What the progress dialog showed, read when it is destroyed.
struct DialogRecord {
    QString status;
    int minimum = -1;
    int maximum = -1;
    int value = -1;
    bool wasVisible = false;
    bool ownerEnabled = true;
};

class RecordingProgressDlg : public CProgressDlg {
public:
    RecordingProgressDlg(QWidget* owner, DialogRecord* record, CProgressDlg** live)
        : CProgressDlg(owner), m_owner(owner), m_record(record), m_live(live) {
        *m_live = this;
    }
    ~RecordingProgressDlg() override {
        m_record->status = StatusControl()->text();
        m_record->minimum = ProgressBar()->minimum();
        m_record->maximum = ProgressBar()->maximum();
        m_record->value = ProgressBar()->value();
        m_record->ownerEnabled = m_owner ? m_owner->isEnabled() : true;
        *m_live = nullptr;
    }

protected:
    void showEvent(QShowEvent* event) override {
        m_record->wasVisible = true;
        CProgressDlg::showEvent(event);
    }

private:
    QWidget* m_owner;
    DialogRecord* m_record;
    CProgressDlg** m_live;
};

// Answers message boxes from a queue (OK when it is empty) and records the
// progress dialog.
class TestExtraction : public CArchiveExtraction {
public:
    TestExtraction() : CArchiveExtraction(m_shell) {}

    std::deque<QMessageBox::StandardButton> answers;
    QStringList messages;
    std::function<void()> onMessage;
    DialogRecord dialog;
    CProgressDlg* liveDialog = nullptr;

protected:
    QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& text,
                                               QMessageBox::StandardButtons,
                                               QMessageBox::Icon) override {
        // The box is owned by the progress dialog, which stays enabled.
        if (!parent || !parent->isEnabled())
            messages << QStringLiteral("<disabled owner>");
        messages << text;
        if (onMessage)
            onMessage();
        if (answers.empty())
            return QMessageBox::Ok;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::unique_ptr<CProgressDlg> CreateProgressDialog(QWidget* owner) override {
        return std::make_unique<RecordingProgressDlg>(owner, &dialog, &liveDialog);
    }

private:
    CShellHelper m_shell;
};

}  // namespace

class ArchiveExtractionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        for (std::size_t slot = 0; slot < ARCHIVE_SLOT_COUNT; ++slot)
            m_saved[slot] = SetArchiveHandlerFactory(static_cast<ArchiveSlot>(slot), nullptr);
        SetArchiveHandlerFactory(ArchiveSlot::Zip, &MakeZipReader);
        SetArchiveHandlerFactory(ArchiveSlot::Ace, &MakeAceReader);
        FreeArchiveHandlers();
        m_dir = std::string(std::getenv("TMPDIR")) + "/archive-extraction";
        fs::create_directories(m_dir);
        SetLogSink([this](COLORREF colour, const std::string& line) {
            m_log << QString::number(colour) + QLatin1Char(' ') + QString::fromStdString(line);
        });
    }
    void cleanupTestCase() {
        SetLogSink({});
        FreeArchiveHandlers();
        for (std::size_t slot = 0; slot < ARCHIVE_SLOT_COUNT; ++slot)
            SetArchiveHandlerFactory(static_cast<ArchiveSlot>(slot), m_saved[slot]);
        MemoryArchive::Archives().clear();
    }
    void init() {
        CloseAllArchives();
        m_log.clear();
    }

    void ordinaryFilesOnlyShowRangeOneAndExtractNothing() {
        CResultArray results;
        for (const char* name : {"a.txt", "b.txt"}) {
            CResultItem record;
            record.m_sName = name;
            record.m_sFolder = m_dir;
            record.m_nSize = 100;
            results.Append(std::move(record));
        }
        QWidget owner;
        owner.show();
        TestExtraction extraction;
        std::vector<std::string> out{"stale"};
        QCOMPARE(extraction.ExtractArchiveItems(&owner, results, {1, 0}, &out), 0);
        QVERIFY(out.empty());
        QVERIFY(extraction.dialog.wasVisible);
        QCOMPARE(extraction.dialog.status, QStringLiteral("Decompressing files"));
        QCOMPARE(extraction.dialog.minimum, 0);
        QCOMPARE(extraction.dialog.maximum, 1);
        QCOMPARE(extraction.dialog.value, 0);
        QVERIFY(!extraction.dialog.ownerEnabled);  // disabled while it ran
        QVERIFY(owner.isEnabled());                // and enabled again
        QVERIFY(extraction.GetExtractedFiles().empty());
        QVERIFY(extraction.messages.isEmpty());
    }

    void membersAreExtractedInIndexOrderKeepingTheirFolders() {
        const std::string archive = MakeArchive("pack.zip", {{"root.txt", "0123456789"},
                                                             {"sub\\deeper\\d.txt", "deep"},
                                                             {"bad\\..\\x.txt", "evil"}});
        CResultArray results;
        results.Append(MemberRecord(archive, "", "root.txt", 10));
        results.Append(MemberRecord(archive, "sub\\deeper", "d.txt", 4));
        results.Append(MemberRecord(archive, "", "missing.txt", 7));
        results.Append(MemberRecord(archive, "bad\\..", "x.txt", 4));
        QWidget owner;
        std::string folder;
        {
            TestExtraction extraction;
            std::vector<std::string> out;
            QCOMPARE(extraction.ExtractArchiveItems(&owner, results, {3, 1, 2, 0}, &out), 0);
            folder = extraction.GetTempPath();
            QVERIFY(!folder.empty());
            QCOMPARE(out, (std::vector<std::string>{folder + "/root.txt",
                                                    folder + "/sub/deeper/d.txt"}));
            QCOMPARE(ReadAll(out[0]), std::string("0123456789"));
            QCOMPARE(ReadAll(out[1]), std::string("deep"));
            QCOMPARE(extraction.dialog.maximum, 25);
            QCOMPARE(extraction.dialog.value, 14);
            QCOMPARE(extraction.GetCreatedFolders(),
                     (std::vector<std::string>{folder + "/sub", folder + "/sub/deeper"}));
            // The missing member is skipped quietly; the unsafe name is logged.
            QCOMPARE(m_log, QStringList{QString::number(RGB(255, 0, 0)) + QLatin1Char(' ') +
                                        QString::fromStdString(archive) +
                                        "\\bad\\..\\x.txt can not be decompressed\n"});
            QVERIFY(!fs::exists(fs::path(folder).parent_path() / "x.txt"));
        }
        // Everything goes with the object.
        QVERIFY(!fs::exists(folder));
    }

    void oneMemberPathFromSeveralArchivesIsKeptApart() {
        const std::string first = MakeArchive("one.zip", {{"docs\\readme.txt", "first"}});
        const std::string second = MakeArchive("two.zip", {{"docs\\readme.txt", "second"}});
        const std::string third = MakeArchive(
            "three.zip", {{"2\\docs\\readme.txt", "third"}, {"docs\\readme.txt", "fourth"}});
        CResultArray results;
        results.Append(MemberRecord(first, "docs", "readme.txt", 5));
        results.Append(MemberRecord(second, "docs", "readme.txt", 6));
        results.Append(MemberRecord(third, "2\\docs", "readme.txt", 5));
        results.Append(MemberRecord(third, "docs", "readme.txt", 6));
        QWidget owner;
        TestExtraction extraction;
        std::vector<std::string> out;
        QCOMPARE(extraction.ExtractArchiveItems(&owner, results, {0, 1, 2, 3}, &out), 0);
        const std::string folder = extraction.GetTempPath();
        QCOMPARE(out, (std::vector<std::string>{
                          folder + "/docs/readme.txt", folder + "/2/docs/readme.txt",
                          folder + "/2/2/docs/readme.txt", folder + "/3/docs/readme.txt"}));
        const std::vector<std::string> texts{"first", "second", "third", "fourth"};
        for (std::size_t i = 0; i < out.size(); ++i)
            QCOMPARE(ReadAll(out[i]), texts[i]);
    }

    void cancelDuringTheFirstOfThreeMembersStopsEverything() {
        const std::string archive = MakeArchive("three.zip", {{"one.bin", std::string(12, '1')},
                                                              {"two.bin", std::string(12, '2')},
                                                              {"three.bin", std::string(12, '3')}});
        CResultArray results;
        for (const char* name : {"one.bin", "two.bin", "three.bin"})
            results.Append(MemberRecord(archive, "", name, 12));
        QWidget owner;
        owner.show();
        TestExtraction extraction;
        // The user presses Cancel while the first member is being written:
        // the first pumped events deliver the click.
        QTimer::singleShot(0, &owner, [&] {
            QVERIFY(extraction.liveDialog);
            QVERIFY(!owner.isEnabled());
            QTest::mouseClick(extraction.liveDialog->CancelButton(), Qt::LeftButton);
        });
        std::string partial;
        extraction.onMessage = [&] {
            const std::string path = extraction.GetTempPath() + "/one.bin";
            partial = ReadAll(path);
        };
        std::vector<std::string> out;
        QCOMPARE(extraction.ExtractArchiveItems(&owner, results, {0, 1, 2}, &out),
                 EXTRACTION_CANCELLED);
        QCOMPARE(extraction.messages, QStringList{"Do you want to cancel the operation?"});
        QCOMPARE(partial, std::string(kBlock, '1'));  // written so far when asked
        QVERIFY(out.empty());
        // The unfinished member is removed; the others were never started.
        QVERIFY(extraction.GetExtractedFiles().empty());
        QVERIFY(fs::is_empty(extraction.GetTempPath()));
        QCOMPARE(extraction.dialog.value, kBlock);
        QVERIFY(owner.isEnabled());
    }

    void cancelQuestionAnsweredCancelGoesOn() {
        const std::string archive =
            MakeArchive("two.zip", {{"a.bin", std::string(9, 'a')}, {"b.bin", "b"}});
        CResultArray results;
        results.Append(MemberRecord(archive, "", "a.bin", 9));
        results.Append(MemberRecord(archive, "", "b.bin", 1));
        QWidget owner;
        TestExtraction extraction;
        extraction.answers = {QMessageBox::Cancel};
        QTimer::singleShot(0, &owner, [&] { extraction.liveDialog->CancelButton()->click(); });
        std::vector<std::string> out;
        QCOMPARE(extraction.ExtractArchiveItems(&owner, results, {0, 1}, &out), 0);
        QCOMPARE(extraction.messages.size(), 1);
        QCOMPARE(out.size(), std::size_t(2));
        QCOMPARE(ReadAll(out[0]), std::string(9, 'a'));
    }

    void unpackNotSupportedAsksAndCancelStops() {
        const std::string ace = MakeArchive("old.ace", {{"a.txt", "aaaa"}, {"b.txt", "bbbb"}});
        const std::string zip = MakeArchive("new.zip", {{"c.txt", "cccc"}});
        CResultArray results;
        results.Append(MemberRecord(ace, "", "a.txt", 4));
        results.Append(MemberRecord(ace, "", "b.txt", 4));
        results.Append(MemberRecord(zip, "", "c.txt", 4));
        QWidget owner;
        {
            TestExtraction extraction;
            extraction.answers = {QMessageBox::Cancel};
            std::vector<std::string> out;
            QCOMPARE(extraction.ExtractArchiveItems(&owner, results, {0, 1, 2}, &out),
                     EXTRACTION_CANCELLED);
            QCOMPARE(extraction.messages,
                     QStringList{"Unpack method of ACE files is not supported, file a.txt cannot "
                                 "be unpacked!"});
            QVERIFY(out.empty());
        }
        {
            // OK goes on with the next record.
            TestExtraction extraction;
            std::vector<std::string> out;
            QCOMPARE(extraction.ExtractArchiveItems(&owner, results, {0, 1, 2}, &out), 0);
            QCOMPARE(extraction.messages.size(), 2);
            QVERIFY(extraction.messages[1].contains(QStringLiteral("file b.txt cannot")));
            QCOMPARE(out.size(), std::size_t(1));
            QCOMPARE(ReadAll(out[0]), std::string("cccc"));
        }
    }

    void membersThatCannotBeUnpackedSayWhyInTheLog() {
        const std::string archive = MakeArchive(
            "locked.zip", {{"secret.txt", "ciphertext", true, ArchiveFailure::Encrypted},
                           {"odd.bin", "packed", true, ArchiveFailure::UnsupportedMethod},
                           {"open.txt", "clear"}});
        CResultArray results;
        for (const char* name : {"secret.txt", "odd.bin", "open.txt"})
            results.Append(MemberRecord(archive, "", name, 6));
        QWidget owner;
        TestExtraction extraction;
        std::vector<std::string> out;
        QCOMPARE(extraction.ExtractArchiveItems(&owner, results, {0, 1, 2}, &out), 0);
        QCOMPARE(out.size(), std::size_t(1));
        const QString red = QString::number(RGB(255, 0, 0)) + QLatin1Char(' ');
        QCOMPARE(m_log,
                 (QStringList{red + QString::fromStdString(archive) +
                                  "\\secret.txt can not be decompressed (the member is "
                                  "encrypted)\n",
                              red + QString::fromStdString(archive) +
                                  "\\odd.bin can not be decompressed (the member is packed in a "
                                  "way that cannot be unpacked)\n"}));
    }

    void selectedMembersAreAddedToThePayload() {
        const std::string archive = MakeArchive("sel.zip", {{"x.txt", "xx"}, {"dir\\y.txt", "yy"}});
        CResultArray results;
        results.Append(MemberRecord(archive, "", "x.txt", 2));
        results.Append(MemberRecord(archive, "dir", "y.txt", 2));
        QWidget owner;
        TestExtraction extraction;
        extraction.SetSelectedArchiveItems({1, 0});
        QCOMPARE(extraction.GetSelectionPayload().m_arrArchiveIndices,
                 (std::vector<std::size_t>{0, 1}));
        CSelectionPayload& payload = extraction.GetSelectionPayload();
        payload.m_strText = "/plain/file\n";
        payload.m_arrDropFiles = {"/plain/file"};
        extraction.SetExtractionPending(TRUE);

        QCOMPARE(extraction.ExtractSelectedArchiveItems(&owner, results), 0);
        QVERIFY(!extraction.IsExtractionPending());
        const std::string folder = extraction.GetTempPath();
        const std::string x = folder + "/x.txt";
        const std::string y = folder + "/dir/y.txt";
        QCOMPARE(payload.m_strText, "/plain/file\n" + x + "\n" + y + "\n");
        QCOMPARE(payload.m_arrDropFiles, (std::vector<std::string>{"/plain/file", x, y}));
        QCOMPARE(payload.m_arrItemIdLists.size(), std::size_t(2));
        std::string parsed;
        QVERIFY(SHGetPathFromIDList(payload.m_arrItemIdLists[1].get(), &parsed));
        QCOMPARE(parsed, y);

        // A cancelled extraction adds nothing.
        extraction.SetExtractionPending(TRUE);
        extraction.answers = {QMessageBox::Ok};
        QTimer::singleShot(0, &owner, [&] { extraction.liveDialog->CancelButton()->click(); });
        QCOMPARE(extraction.ExtractSelectedArchiveItems(&owner, results), EXTRACTION_CANCELLED);
        QVERIFY(!extraction.IsExtractionPending());
        QCOMPARE(payload.m_arrDropFiles.size(), std::size_t(3));

        // Without members nothing is extracted and no dialog is shown.
        TestExtraction none;
        QCOMPARE(none.ExtractSelectedArchiveItems(&owner, results), 0);
        QVERIFY(!none.dialog.wasVisible);
        QVERIFY(none.GetSelectionPayload().m_strText.empty());
    }

private:
    std::string MakeArchive(const std::string& name, std::vector<MemoryMember> members) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path) << "x";
        MemoryArchive::Archives()[path] = std::move(members);
        return path;
    }

    // A result record for a member of `archive` in folder `inner` ("" for the root).
    CResultItem MemberRecord(const std::string& archive, const std::string& inner,
                             const std::string& name, std::uint64_t size) {
        CResultItem record;
        CShellHelper shell;
        LPITEMIDLIST list = nullptr;
        if (SUCCEEDED(shell.ParseDisplayName(archive, &list, nullptr)))
            record.SetFullPidl(PidlPtr(list));
        record.m_dwFlags = RIF_IN_ARCHIVE;
        record.m_sName = name;
        record.m_sFolder = inner.empty() ? archive : archive + "\\" + inner;
        record.m_nSize = size;
        std::string path;
        record.GetFilePath(&path);
        if (path != archive)
            qWarning("record path %s differs from %s", path.c_str(), archive.c_str());
        return record;
    }

    std::array<ArchiveHandlerFactory, ARCHIVE_SLOT_COUNT> m_saved{};
    std::string m_dir;
    QStringList m_log;
};

ZB_GUI_TEST(ArchiveExtractionTest);
#include "ArchiveExtractionTest.moc"
