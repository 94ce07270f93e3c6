#pragma once
// The advanced option sheet: the five option pages in one tabbed panel inside
// the main window. It applies a search's criteria to the pages and collects
// them back, loads and saves the pages in the registry and its own section of
// the data file, colours each tab caption by whether its page holds its
// defaults, and routes the keyboard between the panel and the main window.

#include <QColor>
#include <QSize>
#include <QWidget>

#include <array>

#include "app/engine/SearchData.h"
#include "platform/Archive.h"
#include "platform/Registry.h"
#include "platform/WinTypes.h"

class CAdvanceOptionTabCtrl;
class CDateOptionPage;
class CGeneralOptionPage;
class CIncludeStringPage;
class COptionPage;
class COwnerDrawTabCtrl;
class CSizeOptionPage;
class CTimeOptionPage;

class CAdvanceOptionSheet : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageCount = 5;
    // The page size the main window lays the panel out with, at 96 dpi.
    static constexpr int kPreferredWidth = 280;
    static constexpr int kPreferredHeight = 190;
    // Tab captions: black for a page with its defaults, blue for one without.
    static inline const QColor kDefaultCaptionColour{0, 0, 0};
    static inline const QColor kChangedCaptionColour{0, 0, 255};

    explicit CAdvanceOptionSheet(QWidget* parent = nullptr);

    // Each page takes or gives its part of the criteria.
    void SetData(const CSearchData& data);
    void GetData(CSearchData& data) const;
    // The pages read their controls in page order, stopping at the first failure.
    BOOL Validate();
    // Whether every page holds its defaults.
    BOOL IsDefault() const;
    // Resets every page and redraws the tab captions.
    void Reset();

    // Every page in page order, even after a failure; TRUE when all succeeded.
    BOOL LoadFromRegistry(CRegKey& key);
    BOOL SaveToRegistry(CRegKey& key);

    // Adds the include string to its history (each time a search starts).
    void AddIncludeStringToHistory();

    // The sheet's section of the data file: the active page's index as a
    // 32-bit word, then the include-string history. Reading makes the stored
    // page active; a failure is logged and gives FALSE.
    BOOL WriteDataFile(CArchive& ar) const;
    BOOL ReadDataFile(CArchive& ar);

    // 280 x 190 pixels, scaled by the screen's dots per inch above 96.
    QSize PreferredSize() const;
    static QSize PreferredSizeForDpi(int dpiX, int dpiY);
    // The size the main window gives the sheet: the preferred size, grown
    // until every tab caption and every page's controls have their room.
    QSize LayoutSize() const;

    int GetActiveIndex() const;
    void SetActivePage(int index);
    COptionPage* GetPage(int index) const { return m_pages[static_cast<std::size_t>(index)]; }
    CGeneralOptionPage* GeneralPage() const { return m_pGeneral; }
    CDateOptionPage* DatePage() const { return m_pDate; }
    CTimeOptionPage* TimePage() const { return m_pTime; }
    CSizeOptionPage* SizePage() const { return m_pSize; }
    CIncludeStringPage* IncludeStringPage() const { return m_pIncludeString; }
    COwnerDrawTabCtrl* TabControl() const;

    // The colour the caption of tab `index` is drawn in: black while its page
    // holds its defaults, blue otherwise.
    QColor TabCaptionColour(int index) const;

signals:
    // A page's default state may have changed (its index); the main window
    // recolours its "Advance" button.
    void pageChanged(int index);
    // Tab on the tab bar: the focus leaves the panel for the look-in field,
    // or for the "Advance" button when Shift is down.
    void tabOutRequested(bool shiftDown);
    // Enter was pressed inside the panel: the main window starts the search.
    void enterPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnPageChangeNotice(int index);
    void ShowActivePage();
    void LayoutPages();

    CGeneralOptionPage* m_pGeneral;
    CDateOptionPage* m_pDate;
    CTimeOptionPage* m_pTime;
    CSizeOptionPage* m_pSize;
    CIncludeStringPage* m_pIncludeString;
    std::array<COptionPage*, kPageCount> m_pages;
    CAdvanceOptionTabCtrl* m_pTabCtrl;
};
