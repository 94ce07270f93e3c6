#include "app/AdvanceOptionSheet.h"

#include <QKeyEvent>

#include "app/DateOptionPage.h"
#include "app/GeneralOptionPage.h"
#include "app/IncludeStringPage.h"
#include "app/SizeOptionPage.h"
#include "app/TimeOptionPage.h"
#include "platform/Log.h"
#include "ui/ResourceText.h"
#include "ui/SmallControls.h"

// The sheet's tab bar: each caption in the colour the sheet gives for its page.
class CAdvanceOptionTabCtrl : public COwnerDrawTabCtrl {
public:
    CAdvanceOptionTabCtrl(const CAdvanceOptionSheet& sheet, QWidget* parent)
        : COwnerDrawTabCtrl(parent), m_sheet(sheet) {}

    QColor CaptionColour(int index) const override { return m_sheet.TabCaptionColour(index); }

private:
    const CAdvanceOptionSheet& m_sheet;
};

CAdvanceOptionSheet::CAdvanceOptionSheet(QWidget* parent)
    : QWidget(parent),
      m_pGeneral(new CGeneralOptionPage(this)),
      m_pDate(new CDateOptionPage(this)),
      m_pTime(new CTimeOptionPage(this)),
      m_pSize(new CSizeOptionPage(this)),
      m_pIncludeString(new CIncludeStringPage(this)),
      m_pages{m_pGeneral, m_pDate, m_pTime, m_pSize, m_pIncludeString},
      m_pTabCtrl(new CAdvanceOptionTabCtrl(*this, this)) {
    setWindowTitle(ResourceText(IDS_PROPERTY_SHEET));
    m_pTabCtrl->setObjectName(QStringLiteral("AdvanceOptionTabs"));
    m_pTabCtrl->setFocusPolicy(Qt::TabFocus);
    m_pTabCtrl->setDrawBase(false);
    // Every caption is shown whole: the sheet grows instead.
    m_pTabCtrl->setUsesScrollButtons(false);
    m_pTabCtrl->setElideMode(Qt::ElideNone);
    for (COptionPage* page : m_pages) {
        m_pTabCtrl->addTab(page->Caption());
        connect(page, &COptionPage::changeNotice, this, &CAdvanceOptionSheet::OnPageChangeNotice);
    }
    connect(m_pTabCtrl, &QTabBar::currentChanged, this, &CAdvanceOptionSheet::ShowActivePage);
    // The keyboard rules apply to every control of the panel.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    ShowActivePage();
}

COwnerDrawTabCtrl* CAdvanceOptionSheet::TabControl() const {
    return m_pTabCtrl;
}

void CAdvanceOptionSheet::SetData(const CSearchData& data) {
    m_pGeneral->SetData(data.m_GeneralOptionData);
    m_pDate->SetData(data.m_DateOptionData);
    m_pTime->SetData(data.m_TimeOptionData);
    m_pSize->SetData(data.m_SizeOptionData);
    m_pIncludeString->SetData(data.m_IncludeStringData);
    m_pTabCtrl->update();
}

void CAdvanceOptionSheet::GetData(CSearchData& data) const {
    m_pGeneral->GetData(data.m_GeneralOptionData);
    m_pDate->GetData(data.m_DateOptionData);
    m_pTime->GetData(data.m_TimeOptionData);
    m_pSize->GetData(data.m_SizeOptionData);
    m_pIncludeString->GetData(data.m_IncludeStringData);
}

BOOL CAdvanceOptionSheet::Validate() {
    for (COptionPage* page : m_pages) {
        if (!page->Validate())
            return FALSE;
    }
    return TRUE;
}

BOOL CAdvanceOptionSheet::IsDefault() const {
    for (const COptionPage* page : m_pages) {
        if (!page->IsDefault())
            return FALSE;
    }
    return TRUE;
}

void CAdvanceOptionSheet::Reset() {
    for (COptionPage* page : m_pages)
        page->Reset();
    m_pTabCtrl->update();
}

BOOL CAdvanceOptionSheet::LoadFromRegistry(CRegKey& key) {
    BOOL ok = TRUE;
    for (COptionPage* page : m_pages) {
        if (!page->LoadFromRegistry(key))
            ok = FALSE;
    }
    m_pTabCtrl->update();
    return ok;
}

BOOL CAdvanceOptionSheet::SaveToRegistry(CRegKey& key) {
    BOOL ok = TRUE;
    for (COptionPage* page : m_pages) {
        if (!page->SaveToRegistry(key))
            ok = FALSE;
    }
    return ok;
}

