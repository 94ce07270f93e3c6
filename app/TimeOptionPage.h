#pragma once
// The "Time" page of the advanced option sheet: which time of a file is
// tested, either within the previous hours or between two times of day.

#include <optional>
#include <vector>

#include "app/OptionPage.h"
#include "app/engine/SearchData.h"

class QComboBox;
class QDateTimeEdit;
class QRadioButton;

class CTimeOptionPage : public COptionPage {
    Q_OBJECT
public:
    static constexpr int IDD = 106;
    static constexpr int IDC_TIME_TYPE = 1038;
    static constexpr int IDC_PREV_HOUR = 1021;
    static constexpr int IDC_PREV_HOUR_SPIN = 1022;
    static constexpr int IDC_EARLIEST_TIME = 1034;
    static constexpr int IDC_LATEST_TIME = 1035;
    static constexpr int IDC_MODE_PREV = 1020;
    static constexpr int IDC_MODE_BETWEEN = 1025;
    static constexpr int kSpinMax = 0x7FFFFFFE;
    // The size of a stored time: a SYSTEMTIME of eight 16-bit words.
    static constexpr DWORD kSystemTimeBytes = 16;

    explicit CTimeOptionPage(QWidget* parent = nullptr);

    void SetData(const CTimeOptionData& data);
    void GetData(CTimeOptionData& data) const { data = m_data; }

    // Every number 0 and both times the current time.
    void Reset() override;
    BOOL IsDefault() const override { return m_data.m_iTimeOptionTypeIndex == 0; }
    BOOL Validate() override;
    // The two times are stored as local-time SYSTEMTIMEs.
    BOOL LoadFromRegistry(CRegKey& key) override;
    BOOL SaveToRegistry(CRegKey& key) override;

    // A time as the 16 bytes of its local SYSTEMTIME, and back; std::nullopt
    // for bytes of another size, a calendar field out of range or a time
    // outside the 32-bit range of the stored formats.
    static std::vector<BYTE> ToLocalSystemTimeBytes(CTime time);
    static std::optional<CTime> FromLocalSystemTimeBytes(const std::vector<BYTE>& bytes);

    QComboBox* TypeCombo() const;
    QDateTimeEdit* TimePicker(int id) const;
    CSpinEdit* PrevHourEdit() const { return m_pPrevHour; }

private:
    void UpdateControls();
    void UpdateEnabling();

    CTimeOptionData m_data;
    CSpinEdit* m_pPrevHour = nullptr;
};
