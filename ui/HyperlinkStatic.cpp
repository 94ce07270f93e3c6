#include "ui/HyperlinkStatic.h"

#include <QApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>

#include "ui/DesktopOpen.h"
#include "ui/IconResources.h"
#include "ui/ProductLinks.h"
#include "ui/ProgramMessage.h"

namespace {

constexpr char kOpener[] = "xdg-open";

bool IsOpenableAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                             scheme == QLatin1String("mailto"));
}

}  // namespace

int StartDesktopOpener(const QString& address) {
    const QString opener = QStandardPaths::findExecutable(QString::fromLatin1(kOpener));
    if (opener.isEmpty())
        return kOpenErrorFileNotFound;
    return QProcess::startDetached(opener, {address}) ? kHyperlinkOpened : kHyperlinkStartFailed;
}

CHyperlinkStatic::CHyperlinkStatic(const QString& text, QWidget* parent)
    : QLabel(text, parent),
      m_crHoverColour(palette().color(QPalette::Highlight)),
      m_desktopOpener(OpenUrlWithDesktop),
      m_fallbackOpener(StartDesktopOpener) {
    setTextFormat(Qt::PlainText);
    // A static text's own placing: left and top, unless the owner aligns it.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // A link without an address opens its own text.
    m_sURL = QLabel::text();
    QFont linkFont = font();
    linkFont.setUnderline(m_bUnderline);
    setFont(linkFont);
    PositionWindow();
    if (const std::optional<QCursor> cursor = LoadCursorResource(IDC_LINK_CURSOR))
        setCursor(*cursor);
    setToolTip(m_sURL);
    UpdateColour();
}

CHyperlinkStatic::~CHyperlinkStatic() = default;

void CHyperlinkStatic::SetURL(const QString& address) {
    m_sURL = address;
    if (text().isEmpty())
        setText(address);
    PositionWindow();
    setToolTip(m_sURL);
}

void CHyperlinkStatic::SetVisited(bool visited) {
    m_bVisited = visited;
    UpdateColour();
}

void CHyperlinkStatic::SetOpeners(HyperlinkDesktopOpener desktop,
                                  HyperlinkFallbackOpener fallback) {
    m_desktopOpener = std::move(desktop);
    m_fallbackOpener = std::move(fallback);
}

QColor CHyperlinkStatic::TextColour() const {
    if (m_bHover)
        return m_crHoverColour;
    return QColor(m_bVisited ? kVisitedColour : kLinkColour);
}

void CHyperlinkStatic::UpdateColour() {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, TextColour());
    setPalette(colours);
    repaint();
}

void CHyperlinkStatic::PositionWindow() {
    if (!m_bAdjustToFit)
        return;
    const QSize extent = QFontMetrics(font()).size(Qt::TextSingleLine, text());
    const QRect old = geometry();
    QRect fitted = old;
    const Qt::Alignment align = alignment();
    if (align & Qt::AlignVCenter)
        fitted.setTop(old.top() + (old.height() - extent.height()) / 2);
    fitted.setHeight(extent.height());
    if (align & Qt::AlignHCenter)
        fitted.setLeft(old.left() + (old.width() - extent.width()) / 2);
    else if (align & Qt::AlignRight)
        fitted.setLeft(old.right() + 1 - extent.width());
    fitted.setWidth(extent.width());
    setGeometry(fitted);
}

void CHyperlinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        OnClicked();
}

void CHyperlinkStatic::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    m_bHover = true;
    UpdateColour();
}

void CHyperlinkStatic::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    m_bHover = false;
    UpdateColour();
}

void CHyperlinkStatic::OnClicked() {
    const int result = GotoURL(m_sURL);
    if (result > 32) {
        SetVisited(true);
        return;
    }
    QApplication::beep();
    ReportError(result);
}

int CHyperlinkStatic::GotoURL(const QString& address) {
    const QUrl url(address);
    if (!IsOpenableAddress(url))
        return kHyperlinkRefused;
    if (m_desktopOpener && m_desktopOpener(url))
        return kHyperlinkOpened;
    return m_fallbackOpener ? m_fallbackOpener(url.toString(QUrl::FullyEncoded))
                            : kOpenErrorFileNotFound;
}

QString CHyperlinkStatic::ErrorText(int code) {
    return QStringLiteral("Unable to open hyperlink:\n\n") + OpenErrorText(code);
}

void CHyperlinkStatic::ReportError(int code) {
    ShowErrorBox(ErrorText(code));
}

void CHyperlinkStatic::ShowErrorBox(const QString& text) {
    ShowProgramMessage(window(), text, QMessageBox::Warning);
}
