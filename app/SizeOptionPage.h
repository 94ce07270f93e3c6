#pragma once
// The "Size" page of the advanced option sheet: no size test, at least or at
// most a number of KB.

#include "app/OptionPage.h"
#include "app/engine/SearchData.h"

class QComboBox;

class CSizeOptionPage : public COptionPage {
    Q_OBJECT
public:
    static constexpr int IDD = 107;
    static constexpr int IDC_SIZE = 1018;
    static constexpr int IDC_SIZE_SPIN = 1019;
    static constexpr int IDC_SIZE_TYPE = 1017;
    static constexpr int kSpinMax = 2147483;

    explicit CSizeOptionPage(QWidget* parent = nullptr);

    void SetData(const CSizeOptionData& data);
    void GetData(CSizeOptionData& data) const { data = m_data; }

    void Reset() override;
    BOOL IsDefault() const override { return m_data.m_iSizeOptionType == 0; }
    BOOL Validate() override;
    BOOL LoadFromRegistry(CRegKey& key) override;
    BOOL SaveToRegistry(CRegKey& key) override;

    QComboBox* TypeCombo() const;
    CSpinEdit* SizeEdit() const { return m_pSize; }

private:
    void UpdateControls();
    void UpdateEnabling();

    CSizeOptionData m_data;
    CSpinEdit* m_pSize = nullptr;
};
