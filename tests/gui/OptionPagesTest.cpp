#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <string>
#include <vector>

#include "app/DateOptionPage.h"
#include "app/GeneralOptionPage.h"
#include "app/IncludeStringPage.h"
#include "app/SizeOptionPage.h"
#include "app/TimeOptionPage.h"
#include "gui/GuiTestRegistry.h"

namespace {

// A registry key of its own for each test, under the test's temporary home.
CRegKey OpenTestKey(const char* name) {
    CRegKey key;
    RegDeleteTree(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\PagesTest\\") + name);
    if (key.Create(HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\PagesTest\\") + name) !=
        ERROR_SUCCESS)
        qFatal("cannot create the test key");
    return key;
}

// Every stored value must be present: removing any one of them fails the load.
template <class Page>
void CheckEveryValueRequired(Page& page, const std::vector<const char*>& names) {
    for (const char* name : names) {
        CRegKey key = OpenTestKey("Required");
        QVERIFY(page.SaveToRegistry(key));
        Page reader;
        QVERIFY(reader.LoadFromRegistry(key));
        QCOMPARE(RegDeleteValue(key.Handle(), name), ERROR_SUCCESS);
        QVERIFY2(!reader.LoadFromRegistry(key), name);
    }
}

}  // namespace

class OptionPagesTest : public QObject {
    Q_OBJECT
private slots:
    void generalLastResultAndAppendExcludeEachOther() {
        CGeneralOptionPage page;
        QSignalSpy notices(&page, &COptionPage::changeNotice);
        QCheckBox* last = page.CheckBox(CGeneralOptionPage::IDC_SEARCH_IN_LAST_RESULT);
        QCheckBox* append = page.CheckBox(CGeneralOptionPage::IDC_APPEND_RESULT);
        append->click();
        QVERIFY(append->isChecked());
        last->click();
        QVERIFY(last->isChecked());
        QVERIFY(!append->isChecked());
        CGeneralOptionData data;
        page.GetData(data);
        QCOMPARE(data.m_bSearchInLastResult, TRUE);
        QCOMPARE(data.m_bAppendResultToLastSearch, FALSE);
        append->click();
        QVERIFY(!last->isChecked());
        page.GetData(data);
        QCOMPARE(data.m_bSearchInLastResult, FALSE);
        QCOMPARE(data.m_bAppendResultToLastSearch, TRUE);
        QCOMPARE(notices.count(), 3);
        QCOMPARE(notices.at(0).at(0).toInt(), COptionPage::kGeneralPage);
        QVERIFY(!page.IsDefault());
    }

    void generalDepthOfZeroOrLessBecomesOne() {
        CGeneralOptionPage page;
        CSpinEdit* depth = page.DepthEdit();
        QCOMPARE(depth->SpinLower(), 1);
        QCOMPARE(depth->SpinUpper(), 2147483);
        page.CheckBox(CGeneralOptionPage::IDC_LIMIT_SEARCH_DEPTH)->click();
        depth->selectAll();
        QTest::keyClicks(depth, QStringLiteral("0"));
        QCOMPARE(depth->value(), 0);
        QVERIFY(page.Validate());
        CGeneralOptionData data;
        page.GetData(data);
        QCOMPARE(data.m_nSearchDepth, 1);
        depth->setValue(-7);
        page.Validate();
        page.GetData(data);
        QCOMPARE(data.m_nSearchDepth, 1);
        depth->setValue(12);
        page.Validate();
        page.GetData(data);
        QCOMPARE(data.m_nSearchDepth, 12);
    }

    void generalLimitDepthEnablesTheDepthAndResetKeepsIt() {
        CGeneralOptionPage page;
        QVERIFY(!page.DepthEdit()->isEnabled());
        page.CheckBox(CGeneralOptionPage::IDC_LIMIT_SEARCH_DEPTH)->click();
        QVERIFY(page.DepthEdit()->isEnabled());
        page.DepthEdit()->setValue(9);
        page.Validate();
        QVERIFY(!page.IsDefault());
        page.Reset();
        QVERIFY(page.IsDefault());
        QVERIFY(!page.DepthEdit()->isEnabled());
        CGeneralOptionData data;
        page.GetData(data);
        QCOMPARE(data.m_nSearchDepth, 9);
        QCOMPARE(data.m_bLimitDepth, FALSE);
    }

    void generalDefaultStateIgnoresDepthAndCarriesFileDetail() {
        CGeneralOptionPage page;
        QVERIFY(page.IsDefault());
        CGeneralOptionData data;
        data.m_nSearchDepth = 77;
        page.SetData(data);
        QVERIFY(page.IsDefault());
        data.m_bGetFileDetail = TRUE;
        page.SetData(data);
        QVERIFY(!page.IsDefault());
        page.Validate();
        CGeneralOptionData back;
        page.GetData(back);
        QCOMPARE(back.m_bGetFileDetail, TRUE);
        for (BOOL CGeneralOptionData::*field : {&CGeneralOptionData::m_bSearhInCompressedFiles,
                                                &CGeneralOptionData::m_bIncludeSubFolder}) {
            CGeneralOptionData off;
            off.*field = FALSE;
            page.SetData(off);
            QVERIFY(!page.IsDefault());
        }
        for (BOOL CGeneralOptionData::*field :
             {&CGeneralOptionData::m_bSearchInLastResult, &CGeneralOptionData::m_bCaseSensitive,
              &CGeneralOptionData::m_bAppendResultToLastSearch, &CGeneralOptionData::m_bOnlyFiles,
              &CGeneralOptionData::m_bLimitDepth}) {
            CGeneralOptionData on;
            on.*field = TRUE;
            page.SetData(on);
            QVERIFY(!page.IsDefault());
        }
    }

    void dateTypeZeroDisablesEveryDateControl() {
        CDateOptionPage page;
        QCOMPARE(page.Combo(CDateOptionPage::IDC_DATE_TYPE)->currentIndex(), 0);
        for (int id : {CDateOptionPage::IDC_MODE_PREV, CDateOptionPage::IDC_MODE_BETWEEN,
                       CDateOptionPage::IDC_MODE_BETWEEN_WEEK, CDateOptionPage::IDC_PREV_DATE,
                       CDateOptionPage::IDC_PREV_DATE_SPIN, CDateOptionPage::IDC_PREV_DATE_TYPE,
                       CDateOptionPage::IDC_EARLIEST_DATE, CDateOptionPage::IDC_LATEST_DATE,
                       CDateOptionPage::IDC_EARLIEST_WEEKDAY, CDateOptionPage::IDC_LATEST_WEEKDAY})
            QVERIFY2(!page.GetDlgItem(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(page.GetDlgItem(CDateOptionPage::IDC_DATE_TYPE)->isEnabled());
    }

    void dateCreateFileBetweenWeekEnablesOnlyTheWeekdays() {
        CDateOptionPage page;
        QSignalSpy notices(&page, &COptionPage::changeNotice);
        page.Combo(CDateOptionPage::IDC_DATE_TYPE)->setCurrentIndex(2);  // "Create File"
        QCOMPARE(page.Combo(CDateOptionPage::IDC_DATE_TYPE)->currentText(),
                 QStringLiteral("Create File"));
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.at(0).at(0).toInt(), COptionPage::kDatePage);
        QVERIFY(!page.IsDefault());
        page.Radio(CDateOptionPage::IDC_MODE_BETWEEN_WEEK)->click();
        for (int id : {CDateOptionPage::IDC_MODE_PREV, CDateOptionPage::IDC_MODE_BETWEEN,
                       CDateOptionPage::IDC_MODE_BETWEEN_WEEK,
                       CDateOptionPage::IDC_EARLIEST_WEEKDAY, CDateOptionPage::IDC_LATEST_WEEKDAY})
            QVERIFY(page.GetDlgItem(id)->isEnabled());
        for (int id : {CDateOptionPage::IDC_PREV_DATE, CDateOptionPage::IDC_PREV_DATE_TYPE,
                       CDateOptionPage::IDC_EARLIEST_DATE, CDateOptionPage::IDC_LATEST_DATE})
            QVERIFY(!page.GetDlgItem(id)->isEnabled());
        page.Radio(CDateOptionPage::IDC_MODE_BETWEEN)->click();
        QVERIFY(page.GetDlgItem(CDateOptionPage::IDC_EARLIEST_DATE)->isEnabled());
        QVERIFY(!page.GetDlgItem(CDateOptionPage::IDC_EARLIEST_WEEKDAY)->isEnabled());
        page.Validate();
        CDateOptionData data;
        page.GetData(data);
        QCOMPARE(data.m_iDateOptionType, 2);
        QCOMPARE(data.m_iDateOptionMode, 1);
    }

    void dateSetDataNormalisesTheDays() {
        CDateOptionPage page;
        CDateOptionData data;
        data.m_iDateOptionType = 3;
        data.m_iDateOptionMode = 1;
        data.m_tEarliestDate = CTime(2024, 3, 5, 14, 30, 0);
        data.m_tLatestDate = CTime(2024, 3, 9, 8, 15, 0);
        page.SetData(data);
        CDateOptionData held;
        page.GetData(held);
        QCOMPARE(held.m_tEarliestDate.GetTime(), CTime(2024, 3, 5, 0, 0, 0).GetTime());
        QCOMPARE(held.m_tLatestDate.GetTime(), CTime(2024, 3, 9, 23, 59, 59).GetTime());
        QCOMPARE(page.DatePicker(CDateOptionPage::IDC_EARLIEST_DATE)->date(), QDate(2024, 3, 5));
        // Reading the pickers keeps whole days.
        page.DatePicker(CDateOptionPage::IDC_LATEST_DATE)->setDate(QDate(2024, 4, 1));
        page.Validate();
        page.GetData(held);
        QCOMPARE(held.m_tLatestDate.GetTime(), CTime(2024, 4, 1, 23, 59, 59).GetTime());
        QCOMPARE(held.m_tEarliestDate.GetTime(), CTime(2024, 3, 5, 0, 0, 0).GetTime());
    }

    void dateListsRangesAndFormats() {
        CDateOptionPage page;
        for (int id :
             {CDateOptionPage::IDC_EARLIEST_WEEKDAY, CDateOptionPage::IDC_LATEST_WEEKDAY}) {
            QComboBox* weekdays = page.Combo(id);
            QCOMPARE(weekdays->count(), 7);
            QCOMPARE(weekdays->itemText(0), QLocale().dayName(7));
            QCOMPARE(weekdays->itemText(1), QLocale().dayName(1));
            QCOMPARE(weekdays->itemText(6), QLocale().dayName(6));
        }
        QComboBox* unit = page.Combo(CDateOptionPage::IDC_PREV_DATE_TYPE);
        QCOMPARE(unit->count(), 4);
        QCOMPARE(unit->itemText(3), QStringLiteral("years"));
        QCOMPARE(page.Combo(CDateOptionPage::IDC_DATE_TYPE)->itemText(1),
                 QStringLiteral("Last Acess File"));
        QCOMPARE(page.PrevDateEdit()->SpinLower(), 0);
        QCOMPARE(page.PrevDateEdit()->SpinUpper(), 0x7FFFFFFE);
        QCOMPARE(page.DatePicker(CDateOptionPage::IDC_LATEST_DATE)->displayFormat(),
                 CDateOptionPage::DatePickerFormat(QLocale()));
        QCOMPARE(CDateOptionPage::DatePickerFormat(QLocale(QLocale::German, QLocale::Germany)),
                 QStringLiteral("dddd,dd-MMM-yyyy"));
        QCOMPARE(
            CDateOptionPage::DatePickerFormat(QLocale(QLocale::English, QLocale::UnitedStates)),
            QStringLiteral("dddd,MMM-dd-yyyy"));
        QCOMPARE(CDateOptionPage::DatePickerFormat(QLocale(QLocale::Japanese, QLocale::Japan)),
                 QStringLiteral("dddd,yyyy-MMM-dd"));
    }

    void timeEnablingFollowsTypeAndMode() {
        CTimeOptionPage page;
        QCOMPARE(page.PrevHourEdit()->SpinUpper(), 0x7FFFFFFE);
        for (int id : {CTimeOptionPage::IDC_MODE_PREV, CTimeOptionPage::IDC_MODE_BETWEEN,
                       CTimeOptionPage::IDC_PREV_HOUR, CTimeOptionPage::IDC_EARLIEST_TIME,
                       CTimeOptionPage::IDC_LATEST_TIME})
            QVERIFY(!page.GetDlgItem(id)->isEnabled());
        QSignalSpy notices(&page, &COptionPage::changeNotice);
        page.TypeCombo()->setCurrentIndex(1);
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.at(0).at(0).toInt(), COptionPage::kTimePage);
        QVERIFY(page.Radio(CTimeOptionPage::IDC_MODE_PREV)->isChecked());
        QVERIFY(page.PrevHourEdit()->isEnabled());
        QVERIFY(!page.GetDlgItem(CTimeOptionPage::IDC_EARLIEST_TIME)->isEnabled());
        page.Radio(CTimeOptionPage::IDC_MODE_BETWEEN)->click();
        QVERIFY(!page.PrevHourEdit()->isEnabled());
        QVERIFY(page.GetDlgItem(CTimeOptionPage::IDC_EARLIEST_TIME)->isEnabled());
        QVERIFY(page.GetDlgItem(CTimeOptionPage::IDC_LATEST_TIME)->isEnabled());
        QVERIFY(!page.IsDefault());
    }

    void timeKeepsTheTimesItIsGiven() {
        CTimeOptionPage page;
        CTimeOptionData data;
        data.m_iTimeOptionTypeIndex = 2;
        data.m_iTimeRangeModeIndex = 1;
        data.m_tEarliestTime = CTime(2023, 11, 2, 6, 5, 4);
        data.m_tLatestTime = CTime(2023, 11, 2, 18, 30, 0);
        page.SetData(data);
        page.Validate();
        CTimeOptionData back;
        page.GetData(back);
        QCOMPARE(back.m_tEarliestTime.GetTime(), data.m_tEarliestTime.GetTime());
        QCOMPARE(back.m_tLatestTime.GetTime(), data.m_tLatestTime.GetTime());
        QCOMPARE(back.m_iTimeRangeModeIndex, 1);
    }

    void timeIsStoredAsALocalSystemTime() {
        const CTime time(2024, 7, 1, 13, 45, 30);
        const std::vector<BYTE> bytes = CTimeOptionPage::ToLocalSystemTimeBytes(time);
        QCOMPARE(bytes.size(), std::size_t{16});
        const auto word = [&bytes](int i) { return bytes[2 * i] | bytes[2 * i + 1] << 8; };
        QCOMPARE(word(0), 2024);
        QCOMPARE(word(1), 7);
        QCOMPARE(word(2), time.GetDayOfWeek() - 1);
        QCOMPARE(word(3), 1);
        QCOMPARE(word(4), 13);
        QCOMPARE(word(5), 45);
        QCOMPARE(word(6), 30);
        QCOMPARE(word(7), 0);
        QCOMPARE(CTimeOptionPage::FromLocalSystemTimeBytes(bytes)->GetTime(), time.GetTime());
        std::vector<BYTE> badMonth = bytes;
        badMonth[2] = 13;
        QVERIFY(!CTimeOptionPage::FromLocalSystemTimeBytes(badMonth));
        QVERIFY(!CTimeOptionPage::FromLocalSystemTimeBytes(std::vector<BYTE>(15)));
        QVERIFY(!CTimeOptionPage::FromLocalSystemTimeBytes(std::vector<BYTE>(16)));
    }

    void sizeEnablingAndNotice() {
        CSizeOptionPage page;
        QCOMPARE(page.SizeEdit()->SpinLower(), 0);
        QCOMPARE(page.SizeEdit()->SpinUpper(), 2147483);
        QVERIFY(!page.SizeEdit()->isEnabled());
        QSignalSpy notices(&page, &COptionPage::changeNotice);
        page.TypeCombo()->setCurrentIndex(2);
        QCOMPARE(page.TypeCombo()->currentText(), QStringLiteral("At Most"));
        QVERIFY(page.SizeEdit()->isEnabled());
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.at(0).at(0).toInt(), COptionPage::kSizePage);
        QVERIFY(!page.IsDefault());
        // A refresh is no selection: no notice.
        page.SetData(CSizeOptionData{});
        QCOMPARE(notices.count(), 1);
        QVERIFY(page.IsDefault());
        QVERIFY(!page.SizeEdit()->isEnabled());
    }

    void includeNoticeOnlyBetweenEmptyAndNotEmpty() {
        CIncludeStringPage page;
        QSignalSpy notices(&page, &COptionPage::changeNotice);
        QLineEdit* edit = page.TextCombo()->lineEdit();
        QCOMPARE(edit->maxLength(), 1024);
        QTest::keyClicks(edit, QStringLiteral("a"));
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.at(0).at(0).toInt(), COptionPage::kIncludeStringPage);
        QVERIFY(!page.IsDefault());
        QTest::keyClicks(edit, QStringLiteral("bc"));
        QCOMPARE(notices.count(), 1);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(notices.count(), 1);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(notices.count(), 2);
        QVERIFY(page.IsDefault());
    }