void CAdvanceOptionSheet::AddIncludeStringToHistory() {
    m_pIncludeString->AddIncludeStringToHistory();
}

BOOL CAdvanceOptionSheet::WriteDataFile(CArchive& ar) const {
    ar << static_cast<std::int32_t>(GetActiveIndex());
    m_pIncludeString->WriteHistory(ar);
    return TRUE;
}

BOOL CAdvanceOptionSheet::ReadDataFile(CArchive& ar) {
    std::int32_t index = 0;
    try {
        ar >> index;
    } catch (const CArchiveException&) {
        LogErrorLocation("AdvanceOptionSheet", __LINE__);
        return FALSE;
    }
    // The history logs its own failure.
    if (!m_pIncludeString->ReadHistory(ar))
        return FALSE;
    // An index no page has leaves the active page as it is.
    if (index >= 0 && index < kPageCount)
        SetActivePage(index);
    return TRUE;
}

QSize CAdvanceOptionSheet::PreferredSize() const {
    return PreferredSizeForDpi(logicalDpiX(), logicalDpiY());
}

QSize CAdvanceOptionSheet::PreferredSizeForDpi(int dpiX, int dpiY) {
    constexpr int kBaseDpi = 96;
    const int width = dpiX > kBaseDpi ? kPreferredWidth * dpiX / kBaseDpi : kPreferredWidth;
    const int height = dpiY > kBaseDpi ? kPreferredHeight * dpiY / kBaseDpi : kPreferredHeight;
    return QSize(width, height);
}

QSize CAdvanceOptionSheet::LayoutSize() const {
    // The pages sit 2 pixels in from the sides and the bottom and one pixel
    // below the tabs (LayoutPages).
    QSize pages;
    for (const COptionPage* page : m_pages)
        pages = pages.expandedTo(page->minimumSizeHint());
    const QSize tabs = m_pTabCtrl->sizeHint();
    const QSize content(std::max(tabs.width(), pages.width() + 4),
                        tabs.height() + 1 + pages.height() + 2);
    return PreferredSize().expandedTo(content);
}

int CAdvanceOptionSheet::GetActiveIndex() const {
    return m_pTabCtrl->currentIndex();
}

void CAdvanceOptionSheet::SetActivePage(int index) {
    m_pTabCtrl->setCurrentIndex(index);
}

QColor CAdvanceOptionSheet::TabCaptionColour(int index) const {
    return GetPage(index)->IsDefault() ? kDefaultCaptionColour : kChangedCaptionColour;
}

void CAdvanceOptionSheet::OnPageChangeNotice(int index) {
    m_pTabCtrl->update(m_pTabCtrl->tabRect(index));
    emit pageChanged(index);
}

void CAdvanceOptionSheet::ShowActivePage() {
    const int active = GetActiveIndex();
    for (int index = 0; index < kPageCount; ++index)
        GetPage(index)->setVisible(index == active);
    LayoutPages();
}

void CAdvanceOptionSheet::LayoutPages() {
    // The tab bar runs along the top; the active page fills the rest, 2
    // pixels in from the sides and one pixel below the tabs.
    const int tabHeight = m_pTabCtrl->sizeHint().height();
    m_pTabCtrl->setGeometry(0, 0, width(), tabHeight);
    const QRect pageRect = rect().adjusted(2, tabHeight + 1, -2, -2);
    GetPage(GetActiveIndex())->setGeometry(pageRect);
}

void CAdvanceOptionSheet::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutPages();
}

bool CAdvanceOptionSheet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    // A key is handled once, where it first arrives: at the focused control
    // of the panel's own window (not in popups, nor again as it travels up
    // to the parents).
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window() || widget != window()->focusWidget())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool onTabs = widget == m_pTabCtrl;
    switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (onTabs && !(key->modifiers() & Qt::ControlModifier)) {
                emit tabOutRequested((key->modifiers() & Qt::ShiftModifier) ||
                                     key->key() == Qt::Key_Backtab);
                return true;
            }
            return false;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit enterPressed();
            return false;
        case Qt::Key_Down:
            if (onTabs) {
                if (QWidget* target = GetPage(GetActiveIndex())->FirstFocusableControl())
                    target->setFocus(Qt::TabFocusReason);
                return true;
            }
            return false;
        default:
            return false;
    }
}
