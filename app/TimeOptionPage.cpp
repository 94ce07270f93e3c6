#include "app/TimeOptionPage.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QLocale>
#include <QRadioButton>
#include <QSignalBlocker>

#include <cstdint>
#include <limits>
#include <utility>

#include "platform/FileTime.h"

namespace {

constexpr COptionPage::RegistryField<CTimeOptionData> kRegistryValues[] = {
    {"Time Option Type", &CTimeOptionData::m_iTimeOptionTypeIndex},
    {"Time Option Mode", &CTimeOptionData::m_iTimeRangeModeIndex},
    {"Prev Hour", &CTimeOptionData::m_nPrevHour},
};
constexpr const char* kMinTimeValue = "Min Time";
constexpr const char* kMaxTimeValue = "Max Time";

// The radio buttons in mode order (mode 0, 1).
constexpr int kModeIds[] = {CTimeOptionPage::IDC_MODE_PREV, CTimeOptionPage::IDC_MODE_BETWEEN};

// The pickers show hours, minutes and seconds, with AM/PM where the locale
// writes times so.
QString TimePickerFormat(const QLocale& locale) {
    const QString pattern = locale.timeFormat(QLocale::ShortFormat);
    return pattern.contains(QLatin1String("ap"), Qt::CaseInsensitive) ? QStringLiteral("h:mm:ss AP")
                                                                      : QStringLiteral("HH:mm:ss");
}

}  // namespace

CTimeOptionPage::CTimeOptionPage(QWidget* parent)
    : COptionPage(kTimePage, IDD, QStringLiteral("Time"), parent) {
    m_data.m_nPrevHour = 1;
    const CTime now = CTime::GetCurrentTime();
    m_data.m_tLatestTime = now;
    m_data.m_tEarliestTime = now;

    auto* type = AddControl(IDC_TIME_TYPE, "IDC_TIME_TYPE", new QComboBox);
    type->addItems(DateTypeItems());
    Grid()->addWidget(type, 0, 0, 1, 3);

    auto* prev =
        AddControl(IDC_MODE_PREV, "IDC_MODE_PREV", new QRadioButton(QStringLiteral("Prev")));
    Grid()->addWidget(prev, 1, 0);
    m_pPrevHour = AddControl(IDC_PREV_HOUR, "IDC_PREV_HOUR", new CSpinEdit);
    RegisterControl(IDC_PREV_HOUR_SPIN, nullptr, m_pPrevHour);
    m_pPrevHour->SetSpinRange(0, kSpinMax);
    Grid()->addWidget(m_pPrevHour, 1, 1);

    auto* between = AddControl(IDC_MODE_BETWEEN, "IDC_MODE_BETWEEN",
                               new QRadioButton(QStringLiteral("Between")));
    Grid()->addWidget(between, 2, 0);
    const QString format = TimePickerFormat(QLocale());
    const auto addPicker = [this, &format](int id, const char* name, int column) {
        // A date-and-time edit showing only the time keeps the date it was given.
        auto* picker = AddControl(id, name, new QDateTimeEdit);
        picker->setDisplayFormat(format);
        Grid()->addWidget(picker, 2, column);
    };
    addPicker(IDC_EARLIEST_TIME, "IDC_EARLIEST_TIME", 1);
    addPicker(IDC_LATEST_TIME, "IDC_LATEST_TIME", 2);

    for (QRadioButton* radio : {prev, between})
        connect(radio, &QRadioButton::clicked, this, &CTimeOptionPage::UpdateEnabling);
    connect(type, &QComboBox::currentIndexChanged, this, [this] {
        UpdateEnabling();
        PostChangeNotice();
    });
    UpdateControls();
}

QComboBox* CTimeOptionPage::TypeCombo() const {
    return Combo(IDC_TIME_TYPE);
}

QDateTimeEdit* CTimeOptionPage::TimePicker(int id) const {
    return Item<QDateTimeEdit>(id);
}

void CTimeOptionPage::SetData(const CTimeOptionData& data) {
    m_data = data;
    UpdateControls();
}

void CTimeOptionPage::Reset() {
    m_data.Reset();
    UpdateControls();
}

BOOL CTimeOptionPage::Validate() {
    m_data.m_iTimeOptionTypeIndex = TypeCombo()->currentIndex();
    m_data.m_iTimeRangeModeIndex = CheckedRadio(kModeIds, m_data.m_iTimeRangeModeIndex);
    m_pPrevHour->interpretText();
    m_data.m_nPrevHour = m_pPrevHour->value();
    m_data.m_tEarliestTime = CTimeFromQDateTime(TimePicker(IDC_EARLIEST_TIME)->dateTime());
    m_data.m_tLatestTime = CTimeFromQDateTime(TimePicker(IDC_LATEST_TIME)->dateTime());
    return TRUE;
}

