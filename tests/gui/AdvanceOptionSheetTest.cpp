#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <mutex>
#include <string>
#include <vector>

#include "app/AdvanceOptionSheet.h"
#include "app/DateOptionPage.h"
#include "app/GeneralOptionPage.h"
#include "app/IncludeStringPage.h"
#include "app/SizeOptionPage.h"
#include "app/TimeOptionPage.h"
#include "gui/GuiTestRegistry.h"
#include "platform/Log.h"
#include "ui/MyPropertyPage1.h"
#include "ui/SmallControls.h"

namespace {

CSearchData NonDefaultCriteria() {
    CSearchData data;
    data.Reset();
    data.m_GeneralOptionData.m_bOnlyFiles = TRUE;
    data.m_GeneralOptionData.m_nSearchDepth = 3;
    data.m_DateOptionData.m_iDateOptionType = 1;
    data.m_DateOptionData.m_iPrevDate = 4;
    data.m_DateOptionData.m_tEarliestDate = CTime(2021, 6, 1, 0, 0, 0);
    data.m_DateOptionData.m_tLatestDate = CTime(2021, 6, 30, 23, 59, 59);
    data.m_TimeOptionData.m_iTimeOptionTypeIndex = 2;
    data.m_TimeOptionData.m_nPrevHour = 8;
    data.m_TimeOptionData.m_tEarliestTime = CTime(2021, 6, 1, 9, 0, 0);
    data.m_TimeOptionData.m_tLatestTime = CTime(2021, 6, 1, 17, 0, 0);
    data.m_SizeOptionData.m_iSizeOptionType = 1;
    data.m_SizeOptionData.m_nSize = 100;
    data.m_IncludeStringData.m_sIncludeStr = "needle";
    data.m_IncludeStringData.m_bMatchWholeWord = TRUE;
    return data;
}

class LogCapture {
public:
    LogCapture() {
        SetLogSink([this](COLORREF colour, const std::string& line) {
            std::lock_guard lock(m_mutex);
            m_lines.push_back({colour, line});
        });
    }
    ~LogCapture() { SetLogSink({}); }
    std::vector<std::pair<COLORREF, std::string>> Lines() {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<COLORREF, std::string>> m_lines;
};

// Whether the drawn tab `index` has a pixel of clearly the caption's blue.
bool TabHasBlueText(COwnerDrawTabCtrl* tabs, int index) {
    const QImage image = tabs->grab(tabs->tabRect(index)).toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 150 && c.red() < 90 && c.green() < 90)
                return true;
        }
    }
    return false;
}

}  // namespace

class AdvanceOptionSheetTest : public QObject {
    Q_OBJECT
private slots:
    void pagesInOrderWithTheirCaptions() {
        CAdvanceOptionSheet sheet;
        QCOMPARE(sheet.windowTitle(), QStringLiteral("Property Sheet"));
        const QStringList captions{"General", "Date", "Time", "Size", "Include String"};
        const int ids[] = {104, 105, 106, 107, 108};
        for (int index = 0; index < CAdvanceOptionSheet::kPageCount; ++index) {
            QCOMPARE(sheet.TabControl()->tabText(index), captions[index]);
            QCOMPARE(sheet.GetPage(index)->PageIndex(), index);
            QCOMPARE(sheet.GetPage(index)->DialogId(), ids[index]);
        }
        QCOMPARE(sheet.GetActiveIndex(), 0);
        CMyPropertyPage1 blank;
        QCOMPARE(blank.DialogId(), 116);
        QCOMPARE(blank.Caption(), QStringLiteral("My Page"));
    }

    void dataGoesToThePagesAndBack() {
        CAdvanceOptionSheet sheet;
        const CSearchData criteria = NonDefaultCriteria();
        sheet.SetData(criteria);
        QVERIFY(sheet.Validate());
        CSearchData back;
        back.Reset();
        back.m_MainData.m_sFindString = "*.txt";
        sheet.GetData(back);
        QCOMPARE(back.m_GeneralOptionData, criteria.m_GeneralOptionData);
        QCOMPARE(back.m_DateOptionData, criteria.m_DateOptionData);
        QCOMPARE(back.m_TimeOptionData, criteria.m_TimeOptionData);
        QCOMPARE(back.m_SizeOptionData, criteria.m_SizeOptionData);
        QCOMPARE(back.m_IncludeStringData, criteria.m_IncludeStringData);
        // The main part is not the sheet's.
        QCOMPARE(back.m_MainData.m_sFindString, std::string("*.txt"));
    }

    void resetMakesEveryCaptionBlack() {
        CAdvanceOptionSheet sheet;
        sheet.SetData(NonDefaultCriteria());
        QVERIFY(!sheet.IsDefault());
        for (int index = 0; index < CAdvanceOptionSheet::kPageCount; ++index)
            QCOMPARE(sheet.TabCaptionColour(index), QColor(0, 0, 255));
        sheet.Reset();
        QVERIFY(sheet.IsDefault());
        for (int index = 0; index < CAdvanceOptionSheet::kPageCount; ++index)
            QCOMPARE(sheet.TabCaptionColour(index), QColor(0, 0, 0));
    }

