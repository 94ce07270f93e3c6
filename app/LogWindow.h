#pragma once
// The modeless "Log Window": a "Clear" button over a read-only rich text view
// in which every part of the program appends coloured lines. The window is
// process-wide state behind free functions; it installs itself as the log
// sink (platform/Log.h), so LogPrintf from any thread reaches it. Each line
// is carried to the window's thread by a queued invocation and appended there
// whole, in its own colour, in the order the lines were logged.

#include <QColor>
#include <QDialog>

#include <string>

#include "platform/Log.h"
#include "platform/WinTypes.h"

class QPushButton;
class QTextEdit;

constexpr int IDD_LOG_WINDOW = 109;
constexpr int IDC_LOG_CLEAR = 1013;
constexpr int IDC_LOG_EDIT = 1016;

// Smallest size of the window, in pixels.
constexpr int kLogWindowMinWidth = 100;
constexpr int kLogWindowMinHeight = 120;

class CLogWindow : public QDialog {
    Q_OBJECT
public:
    explicit CLogWindow(QWidget* parent);

    QTextEdit* Edit() const { return m_pEdit; }
    QPushButton* ClearButton() const { return m_pClear; }

    // Appends one line (its text ends with "\n") in `colour`; the colour of
    // the character format is restored afterwards. Window thread only.
    void AppendLine(COLORREF colour, const std::string& line);
    // Stores the colour in the character format and applies it to the
    // current selection. Window thread only.
    void SetColor(COLORREF colour);
    COLORREF Color() const { return m_colour; }

    // Selects all text and replaces it by nothing.
    void Clear();

protected:
    // Closing hides the window; its text stays.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QPushButton* m_pClear = nullptr;
    QTextEdit* m_pEdit = nullptr;
    COLORREF m_colour = RGB(0, 0, 0);
};

// Destroys an existing log window, then creates a new one, hidden, and makes
// it the log sink. TRUE when the window exists.
BOOL CreateLogWindow(QWidget* parent);
// Removes the sink and destroys the window (when there is one).
void DestroyLogWindow();
// Shows (true) or hides (false) the window when it exists.
void ShowLogWindow(bool show);
BOOL IsLogWindowVisible();
// Sets the colour of the character format (from any thread).
void LogSetColor(COLORREF colour);
// The window, or null when none exists.
CLogWindow* GetLogWindow();

// The colour of a COLORREF (red in the low byte).
QColor ColorFromColorRef(COLORREF colour);
