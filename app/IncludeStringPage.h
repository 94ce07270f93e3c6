#pragma once
// The "Include String" page of the advanced option sheet: the text a file must
// contain (with its scored history), how it is matched, and the wizard that
// builds expressions.

#include <QString>

#include "app/OptionPage.h"
#include "app/engine/ComboHistory.h"
#include "app/engine/SearchData.h"
#include "platform/Archive.h"

class QComboBox;
class QPushButton;

class CIncludeStringPage : public COptionPage {
    Q_OBJECT
public:
    static constexpr int IDD = 108;
    static constexpr int IDC_INCLUDE_STRING = 1048;
    static constexpr int IDC_MATCH_WHOLE_WORD = 1027;
    static constexpr int IDC_MATCH_CASE = 1028;
    static constexpr int IDC_REGULAR_EXPRESSION = 1030;
    static constexpr int IDC_WIZARD = 1018;
    // The longest text the box takes.
    static constexpr int kMaxTextLength = 1024;

    explicit CIncludeStringPage(QWidget* parent = nullptr);

    void SetData(const CIncludeStringData& data);
    void GetData(CIncludeStringData& data) const { data = m_data; }

    void Reset() override;
    BOOL IsDefault() const override { return m_data.m_sIncludeStr.empty(); }
    BOOL Validate() override;
    BOOL LoadFromRegistry(CRegKey& key) override;
    BOOL SaveToRegistry(CRegKey& key) override;

    // Ages the history and adds the box's current text to it (each time a
    // search uses the box).
    void AddIncludeStringToHistory();
    const CComboHistory& History() const { return m_history; }
    // The history in the data file: a count, then each text and score.
    void WriteHistory(CArchive& ar) const;
    // FALSE (and a log line) when the stored count is out of range or the
    // file ends early; the history is then empty.
    BOOL ReadHistory(CArchive& ar);

    // Runs the wizard; on OK takes its expression.
    void OnWizard();
    // The text becomes `expression` and "Regular expression" is turned on.
    void ApplyWizardString(const QString& expression);

    QComboBox* TextCombo() const { return m_pText; }

private:
    void UpdateControls();
    // Sets the box's text without counting it as an edit.
    void SetText(const QString& text);
    void OnTextEdited(const QString& text);

    CIncludeStringData m_data;
    CComboHistory m_history;
    QComboBox* m_pText = nullptr;
    bool m_bTextEmpty = true;
};
