#include "app/ResultListModel.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/xattr.h>

#include <fstream>
#include <thread>

#include "app/engine/AttributeUtils.h"
#include "gui/GuiTestRegistry.h"
#include "platform/DateUtils.h"
#include "platform/FileTime.h"

namespace {

CResultItem MakeRecord(const std::string& name, std::uint64_t size, DWORD flags = 0,
                       std::uint64_t writeTime = 0) {
    CResultItem record;
    record.m_sName = name;
    record.m_sFolder = "/data/" + name.substr(0, 1);
    record.m_sTypeName = name.substr(name.find('.') + 1) + " file";
    record.m_nSize = size;
    record.m_dwFlags = flags;
    record.m_ftLastWrite = FILETIME::FromValue(writeTime);
    record.m_ftLastAccess = FILETIME::FromValue(writeTime + 1);
    record.m_ftCreation = FILETIME::FromValue(writeTime + 2);
    return record;
}

// Appends records to `results` and their rows to the model, as the search does.
void Feed(CResultListModel& model, const std::shared_ptr<CResultArray>& results,
          std::vector<CResultItem> records) {
    const std::size_t first = results->GetCount();
    for (CResultItem& record : records)
        results->Append(std::move(record));
    model.InsertRows(results, first, results->GetCount() - first);
    QCoreApplication::processEvents();
}

QStringList Column(const CResultListModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.GetCellText(row, column);
    return texts;
}

COLUMNINFO Info(int id) {
    return *GetColumnInfo(id);
}

// 2021-03-04 05:06:07 UTC as a FILETIME.
constexpr std::uint64_t kSomeTime = kFileTimeUnixEpoch + 1614834367ull * kFileTimeTicksPerSecond;

}  // namespace

class ResultListModelTest : public QObject {
    Q_OBJECT
private slots:
    void rowsFromAnotherThreadArriveInOrder() {
        CResultListModel model(nullptr);
        auto results = std::make_shared<CResultArray>();
        model.SetResults(results);
        QSignalSpy appended(&model, &CResultListModel::RowsAppended);
        constexpr int kBatches = 50;
        constexpr int kBatch = 100;
        std::thread search([&] {
            for (int b = 0; b < kBatches; ++b) {
                const std::size_t first = results->GetCount();
                for (int i = 0; i < kBatch; ++i) {
                    std::string name = std::to_string(first + i);
                    name += ".txt";
                    results->Append(MakeRecord(name, 1));
                }
                model.InsertRows(results, first, kBatch);
            }
        });
        search.join();
        QTRY_COMPARE(model.rowCount(), kBatches * kBatch);
        // Handed over while the model's thread was busy (here: before it ran
        // at all), the batches are taken in as one insertion.
        QCOMPARE(appended.count(), 1);
        for (int row = 0; row < model.rowCount(); ++row)
            QCOMPARE(model.GetRowIndex()[row], static_cast<DWORD>(row));
    }

    void batchesOfAnOldGenerationAreDropped() {
        CResultListModel model(nullptr);
        auto old = std::make_shared<CResultArray>();
        model.SetResults(old);
        old->Append(MakeRecord("a.txt", 1));
        model.InsertRows(old, 0, 1);
        // Cleared before the batch arrived: the new generation starts empty.
        model.SetResults(std::make_shared<CResultArray>());
        QCoreApplication::processEvents();
        QCOMPARE(model.rowCount(), 0);
        // A batch naming records the storage does not hold adds nothing.
        model.InsertRows(model.GetResults(), 0, 5);
        QCoreApplication::processEvents();
        QCOMPARE(model.rowCount(), 0);
    }