std::vector<BYTE> CTimeOptionPage::ToLocalSystemTimeBytes(CTime time) {
    // A time the calendar cannot hold is written as zeros, which no load accepts.
    SYSTEMTIME st;
    FILETIME utc{};
    FILETIME local{};
    if (!CTimeToFileTime(time, &utc) || !FileTimeToLocalFileTime(&utc, &local) ||
        !FileTimeToSystemTime(&local, &st))
        st = SYSTEMTIME{};
    const WORD words[] = {st.wYear, st.wMonth,  st.wDayOfWeek, st.wDay,
                          st.wHour, st.wMinute, st.wSecond,    st.wMilliseconds};
    std::vector<BYTE> bytes;
    for (WORD word : words) {
        bytes.push_back(static_cast<BYTE>(word & 0xFF));
        bytes.push_back(static_cast<BYTE>(word >> 8));
    }
    return bytes;
}

std::optional<CTime> CTimeOptionPage::FromLocalSystemTimeBytes(const std::vector<BYTE>& bytes) {
    if (bytes.size() != kSystemTimeBytes)
        return std::nullopt;
    WORD words[8];
    for (int i = 0; i < 8; ++i)
        words[i] = static_cast<WORD>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    SYSTEMTIME st;
    st.wYear = words[0];
    st.wMonth = words[1];
    st.wDayOfWeek = words[2];
    st.wDay = words[3];
    st.wHour = words[4];
    st.wMinute = words[5];
    st.wSecond = words[6];
    st.wMilliseconds = words[7];
    FILETIME local{};
    FILETIME utc{};
    if (!SystemTimeToFileTime(&st, &local) || !LocalFileTimeToFileTime(&local, &utc))
        return std::nullopt;
    const CTime time = FileTimeToCTime(utc);
    if (time.GetTime() < std::numeric_limits<std::int32_t>::min() ||
        time.GetTime() > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return time;
}

BOOL CTimeOptionPage::LoadFromRegistry(CRegKey& key) {
    bool ok = LoadFields(key, m_data, kRegistryValues);
    const auto loadTime = [&key](const char* name, CTime& time) {
        std::vector<BYTE> bytes;
        if (key.QueryBinary(name, bytes) != ERROR_SUCCESS)
            return false;
        const std::optional<CTime> read = FromLocalSystemTimeBytes(bytes);
        if (!read)
            return false;
        time = *read;
        return true;
    };
    ok = ok && loadTime(kMinTimeValue, m_data.m_tEarliestTime) &&
         loadTime(kMaxTimeValue, m_data.m_tLatestTime);
    UpdateControls();
    return ok ? TRUE : FALSE;
}

BOOL CTimeOptionPage::SaveToRegistry(CRegKey& key) {
    if (!SaveFields(key, m_data, kRegistryValues))
        return FALSE;
    for (const auto& [name, time] : {std::pair{kMinTimeValue, m_data.m_tEarliestTime},
                                     std::pair{kMaxTimeValue, m_data.m_tLatestTime}}) {
        const std::vector<BYTE> bytes = ToLocalSystemTimeBytes(time);
        if (key.SetBinary(name, bytes.data(), kSystemTimeBytes) != ERROR_SUCCESS)
            return FALSE;
    }
    return TRUE;
}

void CTimeOptionPage::UpdateControls() {
    const QSignalBlocker blockType(TypeCombo());
    TypeCombo()->setCurrentIndex(m_data.m_iTimeOptionTypeIndex);
    m_pPrevHour->setValue(m_data.m_nPrevHour);
    CheckRadioGroup(kModeIds, m_data.m_iTimeRangeModeIndex);
    TimePicker(IDC_EARLIEST_TIME)->setDateTime(QDateTimeFromCTime(m_data.m_tEarliestTime));
    TimePicker(IDC_LATEST_TIME)->setDateTime(QDateTimeFromCTime(m_data.m_tLatestTime));
    UpdateEnabling();
}

void CTimeOptionPage::UpdateEnabling() {
    const bool typed = TypeCombo()->currentIndex() != 0;
    const int mode = CheckedRadio(kModeIds, m_data.m_iTimeRangeModeIndex);
    for (int id : kModeIds)
        GetDlgItem(id)->setEnabled(typed);
    m_pPrevHour->setEnabled(typed && mode == 0);
    GetDlgItem(IDC_EARLIEST_TIME)->setEnabled(typed && mode == 1);
    GetDlgItem(IDC_LATEST_TIME)->setEnabled(typed && mode == 1);
}