    void sizeAtLeastTurnsItsTabBlueAndBack() {
        CAdvanceOptionSheet sheet;
        sheet.resize(sheet.PreferredSize());
        QSignalSpy changes(&sheet, &CAdvanceOptionSheet::pageChanged);
        QComboBox* type = sheet.SizePage()->TypeCombo();
        type->setCurrentIndex(1);
        QCOMPARE(type->currentText(), QStringLiteral("At Least"));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0).at(0).toInt(), COptionPage::kSizePage);
        QCOMPARE(sheet.TabCaptionColour(COptionPage::kSizePage), QColor(0, 0, 255));
        QCOMPARE(sheet.TabCaptionColour(COptionPage::kGeneralPage), QColor(0, 0, 0));
        QVERIFY(!sheet.IsDefault());
        QVERIFY(TabHasBlueText(sheet.TabControl(), COptionPage::kSizePage));
        QVERIFY(!TabHasBlueText(sheet.TabControl(), COptionPage::kGeneralPage));
        type->setCurrentIndex(0);
        QCOMPARE(changes.count(), 2);
        QCOMPARE(sheet.TabCaptionColour(COptionPage::kSizePage), QColor(0, 0, 0));
        QVERIFY(!TabHasBlueText(sheet.TabControl(), COptionPage::kSizePage));
        QVERIFY(sheet.IsDefault());
    }

    void dataFileSectionRestoresTheActivePage() {
        CAdvanceOptionSheet sheet;
        sheet.IncludeStringPage()->TextCombo()->setEditText(QStringLiteral("first"));
        sheet.AddIncludeStringToHistory();
        sheet.SetActivePage(COptionPage::kTimePage);
        std::vector<std::uint8_t> bytes;
        CArchive out(bytes);
        QVERIFY(sheet.WriteDataFile(out));
        // The index word, the count, then the entry: length byte, text, score.
        QCOMPARE(bytes.size(), std::size_t{4 + 4 + 1 + 5 + 4});
        QCOMPARE(bytes[0], std::uint8_t{2});
        QCOMPARE(bytes[4], std::uint8_t{1});

        CAdvanceOptionSheet reader;
        CArchive in(bytes.data(), bytes.size());
        QVERIFY(reader.ReadDataFile(in));
        QCOMPARE(in.BytesLeft(), std::size_t{0});
        QCOMPARE(reader.GetActiveIndex(), COptionPage::kTimePage);
        QVERIFY(reader.TimePage()->isVisibleTo(&reader));
        QVERIFY(!reader.GeneralPage()->isVisibleTo(&reader));
        QCOMPARE(reader.IncludeStringPage()->TextCombo()->itemText(0), QStringLiteral("first"));
    }

    void dataFileSectionFailures() {
        for (std::int32_t count : {32768, -1}) {
            // A history count outside 0 to 32767 is refused.
            LogCapture log;
            std::vector<std::uint8_t> bytes;
            CArchive out(bytes);
            out << std::int32_t{1} << count;
            CAdvanceOptionSheet sheet;
            CArchive in(bytes.data(), bytes.size());
            QVERIFY(!sheet.ReadDataFile(in));
            QCOMPARE(sheet.GetActiveIndex(), 0);
            QCOMPARE(sheet.IncludeStringPage()->TextCombo()->count(), 0);
            const auto lines = log.Lines();
            QCOMPARE(lines.size(), std::size_t{1});
            QCOMPARE(lines[0].first, RGB(255, 0, 0));
            QVERIFY(lines[0].second.starts_with("Error in file: GeneralOptionPage line: "));
        }
        {
            // A section cut inside the index word.
            LogCapture log;
            const std::uint8_t bytes[] = {1, 0};
            CAdvanceOptionSheet sheet;
            CArchive in(bytes, sizeof bytes);
            QVERIFY(!sheet.ReadDataFile(in));
            const auto lines = log.Lines();
            QCOMPARE(lines.size(), std::size_t{1});
            QVERIFY(lines[0].second.starts_with("Error in file: AdvanceOptionSheet line: "));
        }
        {
            // A history cut inside its entries.
            std::vector<std::uint8_t> bytes;
            CArchive out(bytes);
            out << std::int32_t{0} << std::int32_t{3} << std::string("only one");
            LogCapture log;
            CAdvanceOptionSheet sheet;
            CArchive in(bytes.data(), bytes.size());
            QVERIFY(!sheet.ReadDataFile(in));
            QCOMPARE(sheet.IncludeStringPage()->TextCombo()->count(), 0);
            QCOMPARE(log.Lines().size(), std::size_t{1});
        }
        {
            // An index no page has keeps the current page; the rest is read.
            std::vector<std::uint8_t> bytes;
            CArchive out(bytes);
            out << std::int32_t{9} << std::int32_t{0};
            CAdvanceOptionSheet sheet;
            sheet.SetActivePage(COptionPage::kSizePage);
            CArchive in(bytes.data(), bytes.size());
            QVERIFY(sheet.ReadDataFile(in));
            QCOMPARE(sheet.GetActiveIndex(), COptionPage::kSizePage);
        }
    }

    void registryLoadAsksEveryPage() {
        CRegKey key;
        RegDeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\SheetTest");
        QCOMPARE(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\SheetTest"), ERROR_SUCCESS);
        CAdvanceOptionSheet sheet;
        sheet.SetData(NonDefaultCriteria());
        QVERIFY(sheet.SaveToRegistry(key));

        CAdvanceOptionSheet reader;
        QVERIFY(reader.LoadFromRegistry(key));
        CSearchData back;
        back.Reset();
        reader.GetData(back);
        const CSearchData criteria = NonDefaultCriteria();
        QCOMPARE(back.m_GeneralOptionData, criteria.m_GeneralOptionData);
        QCOMPARE(back.m_TimeOptionData, criteria.m_TimeOptionData);
        QCOMPARE(back.m_SizeOptionData, criteria.m_SizeOptionData);
        QCOMPARE(back.m_IncludeStringData, criteria.m_IncludeStringData);
        QCOMPARE(back.m_DateOptionData.m_iPrevDate, 4);
        QCOMPARE(reader.TabCaptionColour(COptionPage::kSizePage), QColor(0, 0, 255));

        // A page that fails does not stop the pages after it.
        QCOMPARE(RegDeleteValue(key.Handle(), "Date Option Type"), ERROR_SUCCESS);
        QCOMPARE(key.SetDWORD("Size", 555), ERROR_SUCCESS);
        CAdvanceOptionSheet partial;
        QVERIFY(!partial.LoadFromRegistry(key));
        CSearchData partialData;
        partialData.Reset();
        partial.GetData(partialData);
        QCOMPARE(partialData.m_SizeOptionData.m_nSize, 555);
        QCOMPARE(partialData.m_IncludeStringData.m_sIncludeStr, std::string("needle"));
    }

    void preferredSizeScalesAbove96Dpi() {
        QCOMPARE(CAdvanceOptionSheet::PreferredSizeForDpi(96, 96), QSize(280, 190));
        QCOMPARE(CAdvanceOptionSheet::PreferredSizeForDpi(72, 72), QSize(280, 190));
        QCOMPARE(CAdvanceOptionSheet::PreferredSizeForDpi(144, 120), QSize(420, 237));
        QCOMPARE(CAdvanceOptionSheet::PreferredSizeForDpi(120, 96), QSize(350, 190));
    }

    void layoutPlacesTheActivePageBelowTheTabs() {
        CAdvanceOptionSheet sheet;
        sheet.resize(400, 300);
        sheet.SetActivePage(COptionPage::kDatePage);
        const QRect tabs = sheet.TabControl()->geometry();
        const QRect page = sheet.DatePage()->geometry();
        QCOMPARE(page.top(), tabs.bottom() + 2);
        QCOMPARE(page.left(), 2);
        QCOMPARE(page.right(), 400 - 3);
        QCOMPARE(page.bottom(), 300 - 3);
        QVERIFY(!sheet.GeneralPage()->isVisibleTo(&sheet));
    }

    void keyboardRoutesToTheMainWindow() {
        CAdvanceOptionSheet sheet;
        sheet.resize(sheet.PreferredSize());
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QSignalSpy tabOut(&sheet, &CAdvanceOptionSheet::tabOutRequested);
        QSignalSpy enter(&sheet, &CAdvanceOptionSheet::enterPressed);
        QWidget* tabs = sheet.TabControl();
        tabs->setFocus();
        QCOMPARE(sheet.focusWidget(), tabs);

        QTest::keyClick(tabs, Qt::Key_Tab);
        QCOMPARE(tabOut.count(), 1);
        QCOMPARE(tabOut.at(0).at(0).toBool(), false);
        QCOMPARE(sheet.focusWidget(), tabs);
        QTest::keyClick(tabs, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(tabOut.count(), 2);
        QCOMPARE(tabOut.at(1).at(0).toBool(), true);
        QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabOut.count(), 2);

        QTest::keyClick(tabs, Qt::Key_Down);
        QWidget* focused = sheet.focusWidget();
        QVERIFY(focused != tabs);
        QVERIFY(sheet.GeneralPage()->isAncestorOf(focused));

        QTest::keyClick(focused, Qt::Key_Return);
        QCOMPARE(enter.count(), 1);
        QCOMPARE(tabOut.count(), 2);
    }
};

ZB_GUI_TEST(AdvanceOptionSheetTest);
#include "AdvanceOptionSheetTest.moc"