    void deleteAllRowsStartsTheGenerationItIsHanded() {
        CResultListModel model(nullptr);
        auto old = std::make_shared<CResultArray>();
        model.SetResults(old);
        Feed(model, old, {MakeRecord("a.txt", 1)});
        // From the search thread: in order with the rows that follow it.
        auto next = std::make_shared<CResultArray>();
        std::thread search([&] {
            old->Append(MakeRecord("late.txt", 1));
            model.InsertRows(old, 1, 1);
            model.DeleteAllRows(next);
            next->Append(MakeRecord("b.txt", 1));
            model.InsertRows(next, 0, 1);
        });
        search.join();
        QCOMPARE(model.rowCount(), 1);  // carried over, not applied yet
        QTRY_VERIFY(model.GetResults() == next);
        QTRY_COMPARE(model.rowCount(), 1);
        QCOMPARE(model.GetCellText(0, 0), QStringLiteral("b.txt"));
        // On the model's own thread at once (the status bar reads it next).
        auto third = std::make_shared<CResultArray>();
        model.DeleteAllRows(third);
        QVERIFY(model.GetResults() == third);
        QCOMPARE(model.rowCount(), 0);
    }

    void eachRowNamesItsRecordAndIndex() {
        CResultListModel model(nullptr);
        auto results = std::make_shared<CResultArray>();
        model.SetResults(results);
        Feed(model, results,
             {MakeRecord("c.txt", 1), MakeRecord("a.txt", 2), MakeRecord("b.txt", 3)});
        model.SortRows(model.FindVisibleColumn(COLUMN_ID_NAME), 0, 2);  // a, b, c
        struct Case {
            int row;
            const char* name;  // nullptr: no record
            std::size_t index;
        };
        for (const Case& each : {Case{0, "a.txt", 1}, Case{1, "b.txt", 2}, Case{2, "c.txt", 0},
                                 Case{-1, nullptr, 0}, Case{3, nullptr, 0}}) {
            const CRowRecord shown = model.GetRowRecord(each.row);
            if (!each.name) {
                QVERIFY(!shown.record);
                QVERIFY(!model.GetRecord(each.row));
                continue;
            }
            QVERIFY(shown.record);
            QCOMPARE(shown.row, each.row);
            QCOMPARE(shown.record->m_sName, std::string(each.name));
            QCOMPARE(shown.index, each.index);
            QCOMPARE(shown.record, &results->GetAt(each.index));
        }
        // A row asked for before the sort is found where it went.
        QCOMPARE(model.RowOfRecord(0, 0), 2);
        QCOMPARE(model.RowOfRecord(1, 0), 0);
        QCOMPARE(model.RowOfRecord(2, 99), 1);
        // Only among the rows asked about (those in view).
        QCOMPARE(model.RowOfRecord(0, 0, 0, 1), -1);
        QCOMPARE(model.RowOfRecord(0, 0, 1, 99), 2);
        model.RemoveRows({1});
        QCOMPARE(model.RowOfRecord(2, 1), -1);  // its row left the list
    }

