#include "app/OptionPage.h"

#include <QDateTime>
#include <QGridLayout>
#include <QRadioButton>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

CSpinEdit::CSpinEdit(QWidget* parent) : QSpinBox(parent) {
    // The edit part takes every 32-bit number; only the arrows are bounded.
    setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

void CSpinEdit::SetSpinRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
}

void CSpinEdit::stepBy(int steps) {
    // Arrows move from where the typed value stands into the spin range.
    const long long target = static_cast<long long>(value()) + steps;
    setValue(static_cast<int>(std::clamp<long long>(target, m_lower, m_upper)));
    selectAll();
}

int CSpinEdit::RangeWidthSaving() const {
    const QFontMetrics metrics = fontMetrics();
    const auto widest = [&metrics, this](int low, int high) {
        return std::max(metrics.horizontalAdvance(textFromValue(low)),
                        metrics.horizontalAdvance(textFromValue(high)));
    };
    return std::max(0, widest(minimum(), maximum()) - widest(m_lower, m_upper));
}

QSize CSpinEdit::sizeHint() const {
    return QSpinBox::sizeHint() - QSize(RangeWidthSaving(), 0);
}

QSize CSpinEdit::minimumSizeHint() const {
    return QSpinBox::minimumSizeHint().boundedTo(sizeHint());
}

QAbstractSpinBox::StepEnabled CSpinEdit::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() < m_upper)
        enabled |= StepUpEnabled;
    if (value() > m_lower)
        enabled |= StepDownEnabled;
    return enabled;
}

CDatePicker::CDatePicker(QWidget* parent) : QDateEdit(parent) {}

int CDatePicker::ExtraWidth() const {
    const QFontMetrics metrics = fontMetrics();
    const int sized = std::max(metrics.horizontalAdvance(textFromDateTime(minimumDateTime())),
                               metrics.horizontalAdvance(textFromDateTime(maximumDateTime())));
    // A week of every month: each weekday and each month name, with a
    // two-digit day.
    int widest = 0;
    for (int month = 1; month <= 12; ++month) {
        for (int day = 22; day <= 28; ++day) {
            const QDateTime date(QDate(2028, month, day), QTime(0, 0));
            widest = std::max(widest, metrics.horizontalAdvance(textFromDateTime(date)));
        }
    }
    return std::max(0, widest - sized);
}

QSize CDatePicker::sizeHint() const {
    return QDateEdit::sizeHint() + QSize(ExtraWidth(), 0);
}

QSize CDatePicker::minimumSizeHint() const {
    return QDateEdit::minimumSizeHint().expandedTo(sizeHint());
}

COptionPage::COptionPage(int pageIndex, int dialogId, const QString& caption, QWidget* parent)
    : QWidget(parent),
      m_pageIndex(pageIndex),
      m_dialogId(dialogId),
      m_caption(caption),
      m_grid(new QGridLayout) {
    // Tight rows, so that the pages keep close to their dialog-unit size;
    // every control still gets its whole size hint.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    m_grid->setVerticalSpacing(2);
    m_grid->setHorizontalSpacing(6);
    outer->addLayout(m_grid);
    outer->addStretch(1);
}

void COptionPage::RegisterControl(int id, const char* name, QWidget* control) {
    if (name)
        control->setObjectName(QString::fromLatin1(name));
    m_controls.insert(id, control);
}

void COptionPage::AddCheckBox(int id, const char* name, const char* text, int row) {
    m_grid->addWidget(AddControl(id, name, new QCheckBox(QString::fromUtf8(text))), row, 0);
}

QWidget* COptionPage::FirstFocusableControl() const {
    QWidget* candidate = nextInFocusChain();
    while (candidate && candidate != this && isAncestorOf(candidate)) {
        if (candidate->isEnabled() && candidate->isVisibleTo(this) &&
            (candidate->focusPolicy() & Qt::TabFocus))
            return candidate;
        candidate = candidate->nextInFocusChain();
    }
    return nullptr;
}

void COptionPage::PostChangeNotice() {
    Validate();
    emit changeNotice(m_pageIndex);
}

bool COptionPage::QueryInt(const CRegKey& key, const char* name, std::int32_t& value) {
    DWORD raw = 0;
    if (key.QueryDWORD(name, raw) != ERROR_SUCCESS)
        return false;
    value = static_cast<std::int32_t>(raw);
    return true;
}

bool COptionPage::SetInt(CRegKey& key, const char* name, std::int32_t value) {
    return key.SetDWORD(name, static_cast<DWORD>(value)) == ERROR_SUCCESS;
}

QStringList COptionPage::DateTypeItems() {
    return {QStringLiteral("All Files"), QStringLiteral("Last Acess File"),
            QStringLiteral("Create File"), QStringLiteral("Last Modify File")};
}

void COptionPage::CheckRadioGroup(std::span<const int> ids, int checked) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
        auto* radio = Radio(ids[i]);
        // Auto-exclusive buttons cannot all be cleared otherwise.
        radio->setAutoExclusive(false);
        radio->setChecked(static_cast<int>(i) == checked);
        radio->setAutoExclusive(true);
    }
}

int COptionPage::CheckedRadio(std::span<const int> ids, int fallback) const {
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (Radio(ids[i])->isChecked())
            return static_cast<int>(i);
    }
    return fallback;
}

QDateTime QDateTimeFromCTime(CTime time) {
    return QDateTime::fromSecsSinceEpoch(time.GetTime());
}

CTime CTimeFromQDateTime(const QDateTime& dateTime) {
    return CTime(dateTime.toSecsSinceEpoch());
}

QDate QDateFromCTime(CTime time) {
    return QDate(time.GetYear(), time.GetMonth(), time.GetDay());
}

CTime CTimeFromDate(const QDate& date) {
    return CTime(date.year(), date.month(), date.day(), 0, 0, 0);
}