    void includeWizardResultTurnsOnRegularExpression() {
        CIncludeStringPage page;
        QSignalSpy notices(&page, &COptionPage::changeNotice);
        page.ApplyWizardString(QStringLiteral("!{\\x02\\x01}"));
        QCOMPARE(notices.count(), 1);
        CIncludeStringData data;
        page.GetData(data);
        QCOMPARE(data.m_sIncludeStr, std::string("!{\\x02\\x01}"));
        QCOMPARE(data.m_bRegularExpression, TRUE);
        QVERIFY(page.CheckBox(CIncludeStringPage::IDC_REGULAR_EXPRESSION)->isChecked());
    }

    void includeHistoryIsScoredAndStored() {
        CIncludeStringPage page;
        page.TextCombo()->setEditText(QStringLiteral("  alpha "));
        page.AddIncludeStringToHistory();
        page.TextCombo()->setEditText(QStringLiteral("beta"));
        page.AddIncludeStringToHistory();
        page.TextCombo()->setEditText(QStringLiteral("ALPHA"));
        page.AddIncludeStringToHistory();
        QCOMPARE(page.TextCombo()->count(), 2);
        QCOMPARE(page.TextCombo()->itemText(0), QStringLiteral("alpha"));
        QCOMPARE(page.TextCombo()->itemData(0).toInt(), 1000000 - 2 + 100);
        QCOMPARE(page.TextCombo()->itemData(1).toInt(), 1000000 - 1);
        QCOMPARE(page.TextCombo()->currentText(), QStringLiteral("ALPHA"));

        std::vector<std::uint8_t> bytes;
        CArchive out(bytes);
        page.WriteHistory(out);
        CIncludeStringPage reader;
        CArchive in(bytes.data(), bytes.size());
        QVERIFY(reader.ReadHistory(in));
        QCOMPARE(in.BytesLeft(), std::size_t{0});
        QVERIFY(reader.History().GetItems() == page.History().GetItems());
        QCOMPARE(reader.TextCombo()->itemData(1).toInt(), 1000000 - 1);
    }