    void standardColumnTexts() {
        CResultListModel model(nullptr);
        model.SetNumberLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        CColumnInfoArray columns;
        GetStandardColumns(columns);
        model.SetVisibleColumns(columns);
        auto results = std::make_shared<CResultArray>();
        model.SetResults(results);
        CResultItem file = MakeRecord("Report.TXT", 1500000, 0, kSomeTime);
        file.m_dwAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
        Feed(model, results,
             {std::move(file), MakeRecord("one.txt", 1), MakeRecord("k.txt", 1024),
              MakeRecord("k1.txt", 1025), MakeRecord("empty.txt", 0),
              MakeRecord("dir.x", 4096, RIF_FOLDER), MakeRecord("nopath.x", 5, RIF_NO_PATH),
              MakeRecord("member.gz", static_cast<std::uint64_t>(-1), RIF_IN_ARCHIVE)});

        const int name = model.FindVisibleColumn(COLUMN_ID_NAME);
        QCOMPARE(model.GetCellText(0, name), QStringLiteral("Report.TXT"));
        QCOMPARE(model.GetCellText(0, model.FindVisibleColumn(COLUMN_ID_LOCATION)),
                 QStringLiteral("/data/R"));
        QCOMPARE(model.GetCellText(0, model.FindVisibleColumn(COLUMN_ID_TYPE)),
                 QStringLiteral("TXT file"));
        QCOMPARE(model.GetCellText(0, model.FindVisibleColumn(COLUMN_ID_ATTRIBUTE)),
                 QStringLiteral("AR"));

        const int size = model.FindVisibleColumn(COLUMN_ID_SIZE);
        QCOMPARE(Column(model, size),
                 QStringList({"1,465KB", "1KB", "1KB", "2KB", "0KB", "", "", ""}));
        model.SetSizeInBytes(true);
        QCOMPARE(model.GetCellText(0, size), QStringLiteral("1,500,000"));
        QCOMPARE(model.GetCellText(4, size), QStringLiteral("0"));
        QCOMPARE(model.GetCellText(5, size), QString());

        const CTime local = FileTimeToCTime(FILETIME::FromValue(kSomeTime));
        const QString expected = QString::fromStdString(FormatDateTime(local));
        QCOMPARE(model.GetCellText(0, model.FindVisibleColumn(COLUMN_ID_LAST_WRITE_TIME)),
                 expected);
        QVERIFY(
            !model.GetCellText(0, model.FindVisibleColumn(COLUMN_ID_LAST_ACCESS_TIME)).isEmpty());
        QVERIFY(!model.GetCellText(0, model.FindVisibleColumn(COLUMN_ID_CREATE_TIME)).isEmpty());
        // A record without a path shows no times.
        QCOMPARE(model.GetCellText(6, model.FindVisibleColumn(COLUMN_ID_LAST_WRITE_TIME)),
                 QString());

        // Archive members are blue on silver; rows and columns out of range show nothing.
        QCOMPARE(model.data(model.index(7, 0), Qt::ForegroundRole).value<QColor>(),
                 QColor(0, 0, 255));
        QCOMPARE(model.data(model.index(7, 0), Qt::BackgroundRole).value<QColor>(),
                 QColor(192, 192, 192));
        QVERIFY(!model.data(model.index(0, 0), Qt::BackgroundRole).isValid());
        QCOMPARE(model.GetCellText(99, 0), QString());
        QCOMPARE(model.GetCellText(0, 99), QString());
    }

    void detailColumnTexts() {
        CResultListModel model(nullptr);
        CColumnInfoArray columns;
        GetDefaultVisibleColumns(columns);
        const COLUMNINFO* detail = nullptr;
        for (std::size_t i = 0; i < GetColumnTableSize(); ++i) {
            const COLUMNINFO& info = GetColumnTable()[i];
            if ((info.nFlags & COLUMN_FLAG_DETAIL) && info.nType == COLUMN_TYPE_INT32) {
                detail = &info;
                break;
            }
        }
        QVERIFY(detail);
        columns.push_back(*detail);
        model.SetVisibleColumns(columns);
        const int column = static_cast<int>(columns.size()) - 1;
        QCOMPARE(model.GetColumnSlot(column), 0);
        auto results = std::make_shared<CResultArray>();
        model.SetResults(results);
        CResultItem withValue = MakeRecord("a.mp3", 1);
        withValue.m_arrValues.resize(1);
        withValue.m_arrValues[0].SetUInt32(0);
        withValue.m_arrValues[0].valid = TRUE;
        CResultItem missing = MakeRecord("b.mp3", 1);
        missing.m_arrValues.resize(1);
        Feed(model, results, {std::move(withValue), std::move(missing), MakeRecord("c.txt", 1)});
        QCOMPARE(model.GetCellText(0, column), QString::fromStdString(FormatColumnValue(
                                                   results->GetAt(0).m_arrValues[0], *detail)));
        QVERIFY(!model.GetCellText(0, column).isEmpty());
        // Not delivered: an empty cell, not a zero; no value array at all: empty too.
        QCOMPARE(model.GetCellText(1, column), QString());
        QCOMPARE(model.GetCellText(2, column), QString());

        // A missing value sorts before a delivered one, folders before both.
        const int slot = model.GetColumnSlot(column);
        QVERIFY(CResultListModel::CompareRecords(results->GetAt(1), results->GetAt(0), *detail,
                                                 slot) < 0);
        QCOMPARE(
            CResultListModel::CompareRecords(results->GetAt(1), results->GetAt(2), *detail, slot),
            0);
        const CResultItem folder = MakeRecord("z", 0, RIF_FOLDER);
        QVERIFY(CResultListModel::CompareRecords(folder, results->GetAt(0), *detail, slot) < 0);
    }

