#pragma once
// The properties sheet of selected files and folders: a modeless window of
// pages with OK, Cancel and Apply that drives its pages' notifications
// itself, and deletes itself when it closes. It is made with the blank "My
// Page" as placeholder (a sheet needs a page to be made); the pages for the
// selection are added and the placeholder removed before it is shown.
//
// The page protocol: leaving the current page (kill-active), applying, and
// the question whether the sheet may be cancelled. A page may refuse each.

#include <QDialog>

#include <vector>

class QTabWidget;
class QPushButton;

// Control ids of the sheet's buttons.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int ID_APPLY_NOW = 0x3021;

class IFilePropertyPage {
public:
    virtual ~IFilePropertyPage() = default;
    // May the current page be left? (PSN_KILLACTIVE)
    virtual bool OnKillActive() { return true; }
    // Applies the page's changes; false refuses. (PSN_APPLY)
    virtual bool OnApply() { return true; }
    // May the sheet be cancelled? (PSN_QUERYCANCEL)
    virtual bool OnQueryCancel() { return true; }
};

class CFilePropertiesSheet : public QDialog {
    Q_OBJECT
public:
    // A heap-allocated sheet owned by `parent`'s window system; it deletes
    // itself when it closes.
    explicit CFilePropertiesSheet(QWidget* parent);

    // Adds a page; a page that implements IFilePropertyPage takes part in
    // the protocol. The sheet owns it.
    void AddPage(QWidget* page, const QString& title);
    void RemovePage(QWidget* page);
    int GetPageCount() const;
    QWidget* GetPage(int index) const;
    QWidget* GetPlaceholderPage() const { return m_pPlaceholder; }

    // Removes the placeholder; with at least one page left, centres the
    // sheet, shows page 0 and the sheet and returns true; without pages the
    // sheet deletes itself (never shown) and returns false.
    bool ShowWithPages();

    // The buttons: OK, Cancel and Apply (ids above). False when a page
    // refused, so the sheet stays as it was.
    bool OnCommand(int id);

protected:
    // The close box asks like Cancel.
    void closeEvent(QCloseEvent* event) override;
    // Esc is Cancel; Enter is OK.
    void reject() override { OnCommand(IDCANCEL); }
    void accept() override { OnCommand(IDOK); }

private:
    bool KillActive();
    bool ApplyAll();
    static IFilePropertyPage* Protocol(QWidget* page);

    QTabWidget* m_pTabs;
    QWidget* m_pPlaceholder;
    QPushButton* m_pApply;
    bool m_bClosing = false;
};