    void resetMakesEveryPageDefault() {
        CGeneralOptionPage general;
        CDateOptionPage date;
        CTimeOptionPage time;
        CSizeOptionPage size;
        CIncludeStringPage include;
        CDateOptionData dateData;
        dateData.m_iDateOptionType = 1;
        dateData.m_iPrevDate = 5;
        date.SetData(dateData);
        CTimeOptionData timeData;
        timeData.m_iTimeOptionTypeIndex = 3;
        time.SetData(timeData);
        CSizeOptionData sizeData;
        sizeData.m_iSizeOptionType = 1;
        size.SetData(sizeData);
        CIncludeStringData includeData;
        includeData.m_sIncludeStr = "text";
        include.SetData(includeData);
        general.CheckBox(CGeneralOptionPage::IDC_MATCH_CASE)->click();
        const std::initializer_list<COptionPage*> pages{&general, &date, &time, &size, &include};
        for (COptionPage* page : pages) {
            QVERIFY(!page->IsDefault());
            page->Reset();
            QVERIFY(page->IsDefault());
        }
        // Construction starts the counts at 1; Reset sets them to 0.
        QCOMPARE(CDateOptionPage().PrevDateEdit()->value(), 1);
        QCOMPARE(CTimeOptionPage().PrevHourEdit()->value(), 1);
        QCOMPARE(date.PrevDateEdit()->value(), 0);
        QCOMPARE(time.PrevHourEdit()->value(), 0);
        QVERIFY(include.TextCombo()->currentText().isEmpty());
    }

