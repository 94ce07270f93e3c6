#pragma once
// The "Include String Wizard": three rows of choices (include or not, string or
// number, the text) joined by "And"/"Or", turned into an include string for
// the "Regular expression" mode.

#include <QString>

#include <array>

#include "app/engine/IncludeStringWizard.h"
#include "ui/HelpDialog.h"

class QComboBox;
class QLineEdit;

// The help page of the include string and its expression language.
inline constexpr char kIncludeStringHelpPage[] = "includestring.htm";

class CIncludeStringWizard : public CHelpDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 117;

    explicit CIncludeStringWizard(QWidget* parent = nullptr);

    // The built string; set when the dialog was accepted.
    const QString& IncludeString() const { return m_sIncludeString; }

    QComboBox* IncludeCombo(int row) const { return m_rows[row].include; }
    QComboBox* KindCombo(int row) const { return m_rows[row].kind; }
    QLineEdit* TextEdit(int row) const { return m_rows[row].text; }
    // The "And"/"Or" combo between row `index` and row `index + 1`.
    QComboBox* ConnectorCombo(int index) const { return m_connectors[index]; }

    // Builds the string from the rows. A number row whose text is no number
    // keeps the dialog open with that text selected.
    void accept() override;

private:
    struct RowControls {
        QComboBox* include = nullptr;
        QComboBox* kind = nullptr;
        QLineEdit* text = nullptr;
    };

    std::array<RowControls, kIncludeWizardRows> m_rows;
    std::array<QComboBox*, kIncludeWizardRows - 1> m_connectors{};
    QString m_sIncludeString;
};