    void everyColumnSortsInTheOrderOfCompareRecords() {
        // The sort takes each row's key once; its order must be exactly the
        // one the record comparison gives, folders first, for every column.
        const char* names[] = {"Zeta.txt", "alpha.doc", "Äpfel.txt", "beta", "ALPHA.doc",
                               "gamma.c",  "äpfel.TXT", "b",         "Beta"};
        std::vector<CResultItem> records;
        for (int i = 0; i < 300; ++i) {
            const std::uint64_t size =
                (i * 7919u) % 50 == 0 ? static_cast<std::uint64_t>(-1) : (i * 104729u) % 997;
            records.push_back(MakeRecord(names[i % 9], size, i % 5 == 0 ? RIF_FOLDER : 0,
                                         kSomeTime + (i * 31u) % 17));
            records.back().m_dwAttributes = (i * 13u) % 64;
        }
        CResultListModel model(nullptr);
        auto results = std::make_shared<CResultArray>();
        model.SetResults(results);
        CColumnInfoArray columns;
        GetStandardColumns(columns);
        model.SetVisibleColumns(columns);
        Feed(model, results, std::move(records));
        for (int column = 0; column < model.columnCount(); ++column) {
            model.SortRows(column, 0, model.rowCount() - 1);
            const COLUMNINFO info = Info(model.GetVisibleColumns()[column].nId);
            for (int row = 1; row < model.rowCount(); ++row)
                QVERIFY(CResultListModel::CompareRecords(*model.GetRecord(row - 1),
                                                         *model.GetRecord(row), info, -1) <= 0);
        }
    }

    void attributeCellsAndTheirSortReadTheBitsASearchLeftUnread() {
        const QTemporaryDir temporary;
        const std::string folder = temporary.path().toStdString();
        const std::string marked = folder + "/marked.doc";
        std::ofstream(marked) << "x";
        std::ofstream(folder + "/plain.doc") << "x";
        if (setxattr(marked.c_str(), "user.DOSATTRIB", "0x24", 4, 0) != 0)
            QSKIP("the temporary file system refuses user extended attributes");
        std::vector<CResultItem> records;
        for (const char* name : {"marked.doc", "plain.doc"}) {
            records.push_back(MakeRecord(name, 1));
            records.back().m_sFolder = folder;
            records.back().SetFullPidl(PidlPtr(ILAlloc(2)));
            records.back().m_dwAttributes = FILE_ATTRIBUTE_NORMAL;
            records.back().m_dwFlags |= RIF_DOS_UNREAD;
        }
        CResultListModel model(nullptr);
        CColumnInfoArray columns;
        GetStandardColumns(columns);
        model.SetVisibleColumns(columns);
        auto results = std::make_shared<CResultArray>();
        model.SetResults(results);
        Feed(model, results, std::move(records));

        const int attribute = model.FindVisibleColumn(COLUMN_ID_ATTRIBUTE);
        QCOMPARE(Column(model, attribute), QStringList({"AS", ""}));
        model.SortRows(attribute, 0, model.rowCount() - 1);
        QCOMPARE(Column(model, model.FindVisibleColumn(COLUMN_ID_NAME)),
                 QStringList({"plain.doc", "marked.doc"}));
        // Reading them changes no record: the search thread may read it too.
        QCOMPARE(results->GetAt(0).m_dwAttributes, FILE_ATTRIBUTE_NORMAL);

        // The cells read a file once; a tool that changed attributes has
        // them read again.
        QVERIFY(setxattr(marked.c_str(), "user.DOSATTRIB", "0x20", 4, 0) == 0);
        QCOMPARE(Column(model, attribute), QStringList({"", "AS"}));
        model.ForgetAttributes();
        QCOMPARE(Column(model, attribute), QStringList({"", "A"}));
        QCOMPARE(results->GetAt(0).m_dwAttributes, FILE_ATTRIBUTE_NORMAL);
    }