    void registryRoundTripOfEveryPageValue() {
        CRegKey key = OpenTestKey("RoundTrip");

        CGeneralOptionPage general;
        CGeneralOptionData g;
        g.m_bSearhInCompressedFiles = FALSE;
        g.m_bCaseSensitive = TRUE;
        g.m_bIncludeSubFolder = FALSE;
        g.m_bGetFileDetail = TRUE;
        g.m_bAppendResultToLastSearch = TRUE;
        g.m_bOnlyFiles = TRUE;
        g.m_bLimitDepth = TRUE;
        g.m_nSearchDepth = 42;
        general.SetData(g);
        QVERIFY(general.SaveToRegistry(key));
        CGeneralOptionPage generalBack;
        QVERIFY(generalBack.LoadFromRegistry(key));
        CGeneralOptionData gBack;
        generalBack.GetData(gBack);
        QCOMPARE(gBack, g);
        QVERIFY(generalBack.DepthEdit()->isEnabled());
        DWORD stored = 0;
        QCOMPARE(key.QueryDWORD("Search Depth", stored), ERROR_SUCCESS);
        QCOMPARE(stored, DWORD{42});
        // "Search in last result" is not stored.
        QCOMPARE(key.QueryDWORD("Search in last result", stored), ERROR_FILE_NOT_FOUND);

        CDateOptionPage date;
        CDateOptionData d;
        d.m_iDateOptionType = 3;
        d.m_iDateOptionMode = 2;
        d.m_iPrevDate = 17;
        d.m_iPrevDateType = 2;
        d.m_iMinWeekIndex = 1;
        d.m_iMaxWeekIndex = 5;
        date.SetData(d);
        QVERIFY(date.SaveToRegistry(key));
        CDateOptionPage dateBack;
        QVERIFY(dateBack.LoadFromRegistry(key));
        CDateOptionData dBack;
        dateBack.GetData(dBack);
        QCOMPARE(dBack.m_iDateOptionType, 3);
        QCOMPARE(dBack.m_iDateOptionMode, 2);
        QCOMPARE(dBack.m_iPrevDate, 17);
        QCOMPARE(dBack.m_iPrevDateType, 2);
        QCOMPARE(dBack.m_iMinWeekIndex, 1);
        QCOMPARE(dBack.m_iMaxWeekIndex, 5);
        QVERIFY(dateBack.Radio(CDateOptionPage::IDC_MODE_BETWEEN_WEEK)->isChecked());
        QCOMPARE(dateBack.Combo(CDateOptionPage::IDC_LATEST_WEEKDAY)->currentIndex(), 5);

        CTimeOptionPage time;
        CTimeOptionData t;
        t.m_iTimeOptionTypeIndex = 1;
        t.m_iTimeRangeModeIndex = 1;
        t.m_nPrevHour = 36;
        t.m_tEarliestTime = CTime(2022, 1, 31, 7, 0, 1);
        t.m_tLatestTime = CTime(2022, 8, 15, 22, 10, 59);
        time.SetData(t);
        QVERIFY(time.SaveToRegistry(key));
        std::vector<BYTE> minTime;
        QCOMPARE(key.QueryBinary("Min Time", minTime), ERROR_SUCCESS);
        QCOMPARE(minTime.size(), std::size_t{16});
        CTimeOptionPage timeBack;
        QVERIFY(timeBack.LoadFromRegistry(key));
        CTimeOptionData tBack;
        timeBack.GetData(tBack);
        QCOMPARE(tBack, t);

        CSizeOptionPage size;
        CSizeOptionData s;
        s.m_iSizeOptionType = 2;
        s.m_nSize = 2048;
        size.SetData(s);
        QVERIFY(size.SaveToRegistry(key));
        CSizeOptionPage sizeBack;
        QVERIFY(sizeBack.LoadFromRegistry(key));
        CSizeOptionData sBack;
        sizeBack.GetData(sBack);
        QCOMPARE(sBack, s);
        QCOMPARE(sizeBack.SizeEdit()->value(), 2048);

        CIncludeStringPage include;
        CIncludeStringData i;
        i.m_sIncludeStr = "needle & \"hay\"";
        i.m_bMatchCase = TRUE;
        i.m_bMatchWholeWord = TRUE;
        i.m_bRegularExpression = TRUE;
        include.SetData(i);
        QVERIFY(include.SaveToRegistry(key));
        CIncludeStringPage includeBack;
        QVERIFY(includeBack.LoadFromRegistry(key));
        CIncludeStringData iBack;
        includeBack.GetData(iBack);
        QCOMPARE(iBack, i);
        QCOMPARE(includeBack.TextCombo()->currentText(), QStringLiteral("needle & \"hay\""));
    }

