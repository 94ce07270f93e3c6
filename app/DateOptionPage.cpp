#include "app/DateOptionPage.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {

constexpr COptionPage::RegistryField<CDateOptionData> kRegistryValues[] = {
    {"Date Option Type", &CDateOptionData::m_iDateOptionType},
    {"Date Option Mode", &CDateOptionData::m_iDateOptionMode},
    {"Prev Date", &CDateOptionData::m_iPrevDate},
    {"Prev Date Type", &CDateOptionData::m_iPrevDateType},
    {"MinWeek", &CDateOptionData::m_iMinWeekIndex},
    {"MaxWeek", &CDateOptionData::m_iMaxWeekIndex},
};

// The radio buttons in mode order (mode 0, 1, 2).
constexpr int kModeIds[] = {CDateOptionPage::IDC_MODE_PREV, CDateOptionPage::IDC_MODE_BETWEEN,
                            CDateOptionPage::IDC_MODE_BETWEEN_WEEK};

}  // namespace

CDateOptionPage::CDateOptionPage(QWidget* parent)
    : COptionPage(kDatePage, IDD, QStringLiteral("Date"), parent) {
    m_data.m_iPrevDate = 1;
    const CTime now = CTime::GetCurrentTime();
    m_data.m_tLatestDate = now;
    m_data.m_tEarliestDate = now;

    auto* type = AddControl(IDC_DATE_TYPE, "IDC_DATE_TYPE", new QComboBox);
    type->addItems(DateTypeItems());
    Grid()->addWidget(type, 0, 0, 1, 3);

    // Each mode's row starts with its radio button; the two date pickers of
    // "Between" stand one above the other, so that each has its full width.
    const char* const modeNames[] = {"IDC_MODE_PREV", "IDC_MODE_BETWEEN", "IDC_MODE_BETWEEN_WEEK"};
    const char* const modeTexts[] = {"Prev", "Between", "Between Week"};
    const int modeRows[] = {1, 2, 4};
    for (int mode = 0; mode < 3; ++mode) {
        auto* radio = AddControl(kModeIds[mode], modeNames[mode],
                                 new QRadioButton(QString::fromLatin1(modeTexts[mode])));
        Grid()->addWidget(radio, modeRows[mode], 0);
        connect(radio, &QRadioButton::clicked, this, &CDateOptionPage::UpdateEnabling);
    }

    m_pPrevDate = AddControl(IDC_PREV_DATE, "IDC_PREV_DATE", new CSpinEdit);
    RegisterControl(IDC_PREV_DATE_SPIN, nullptr, m_pPrevDate);
    m_pPrevDate->SetSpinRange(0, kSpinMax);
    Grid()->addWidget(m_pPrevDate, 1, 1);
    auto* unit = AddControl(IDC_PREV_DATE_TYPE, "IDC_PREV_DATE_TYPE", new QComboBox);
    unit->addItems({QStringLiteral("days"), QStringLiteral("weeks"), QStringLiteral("months"),
                    QStringLiteral("years")});
    Grid()->addWidget(unit, 1, 2);

    const QString format = DatePickerFormat(QLocale());
    const auto addPicker = [this, &format](int id, const char* name, int row) {
        auto* picker = AddControl(id, name, new CDatePicker);
        picker->setDisplayFormat(format);
        picker->setCalendarPopup(true);
        Grid()->addWidget(picker, row, 1, 1, 2);
    };
    addPicker(IDC_EARLIEST_DATE, "IDC_EARLIEST_DATE", 2);
    addPicker(IDC_LATEST_DATE, "IDC_LATEST_DATE", 3);

    // Index 0 is Sunday, then Monday to Saturday, named by the user's locale.
    QStringList weekdays{QLocale().dayName(7)};
    for (int day = 1; day <= 6; ++day)
        weekdays << QLocale().dayName(day);
    Grid()->addWidget(AddControl(IDC_EARLIEST_WEEKDAY, "IDC_EARLIEST_WEEKDAY", new QComboBox), 4,
                      1);
    Grid()->addWidget(AddControl(IDC_LATEST_WEEKDAY, "IDC_LATEST_WEEKDAY", new QComboBox), 4, 2);
    Grid()->setColumnStretch(3, 1);
    Combo(IDC_EARLIEST_WEEKDAY)->addItems(weekdays);
    Combo(IDC_LATEST_WEEKDAY)->addItems(weekdays);

    connect(type, &QComboBox::currentIndexChanged, this, [this] {
        UpdateEnabling();
        PostChangeNotice();
    });
    UpdateControls();
}

