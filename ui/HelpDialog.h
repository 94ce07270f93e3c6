#pragma once
// The base of nearly every dialog: it knows the name of its page in the help
// folder and opens that page when the user presses F1.

#include <QDialog>
#include <QString>

class CHelpDialog : public QDialog {
    Q_OBJECT
public:
    explicit CHelpDialog(QWidget* parent = nullptr);
    // `templateId` is the dialog's id, kept for whoever identifies dialogs by it.
    explicit CHelpDialog(int templateId, QWidget* parent = nullptr);

    int TemplateId() const { return m_templateId; }

    const QString& HelpPage() const { return m_helpPage; }
    void SetHelpPage(const QString& page) { m_helpPage = page; }

    // Opens the dialog's help page, or the contents when it has none.
    void OnHelp();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_templateId = 0;
    QString m_helpPage;
};
