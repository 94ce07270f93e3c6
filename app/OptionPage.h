#pragma once
// What the five pages of the advanced option sheet share: the page's index in
// the sheet, its dialog id and tab caption, a map from control ids to the
// page's controls, the change notice that tells the sheet to recolour the
// page's tab, and typed access to the registry values the pages keep.
//
// Every page keeps its own copy of the fields it edits; Validate reads the
// controls into that copy, and refreshing writes the copy into the controls.

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHash>
#include <QRadioButton>
#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/CTime.h"
#include "platform/Registry.h"
#include "platform/WinTypes.h"

class QDate;
class QDateTime;
class QGridLayout;

// CTime (seconds since 1970) <-> the local date and time the pickers show.
QDateTime QDateTimeFromCTime(CTime time);
CTime CTimeFromQDateTime(const QDateTime& dateTime);
// The local day of `time`, and 00:00:00 local time of `date`.
QDate QDateFromCTime(CTime time);
CTime CTimeFromDate(const QDate& date);

// An edit box with an up-down control: any 32-bit number can be typed, while
// the arrows stay inside their own range.
class CSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit CSpinEdit(QWidget* parent = nullptr);

    void SetSpinRange(int lower, int upper);
    int SpinLower() const { return m_lower; }
    int SpinUpper() const { return m_upper; }

    void stepBy(int steps) override;

    // As wide as the arrows' range needs, not every number the edit takes.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    // How much narrower the arrows' range is written than the edit's.
    int RangeWidthSaving() const;

    int m_lower = 0;
    int m_upper = 100;
};

// A date picker as wide as its longest text: the longest weekday and month
// names of its display format, not only the texts of its first and last date.
class CDatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit CDatePicker(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    // How much wider the widest date is than the texts the base sizes for.
    int ExtraWidth() const;
};

class COptionPage : public QWidget {
    Q_OBJECT
public:
    // The pages' indices in the sheet, carried by their change notices.
    static constexpr int kGeneralPage = 0;
    static constexpr int kDatePage = 1;
    static constexpr int kTimePage = 2;
    static constexpr int kSizePage = 3;
    static constexpr int kIncludeStringPage = 4;

    // One DWORD value of the registry and the field of `Data` it holds.
    template <class Data>
    struct RegistryField {
        const char* name;
        std::int32_t Data::*field;
    };

    // One check box of a page: its id, object name, text and the field it edits.
    template <class Data>
    struct CheckBoxField {
        int id;
        const char* name;
        const char* text;
        BOOL Data::*field;
    };

    COptionPage(int pageIndex, int dialogId, const QString& caption, QWidget* parent);

    int PageIndex() const { return m_pageIndex; }
    int DialogId() const { return m_dialogId; }
    const QString& Caption() const { return m_caption; }

    // The control with this id, or null.
    QWidget* GetDlgItem(int id) const { return m_controls.value(id, nullptr); }

    // Sets the defaults and refreshes the controls; IsDefault is true after.
    virtual void Reset() = 0;
    // Whether the page holds its defaults (decides its tab's colour).
    virtual BOOL IsDefault() const = 0;
    // Reads the controls into the page's fields; always succeeds.
    virtual BOOL Validate() = 0;
    // Read or write the page's registry values; loading fails at the first
    // missing value, saving at the first value that cannot be written. The
    // controls are refreshed after loading.
    virtual BOOL LoadFromRegistry(CRegKey& key) = 0;
    virtual BOOL SaveToRegistry(CRegKey& key) = 0;

    // The control `id` as a `Control`; nullptr when it is none.
    template <class Control>
    Control* Item(int id) const {
        return qobject_cast<Control*>(GetDlgItem(id));
    }
    QCheckBox* CheckBox(int id) const { return Item<QCheckBox>(id); }
    QComboBox* Combo(int id) const { return Item<QComboBox>(id); }
    QRadioButton* Radio(int id) const { return Item<QRadioButton>(id); }

    // The first control of the page that can take the focus, or null.
    QWidget* FirstFocusableControl() const;

signals:
    // The page's default state may have changed (its index in the sheet).
    void changeNotice(int pageIndex);

protected:
    // Reads the controls, then tells the sheet.
    void PostChangeNotice();

    // Registers `control` under `id` (and `name` as its object name unless
    // null; an edit with its up-down control is one widget under two ids).
    template <class Control>
    Control* AddControl(int id, const char* name, Control* control) {
        RegisterControl(id, name, control);
        return control;
    }
    void RegisterControl(int id, const char* name, QWidget* control);
    // A check box in column 0 of grid row `row`.
    void AddCheckBox(int id, const char* name, const char* text, int row);

    // Creates the check boxes, each in its own row of column 0 from `row` on.
    template <class Data, std::size_t N>
    void AddCheckBoxes(const CheckBoxField<Data> (&boxes)[N], int row) {
        for (const CheckBoxField<Data>& box : boxes)
            AddCheckBox(box.id, box.name, box.text, row++);
    }
    template <class Data, std::size_t N>
    void ReadCheckBoxes(Data& data, const CheckBoxField<Data> (&boxes)[N]) const {
        for (const CheckBoxField<Data>& box : boxes)
            data.*box.field = CheckBox(box.id)->isChecked() ? TRUE : FALSE;
    }
    template <class Data, std::size_t N>
    void WriteCheckBoxes(const Data& data, const CheckBoxField<Data> (&boxes)[N]) {
        for (const CheckBoxField<Data>& box : boxes)
            CheckBox(box.id)->setChecked(data.*box.field != FALSE);
    }

    // The items of the Date and Time pages' type lists (0 none, 1 last
    // access, 2 creation, 3 last write).
    static QStringList DateTypeItems();

    // Checks the radio button of `ids` at index `checked`; none when out of range.
    void CheckRadioGroup(std::span<const int> ids, int checked);
    // The index in `ids` of the checked radio button, or `fallback`.
    int CheckedRadio(std::span<const int> ids, int fallback) const;

    // The page's grid: controls are placed in rows from the top.
    QGridLayout* Grid() const { return m_grid; }

    // Reads the values in order; false at the first missing one (the fields
    // read before it keep their new values).
    template <class Data, std::size_t N>
    static bool LoadFields(const CRegKey& key, Data& data, const RegistryField<Data> (&fields)[N]) {
        for (const RegistryField<Data>& f : fields) {
            if (!QueryInt(key, f.name, data.*f.field))
                return false;
        }
        return true;
    }
    // Writes the values in order; false at the first that cannot be written.
    template <class Data, std::size_t N>
    static bool SaveFields(CRegKey& key, const Data& data, const RegistryField<Data> (&fields)[N]) {
        for (const RegistryField<Data>& f : fields) {
            if (!SetInt(key, f.name, data.*f.field))
                return false;
        }
        return true;
    }

    // A DWORD value read as a signed 32-bit number (BOOLs are such numbers too).
    static bool QueryInt(const CRegKey& key, const char* name, std::int32_t& value);
    static bool SetInt(CRegKey& key, const char* name, std::int32_t value);

private:
    int m_pageIndex;
    int m_dialogId;
    QString m_caption;
    QHash<int, QWidget*> m_controls;
    QGridLayout* m_grid;
};
