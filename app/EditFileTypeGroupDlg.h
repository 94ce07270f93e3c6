#pragma once
// "Edit File Type Group": the name of a file type group and its file-name
// patterns. Any text is accepted, empty included.

#include <QString>

#include "ui/HelpDialog.h"

class CHoverButton;
class QLineEdit;
class QPlainTextEdit;

constexpr int IDD_EDIT_FILE_TYPE_GROUP = 110;
constexpr int IDC_GROUP_NAME_EDIT = 1045;
constexpr int IDC_GROUP_PATTERNS_EDIT = 1046;
constexpr const char* kEditFileTypeGroupHelpPage = "editfiletypedlg.htm";

class CEditFileTypeGroupDlg : public CHelpDialog {
    Q_OBJECT
public:
    CEditFileTypeGroupDlg(const QString& name, const QString& patterns, QWidget* parent = nullptr);

    // The texts as they stand (after OK: as confirmed).
    QString GetName() const;
    QString GetPatterns() const;

    QLineEdit* NameEdit() const { return m_name; }
    QPlainTextEdit* PatternsEdit() const { return m_patterns; }
    CHoverButton* OkButton() const { return m_ok; }
    CHoverButton* CancelButton() const { return m_cancel; }

protected:
    // Enter in the patterns box confirms the dialog, as in the name box.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_name = nullptr;
    QPlainTextEdit* m_patterns = nullptr;
    CHoverButton* m_ok = nullptr;
    CHoverButton* m_cancel = nullptr;
};