    void aLongSortKeepsTheLoopTurningWhileTheSearchsRowsWait() {
        CResultListModel model(nullptr);
        auto results = std::make_shared<CResultArray>();
        model.SetResults(results);
        std::vector<CResultItem> records;
        constexpr int kRows = 150000;
        for (int i = 0; i < kRows; ++i)
            records.push_back(MakeRecord(std::to_string((i * 7919) % kRows) + ".txt", 1));
        Feed(model, results, std::move(records));
        QCOMPARE(model.rowCount(), kRows);

        // A batch handed over while the rows are sorted joins after them.
        bool turned = false;
        QTimer::singleShot(0, [&] {
            turned = true;
            results->Append(MakeRecord("late.txt", 1));
            model.InsertRows(results, kRows, 1);
        });
        const int name = model.FindVisibleColumn(COLUMN_ID_NAME);
        model.SortRows(name, 0, model.rowCount() - 1);
        QVERIFY(turned);
        QCOMPARE(model.rowCount(), kRows + 1);
        const COLUMNINFO info = Info(COLUMN_ID_NAME);
        for (int row = 1; row < kRows; ++row)
            QVERIFY(CResultListModel::CompareRecords(*model.GetRecord(row - 1),
                                                     *model.GetRecord(row), info, -1) <= 0);
        QCOMPARE(model.GetCellText(kRows, name), QStringLiteral("late.txt"));
    }

    void namesCompareIgnoringCase() {
        const COLUMNINFO name = Info(COLUMN_ID_NAME);
        QCOMPARE(CResultListModel::CompareRecords(MakeRecord("ABC.txt", 0),
                                                  MakeRecord("abc.TXT", 0), name, -1),
                 0);
        QVERIFY(CResultListModel::CompareRecords(MakeRecord("Äpfel.txt", 0),
                                                 MakeRecord("äpfel.txz", 0), name, -1) < 0);
        QVERIFY(CResultListModel::CompareRecords(MakeRecord("ab", 0), MakeRecord("ABC", 0), name,
                                                 -1) < 0);
        // Sizes compare as signed numbers: an unknown size (-1) is smallest.
        const COLUMNINFO size = Info(COLUMN_ID_SIZE);
        QVERIFY(CResultListModel::CompareRecords(MakeRecord("a", static_cast<std::uint64_t>(-1)),
                                                 MakeRecord("b", 0), size, -1) < 0);
    }

    void typeAheadFindsNamesAndWraps() {
        CResultListModel model(nullptr);
        auto results = std::make_shared<CResultArray>();
        model.SetResults(results);
        Feed(model, results,
             {MakeRecord("beta.txt", 1), MakeRecord("Alpha.txt", 1), MakeRecord("b", 1),
              MakeRecord("ALPINE.txt", 1)});
        QCOMPARE(model.FindItem(0, "alp", true, false), 1);
        QCOMPARE(model.FindItem(2, "alp", true, false), 3);
        // Wrapping from the end back to the top; without it, none.
        QCOMPARE(model.FindItem(2, "bet", true, false), 0);
        QCOMPARE(model.FindItem(2, "bet", false, false), -1);
        // Names shorter than the text are passed over; upwards steps back.
        QCOMPARE(model.FindItem(3, "be", true, true), 0);
        QCOMPARE(model.FindItem(7, "a", true, false), -1);
    }
};

ZB_GUI_TEST(ResultListModelTest);
#include "ResultListModelTest.moc"
