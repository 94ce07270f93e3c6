#pragma once
// "Search Progress": runs the duplicate finder on a worker thread and shows
// the folder it is in. "Stop Search" only asks the worker to stop; Enter and
// Esc do nothing. The dialog ends when the worker has ended: with 1068 when
// it was stopped, else with 101. The worker never outlives the dialog.

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

#include "tools/DupFinder.h"
#include "ui/HelpDialog.h"

class QLabel;
class QPushButton;

constexpr int IDD_DUP_PROGRESS = 177;
constexpr int IDC_DUP_STOP_SEARCH = 1068;
constexpr int IDC_DUP_MESSAGE = 1069;
// The dialog's results.
constexpr int DUP_SEARCH_STOPPED = 1068;
constexpr int DUP_SEARCH_DONE = 101;

class CFindDupFilesProcessDlg : public CHelpDialog {
    Q_OBJECT

public:
    CFindDupFilesProcessDlg(CFindDupOptions options, QWidget* parent = nullptr);
    // Stops the worker and waits for it.
    ~CFindDupFilesProcessDlg() override;

    // Threads that read file contents (tests make it one or many).
    void SetReadThreads(unsigned threads);
    // The finder with what it found (after the dialog ended).
    CDupFinder& Finder() { return *m_pFinder; }
    void OnStop();

    QLabel* MessageLabel() const { return m_pMessage; }
    QPushButton* StopButton() const { return m_pStop; }

    void accept() override {}
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Finished(bool completed);

    std::atomic<bool> m_bStop{false};
    std::unique_ptr<CDupFinder> m_pFinder;
    std::thread m_worker;
    bool m_bStarted = false;
    QLabel* m_pMessage = nullptr;
    QPushButton* m_pStop = nullptr;
};
