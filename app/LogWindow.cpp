#include "app/LogWindow.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include <mutex>

namespace {

// Height of the "Clear" button in dialog units.
constexpr int kClearButtonDlu = 15;

// The one log window. Read by other threads only under the lock; the window
// thread creates and destroys it.
std::mutex g_windowLock;
CLogWindow* g_pLogWindow = nullptr;

// Dialog units to pixels, vertically: a dialog unit is an eighth of the
// font's character height.
int VerticalDluToPixels(const QFontMetrics& metrics, int dlu) {
    return (dlu * metrics.height() + 4) / 8;
}

}  // namespace

QColor ColorFromColorRef(COLORREF colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

CLogWindow::CLogWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("IDD_LOG_WINDOW"));
    setWindowTitle(QStringLiteral("Log Window"));
    setModal(false);
    setMinimumSize(kLogWindowMinWidth, kLogWindowMinHeight);

    m_pClear = new QPushButton(QStringLiteral("Clear"), this);
    m_pClear->setObjectName(QStringLiteral("IDC_LOG_CLEAR"));
    m_pClear->setAutoDefault(false);
    m_pClear->setFixedHeight(VerticalDluToPixels(m_pClear->fontMetrics(), kClearButtonDlu));

    m_pEdit = new QTextEdit(this);
    m_pEdit->setObjectName(QStringLiteral("IDC_LOG_EDIT"));
    m_pEdit->setReadOnly(true);
    m_pEdit->setUndoRedoEnabled(false);
    m_pEdit->setAcceptRichText(false);
    m_pEdit->setLineWrapMode(QTextEdit::NoWrap);

    // The button spans the top edge; the view fills the rest.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pClear);
    layout->addWidget(m_pEdit, 1);

    connect(m_pClear, &QPushButton::clicked, this, &CLogWindow::Clear);
    SetColor(m_colour);
}

void CLogWindow::SetColor(COLORREF colour) {
    m_colour = colour;
    m_pEdit->setTextColor(ColorFromColorRef(colour));
}

void CLogWindow::AppendLine(COLORREF colour, const std::string& line) {
    const COLORREF remembered = m_colour;
    // The caret goes to the end; the line replaces the empty selection there.
    QTextCursor cursor(m_pEdit->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format = cursor.charFormat();
    format.setForeground(ColorFromColorRef(colour));
    cursor.insertText(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())), format);
    m_pEdit->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    SetColor(remembered);
}

void CLogWindow::Clear() {
    QTextCursor cursor(m_pEdit->document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
}

void CLogWindow::closeEvent(QCloseEvent* event) {
    hide();
    event->ignore();
}

void CLogWindow::reject() {
    hide();
}

BOOL CreateLogWindow(QWidget* parent) {
    DestroyLogWindow();
    auto* window = new CLogWindow(parent);
    // A top-level window of its own even with a parent.
    window->setWindowFlag(Qt::Window, true);
    {
        std::lock_guard lock(g_windowLock);
        g_pLogWindow = window;
    }
    // Every line is queued to the window's thread, also from that thread
    // itself, so lines keep the order in which they were logged.
    SetLogSink([window](COLORREF colour, const std::string& line) {
        QMetaObject::invokeMethod(
            window, [window, colour, line] { window->AppendLine(colour, line); },
            Qt::QueuedConnection);
    });
    return TRUE;
}

void DestroyLogWindow() {
    CLogWindow* window = nullptr;
    {
        std::lock_guard lock(g_windowLock);
        window = g_pLogWindow;
        g_pLogWindow = nullptr;
    }
    if (window == nullptr) {
        return;
    }
    // After this no thread is inside the sink; lines already queued go with
    // the window.
    SetLogSink(LogSink());
    delete window;
}

void ShowLogWindow(bool show) {
    if (CLogWindow* window = GetLogWindow()) {
        window->setVisible(show);
    }
}

BOOL IsLogWindowVisible() {
    CLogWindow* window = GetLogWindow();
    return window != nullptr && window->isVisible() ? TRUE : FALSE;
}

void LogSetColor(COLORREF colour) {
    std::lock_guard lock(g_windowLock);
    if (g_pLogWindow != nullptr) {
        CLogWindow* window = g_pLogWindow;
        QMetaObject::invokeMethod(
            window, [window, colour] { window->SetColor(colour); }, Qt::QueuedConnection);
    }
}

CLogWindow* GetLogWindow() {
    std::lock_guard lock(g_windowLock);
    return g_pLogWindow;
}