QString CDateOptionPage::DatePickerFormat(const QLocale& locale) {
    const QString pattern = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype day = pattern.indexOf(QLatin1Char('d'));
    const qsizetype month = pattern.indexOf(QLatin1Char('M'));
    const qsizetype year = pattern.indexOf(QLatin1Char('y'));
    if (year >= 0 && year < month && year < day)
        return QStringLiteral("dddd,yyyy-MMM-dd");
    if (month >= 0 && month < day)
        return QStringLiteral("dddd,MMM-dd-yyyy");
    return QStringLiteral("dddd,dd-MMM-yyyy");
}

CTime CDateOptionPage::StartOfDay(CTime time) {
    return CTime(time.GetYear(), time.GetMonth(), time.GetDay(), 0, 0, 0);
}

CTime CDateOptionPage::EndOfDay(CTime time) {
    return CTime(time.GetYear(), time.GetMonth(), time.GetDay(), 23, 59, 59);
}

QDateEdit* CDateOptionPage::DatePicker(int id) const {
    return Item<QDateEdit>(id);
}

void CDateOptionPage::SetData(const CDateOptionData& data) {
    m_data = data;
    m_data.m_tEarliestDate = StartOfDay(data.m_tEarliestDate);
    m_data.m_tLatestDate = EndOfDay(data.m_tLatestDate);
    UpdateControls();
}

void CDateOptionPage::Reset() {
    m_data.Reset();
    UpdateControls();
}

BOOL CDateOptionPage::Validate() {
    m_data.m_iDateOptionType = Combo(IDC_DATE_TYPE)->currentIndex();
    m_data.m_iDateOptionMode = CheckedMode();
    m_pPrevDate->interpretText();
    m_data.m_iPrevDate = m_pPrevDate->value();
    m_data.m_iPrevDateType = Combo(IDC_PREV_DATE_TYPE)->currentIndex();
    m_data.m_iMinWeekIndex = Combo(IDC_EARLIEST_WEEKDAY)->currentIndex();
    m_data.m_iMaxWeekIndex = Combo(IDC_LATEST_WEEKDAY)->currentIndex();
    m_data.m_tEarliestDate = StartOfDay(CTimeFromDate(DatePicker(IDC_EARLIEST_DATE)->date()));
    m_data.m_tLatestDate = EndOfDay(CTimeFromDate(DatePicker(IDC_LATEST_DATE)->date()));
    return TRUE;
}

BOOL CDateOptionPage::LoadFromRegistry(CRegKey& key) {
    const bool ok = LoadFields(key, m_data, kRegistryValues);
    UpdateControls();
    return ok ? TRUE : FALSE;
}

BOOL CDateOptionPage::SaveToRegistry(CRegKey& key) {
    return SaveFields(key, m_data, kRegistryValues) ? TRUE : FALSE;
}

int CDateOptionPage::CheckedMode() const {
    return CheckedRadio(kModeIds, m_data.m_iDateOptionMode);
}

void CDateOptionPage::UpdateControls() {
    // Refreshing is no selection by the user: it sends no change notice.
    const QSignalBlocker blockType(Combo(IDC_DATE_TYPE));
    Combo(IDC_DATE_TYPE)->setCurrentIndex(m_data.m_iDateOptionType);
    Combo(IDC_PREV_DATE_TYPE)->setCurrentIndex(m_data.m_iPrevDateType);
    Combo(IDC_EARLIEST_WEEKDAY)->setCurrentIndex(m_data.m_iMinWeekIndex);
    Combo(IDC_LATEST_WEEKDAY)->setCurrentIndex(m_data.m_iMaxWeekIndex);
    m_pPrevDate->setValue(m_data.m_iPrevDate);
    CheckRadioGroup(kModeIds, m_data.m_iDateOptionMode);
    DatePicker(IDC_EARLIEST_DATE)->setDate(QDateFromCTime(m_data.m_tEarliestDate));
    DatePicker(IDC_LATEST_DATE)->setDate(QDateFromCTime(m_data.m_tLatestDate));
    UpdateEnabling();
}

void CDateOptionPage::UpdateEnabling() {
    const bool typed = Combo(IDC_DATE_TYPE)->currentIndex() != 0;
    const int mode = CheckedMode();
    for (int id : kModeIds)
        GetDlgItem(id)->setEnabled(typed);
    m_pPrevDate->setEnabled(typed && mode == 0);
    GetDlgItem(IDC_PREV_DATE_TYPE)->setEnabled(typed && mode == 0);
    GetDlgItem(IDC_EARLIEST_DATE)->setEnabled(typed && mode == 1);
    GetDlgItem(IDC_LATEST_DATE)->setEnabled(typed && mode == 1);
    GetDlgItem(IDC_EARLIEST_WEEKDAY)->setEnabled(typed && mode == 2);
    GetDlgItem(IDC_LATEST_WEEKDAY)->setEnabled(typed && mode == 2);
}
