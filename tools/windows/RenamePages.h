#pragma once
// The three pages of the rename tool's sheet: "File Name" (the name template
// with its token buttons, find and replace, the replace mode and the case
// rule), "Extension" (the extension template, find and replace, its case
// rule) and "Counter" (digits, start and step). Every edit or choice on a
// page emits Changed, after which the dialog recomputes the new names.

#include <QTabWidget>
#include <QWidget>

#include "tools/RenameJob.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

constexpr int IDD_RENAME_NAME_PAGE = 120;
constexpr int IDD_RENAME_EXT_PAGE = 122;
constexpr int IDD_RENAME_COUNTER_PAGE = 124;

// The base of the pages: token buttons that insert their text at the caret
// of the page's template edit.
class CRenamePage : public QWidget {
    Q_OBJECT

public:
    CRenamePage(int templateId, const QString& title, QWidget* parent);
    int TemplateId() const { return m_templateId; }
    // Writes the page's choices into `options`.
    virtual void Read(RenameOptions& options) const = 0;

signals:
    void Changed();

protected:
    // A button with `text` that inserts it into `edit`.
    QWidget* MakeTokenButton(int id, const char* text, QLineEdit* edit);
    // Edits, combos and spins emit Changed when they change.
    void Watch(QLineEdit* edit);
    void Watch(QComboBox* combo);
    void Watch(QSpinBox* spin);

private:
    int m_templateId;
};

class CFileNamePage : public CRenamePage {
    Q_OBJECT

public:
    explicit CFileNamePage(QWidget* parent = nullptr);
    void Read(RenameOptions& options) const override;

    QLineEdit* TemplateEdit() const { return m_pTemplate; }
    QLineEdit* FindEdit() const { return m_pFind; }
    QLineEdit* ReplaceEdit() const { return m_pReplace; }
    QComboBox* ModeCombo() const { return m_pMode; }
    QComboBox* CaseCombo() const { return m_pCase; }

private:
    QLineEdit* m_pTemplate;
    QLineEdit* m_pFind;
    QLineEdit* m_pReplace;
    QComboBox* m_pMode;
    QComboBox* m_pCase;
};

class CExtPage : public CRenamePage {
    Q_OBJECT

public:
    explicit CExtPage(QWidget* parent = nullptr);
    void Read(RenameOptions& options) const override;

    QLineEdit* TemplateEdit() const { return m_pTemplate; }
    QLineEdit* FindEdit() const { return m_pFind; }
    QLineEdit* ReplaceEdit() const { return m_pReplace; }
    QComboBox* CaseCombo() const { return m_pCase; }

private:
    QLineEdit* m_pTemplate;
    QLineEdit* m_pFind;
    QLineEdit* m_pReplace;
    QComboBox* m_pCase;
};

class CCounterPage : public CRenamePage {
    Q_OBJECT

public:
    explicit CCounterPage(QWidget* parent = nullptr);
    void Read(RenameOptions& options) const override;

    QSpinBox* DigitsSpin() const { return m_pDigits; }
    QSpinBox* StartSpin() const { return m_pStart; }
    QSpinBox* StepSpin() const { return m_pStep; }

private:
    QSpinBox* m_pDigits;
    QSpinBox* m_pStart;
    QSpinBox* m_pStep;
};

// The sheet that holds the three pages.
class CRenameSheet : public QTabWidget {
    Q_OBJECT

public:
    explicit CRenameSheet(QWidget* parent = nullptr);
    // The choices of all three pages.
    RenameOptions ReadOptions() const;

    CFileNamePage* NamePage() const { return m_pName; }
    CExtPage* ExtPage() const { return m_pExt; }
    CCounterPage* CounterPage() const { return m_pCounter; }

signals:
    void Changed();

private:
    CFileNamePage* m_pName;
    CExtPage* m_pExt;
    CCounterPage* m_pCounter;
};
