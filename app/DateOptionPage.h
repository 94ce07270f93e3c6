#pragma once
// The "Date" page of the advanced option sheet: which date of a file is tested
// and how: within the previous days, weeks, months or years, between two
// dates, or between two weekdays.

#include <QLocale>
#include <QString>

#include "app/OptionPage.h"
#include "app/engine/SearchData.h"

class QComboBox;
class QDateEdit;
class QRadioButton;

class CDateOptionPage : public COptionPage {
    Q_OBJECT
public:
    static constexpr int IDD = 105;
    static constexpr int IDC_DATE_TYPE = 1008;
    static constexpr int IDC_PREV_DATE = 1010;
    static constexpr int IDC_PREV_DATE_SPIN = 1012;
    static constexpr int IDC_LATEST_DATE = 1017;
    static constexpr int IDC_EARLIEST_DATE = 1016;
    static constexpr int IDC_LATEST_WEEKDAY = 1041;
    static constexpr int IDC_EARLIEST_WEEKDAY = 1040;
    static constexpr int IDC_PREV_DATE_TYPE = 1042;
    static constexpr int IDC_MODE_PREV = 1009;
    static constexpr int IDC_MODE_BETWEEN = 1015;
    static constexpr int IDC_MODE_BETWEEN_WEEK = 1039;
    static constexpr int kSpinMax = 0x7FFFFFFE;

    explicit CDateOptionPage(QWidget* parent = nullptr);

    // The earliest date becomes 00:00:00 of its day, the latest 23:59:59 of
    // its day (local time).
    void SetData(const CDateOptionData& data);
    void GetData(CDateOptionData& data) const { data = m_data; }

    // Every number 0 and both dates the current time.
    void Reset() override;
    BOOL IsDefault() const override { return m_data.m_iDateOptionType == 0; }
    // The dates are read as the whole days shown.
    BOOL Validate() override;
    // Neither date is stored.
    BOOL LoadFromRegistry(CRegKey& key) override;
    BOOL SaveToRegistry(CRegKey& key) override;

    // The pickers' format by the locale's order of day, month and year.
    static QString DatePickerFormat(const QLocale& locale);
    static CTime StartOfDay(CTime time);
    static CTime EndOfDay(CTime time);

    QDateEdit* DatePicker(int id) const;
    CSpinEdit* PrevDateEdit() const { return m_pPrevDate; }

private:
    void UpdateControls();
    // Enables the controls by the type and mode the controls show.
    void UpdateEnabling();
    int CheckedMode() const;

    CDateOptionData m_data;
    CSpinEdit* m_pPrevDate = nullptr;
};
