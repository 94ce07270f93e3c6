#pragma once
// The "General" page of the advanced option sheet: the general switches of the
// walk (archives, last result, case, sub-folders, append, only files, depth).

#include "app/OptionPage.h"
#include "app/engine/SearchData.h"

class CGeneralOptionPage : public COptionPage {
    Q_OBJECT
public:
    static constexpr int IDD = 104;
    static constexpr int IDC_SEARCH_IN_COMPRESSED_FILES = 1005;
    static constexpr int IDC_SEARCH_IN_LAST_RESULT = 1004;
    static constexpr int IDC_MATCH_CASE = 1003;
    static constexpr int IDC_INCLUDE_SUB_FOLDERS = 1035;
    static constexpr int IDC_APPEND_RESULT = 1037;
    static constexpr int IDC_ONLY_SEARCH_FILES = 1038;
    static constexpr int IDC_LIMIT_SEARCH_DEPTH = 1072;
    static constexpr int IDC_SEARCH_DEPTH = 1102;
    static constexpr int IDC_SEARCH_DEPTH_SPIN = 1103;
    // The range of the depth's arrows.
    static constexpr int kDepthSpinMin = 1;
    static constexpr int kDepthSpinMax = 2147483;

    explicit CGeneralOptionPage(QWidget* parent = nullptr);

    void SetData(const CGeneralOptionData& data);
    void GetData(CGeneralOptionData& data) const { data = m_data; }

    // Defaults, except that the search depth keeps its value.
    void Reset() override;
    // Compressed files and sub-folders on, every other switch off (the depth
    // does not count).
    BOOL IsDefault() const override;
    // A depth of 0 or less becomes 1.
    BOOL Validate() override;
    // m_bSearchInLastResult is not stored.
    BOOL LoadFromRegistry(CRegKey& key) override;
    BOOL SaveToRegistry(CRegKey& key) override;

    CSpinEdit* DepthEdit() const { return m_pDepth; }

private:
    void UpdateControls();
    // Handles a click on one of the page's check boxes.
    void OnButtonClicked(int id);

    CGeneralOptionData m_data;
    CSpinEdit* m_pDepth = nullptr;
};