    void registryLoadFailsAtAnyMissingValue() {
        CGeneralOptionPage general;
        CheckEveryValueRequired(
            general, {"File Name Case Sensitive", "Search in Compressed Files", "Include Folders",
                      "Get File Detail Data", "Append Result To Last Search", "Limit Search Depth",
                      "Search Depth", "Only Search Files"});
        CDateOptionPage date;
        CheckEveryValueRequired(date, {"Date Option Type", "Date Option Mode", "Prev Date",
                                       "Prev Date Type", "MinWeek", "MaxWeek"});
        CTimeOptionPage time;
        CheckEveryValueRequired(
            time, {"Time Option Type", "Time Option Mode", "Prev Hour", "Min Time", "Max Time"});
        CSizeOptionPage size;
        CheckEveryValueRequired(size, {"Size Option Type", "Size"});
        CIncludeStringPage include;
        CheckEveryValueRequired(include, {"Match Whole Word Only", "Match Case",
                                          "Regular Expression", "Include String"});
    }

    void longIncludeStringsLoadWhole() {
        CRegKey key = OpenTestKey("Long");
        CIncludeStringPage include;
        CIncludeStringData i;
        i.m_sIncludeStr = std::string(600, 'x');
        include.SetData(i);
        QVERIFY(include.SaveToRegistry(key));
        CIncludeStringPage back;
        QVERIFY(back.LoadFromRegistry(key));
        CIncludeStringData iBack;
        back.GetData(iBack);
        QCOMPARE(iBack.m_sIncludeStr.size(), std::size_t{600});
    }
};

ZB_GUI_TEST(OptionPagesTest);
#include "OptionPagesTest.moc"
