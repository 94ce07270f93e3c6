#pragma once
// A static text that is a web link: underlined text in link colours (another
// colour while the mouse is over it, and once visited), a hand cursor, a
// tooltip with the address, and a click that opens the address in the user's
// browser or mail program. Only http, https and mailto addresses are opened.
// Opening goes to the desktop first; when that fails, the desktop's opener
// (xdg-open) is started with the address as its one argument. When both fail
// the shell's text for the failure is shown.

#include <QColor>
#include <QLabel>
#include <QString>
#include <QUrl>

#include <functional>

// Hands an address to the desktop; true when it was taken.
using HyperlinkDesktopOpener = std::function<bool(const QUrl&)>;
// Starts the desktop's opener on an address: above 32 when it started, else
// the shell's error code (2: there is no opener).
using HyperlinkFallbackOpener = std::function<int(const QString& address)>;

// The result of an address that was handed on.
constexpr int kHyperlinkOpened = 33;
// The codes of a failed opening: the opener could not be started for
// another reason than its absence, and an address of a kind that is not opened.
constexpr int kHyperlinkStartFailed = 1;
constexpr int kHyperlinkRefused = 27;

// Starts xdg-open detached with `address` as its one argument.
int StartDesktopOpener(const QString& address);

class CHyperlinkStatic : public QLabel {
    Q_OBJECT
public:
    explicit CHyperlinkStatic(const QString& text = QString(), QWidget* parent = nullptr);
    ~CHyperlinkStatic() override;

    // The address (an empty text takes it); the window is fitted to its text
    // again and the tooltip shows the address.
    void SetURL(const QString& address);
    const QString& GetURL() const { return m_sURL; }
    void SetVisited(bool visited);
    bool IsVisited() const { return m_bVisited; }
    bool IsHovering() const { return m_bHover; }
    // The colour the text is drawn in now.
    QColor TextColour() const;

    // How addresses are opened (tests replace both).
    void SetOpeners(HyperlinkDesktopOpener desktop, HyperlinkFallbackOpener fallback);
    // Opens `address`: above 32 when it was handed on, else the error code.
    int GotoURL(const QString& address);
    // "Unable to open hyperlink:" and the text for `code`, in a message box.
    void ReportError(int code);
    static QString ErrorText(int code);

    // Moves and sizes the window around its text in the link font: it keeps
    // its top (or is centred vertically with Qt::AlignVCenter), and its left
    // edge, its right edge (Qt::AlignRight) or its middle (Qt::AlignHCenter).
    void PositionWindow();

    static constexpr QRgb kLinkColour = qRgb(0, 0, 238);
    static constexpr QRgb kVisitedColour = qRgb(85, 26, 139);

protected:
    // Shows the error box; tests record the text instead.
    virtual void ShowErrorBox(const QString& text);

    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void OnClicked();
    void UpdateColour();

    QColor m_crHoverColour;
    bool m_bHover = false;
    bool m_bVisited = false;
    bool m_bUnderline = true;
    bool m_bAdjustToFit = true;
    QString m_sURL;
    HyperlinkDesktopOpener m_desktopOpener;
    HyperlinkFallbackOpener m_fallbackOpener;
};
