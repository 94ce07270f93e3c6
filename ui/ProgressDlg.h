#pragma once
// The small modeless "Progress" dialog of long operations that run on the
// window's thread: a status line, a bar and a Cancel button. Work counts in
// 64-bit units while the bar takes int positions, so ranges above 1 GiB units
// are scaled down by 2^20.
//
// Enter and Esc do not close it, and Cancel only reports the wish: a caller
// that lets the user cancel listens to CancelRequested while it pumps events.
// The dialog is a top-level window kept above its owner rather than a child
// of it, so it stays usable while the operation disables the owner.

#include <QPointer>
#include <QString>

#include <cstdint>

#include "ui/HelpDialog.h"

class QLabel;
class QProgressBar;
class QPushButton;

constexpr int IDD_PROGRESS = 111;
constexpr int IDC_PROGRESS_STATUS = 1004;
constexpr int IDC_PROGRESS_BAR = 1006;

class CProgressDlg : public CHelpDialog {
    Q_OBJECT
public:
    explicit CProgressDlg(QWidget* owner = nullptr);

    void SetStatusText(const QString& text);
    const QString& GetStatusText() const { return m_strStatus; }
    // Stores the bounds; above 0x40000000 units the bar counts in 2^20 units.
    void SetRange64(std::int64_t low, std::int64_t high);
    // Moves the bar to `position` (kept inside the bar's range).
    void SetPos64(std::int64_t position);
    int GetShift() const { return m_nShift; }

    // Centres the dialog on its screen, shows it and brings it to the front.
    void ShowCentred();

    QLabel* StatusControl() const { return m_pStatus; }
    QProgressBar* ProgressBar() const { return m_pBar; }
    QPushButton* CancelButton() const { return m_pCancel; }

    // OK and Cancel (Enter and Esc) do nothing.
    void accept() override {}
    void reject() override {}

signals:
    // The Cancel button or the window's close box was used.
    void CancelRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QWidget> m_pOwner;
    QLabel* m_pStatus = nullptr;
    QProgressBar* m_pBar = nullptr;
    QPushButton* m_pCancel = nullptr;
    QString m_strStatus;
    std::int64_t m_nLow = 0;
    std::int64_t m_nHigh = 0;
    int m_nShift = 0;
};
