#include "tools/windows/FindDupFilesProcessDlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Log.h"

CFindDupFilesProcessDlg::CFindDupFilesProcessDlg(CFindDupOptions options, QWidget* parent)
    : CHelpDialog(IDD_DUP_PROGRESS, parent),
      m_pFinder(std::make_unique<CDupFinder>(std::move(options), m_bStop)) {
    setWindowTitle(QStringLiteral("Search Progress"));
    m_pMessage = new QLabel(this);
    m_pMessage->setObjectName(QString::number(IDC_DUP_MESSAGE));
    m_pMessage->setMinimumWidth(360);
    m_pMessage->setTextFormat(Qt::PlainText);
    m_pStop = new QPushButton(QStringLiteral("&Stop Search"), this);
    m_pStop->setObjectName(QString::number(IDC_DUP_STOP_SEARCH));
    m_pStop->setAutoDefault(false);
    connect(m_pStop, &QPushButton::clicked, this, &CFindDupFilesProcessDlg::OnStop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pMessage);
    layout->addWidget(m_pStop, 0, Qt::AlignHCenter);

    // The worker's status reaches the label on this window's thread.
    QPointer<QLabel> label = m_pMessage;
    m_pFinder->SetStatusCallback([this, label](const std::string& text) {
        QMetaObject::invokeMethod(
            this,
            [label, message = QString::fromStdString(text)] {
                if (label)
                    label->setText(message);
            },
            Qt::QueuedConnection);
    });
}

CFindDupFilesProcessDlg::~CFindDupFilesProcessDlg() {
    m_bStop = true;
    if (m_worker.joinable())
        m_worker.join();
}

void CFindDupFilesProcessDlg::SetReadThreads(unsigned threads) {
    m_pFinder->SetReadThreads(threads);
}

void CFindDupFilesProcessDlg::OnStop() {
    m_bStop = true;
}

void CFindDupFilesProcessDlg::showEvent(QShowEvent* event) {
    CHelpDialog::showEvent(event);
    if (m_bStarted)
        return;
    m_bStarted = true;
    m_worker = std::thread([this] {
        bool completed = false;
        try {
            completed = m_pFinder->Run();
        } catch (...) {
            LogErrorHere();
        }
        QMetaObject::invokeMethod(
            this, [this, completed] { Finished(completed); }, Qt::QueuedConnection);
    });
}

void CFindDupFilesProcessDlg::Finished(bool completed) {
    if (m_worker.joinable())
        m_worker.join();
    raise();
    activateWindow();
    done(completed && !m_bStop ? DUP_SEARCH_DONE : DUP_SEARCH_STOPPED);
}

void CFindDupFilesProcessDlg::closeEvent(QCloseEvent* event) {
    // The close box asks to stop like the button; the dialog ends with the worker.
    m_bStop = true;
    event->ignore();
}
