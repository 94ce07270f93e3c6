#include "ui/ProgressDlg.h"
#include "ui/DialogUnits.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <climits>

namespace {

// Ranges above this many units are shifted down.
constexpr std::int64_t kLargestUnshiftedRange = 0x40000000;
constexpr int kLargeRangeShift = 20;

// Layout in dialog units.
constexpr int kWidthDlu = 220;
constexpr int kMarginDlu = 7;
constexpr int kStatusTopDlu = 7;
constexpr int kStatusHeightDlu = 10;
constexpr int kBarTopDlu = 21;
constexpr int kBarHeightDlu = 12;
constexpr int kButtonTopDlu = 41;
constexpr int kButtonWidthDlu = 50;
constexpr int kButtonHeightDlu = 14;

// a - b, saturated at the int64 limits.
std::int64_t Difference(std::int64_t a, std::int64_t b) {
    std::int64_t result = 0;
    if (__builtin_sub_overflow(a, b, &result))
        return a > b ? INT64_MAX : INT64_MIN;
    return result;
}

int ClampToBar(std::int64_t value, int maximum) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, maximum));
}

}  // namespace

CProgressDlg::CProgressDlg(QWidget* owner) : CHelpDialog(IDD_PROGRESS, nullptr), m_pOwner(owner) {
    setWindowTitle(QStringLiteral("Progress"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);

    // The dialog-unit sizes are minimums; the layout grows the window when
    // the font needs more, and the window keeps the size it gets.
    const QFontMetrics metrics(font());
    const int margin = DluX(metrics, kMarginDlu);
    const int inner = DluX(metrics, kWidthDlu) - 2 * margin;

    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QString::number(IDC_PROGRESS_STATUS));
    m_pStatus->setMinimumSize(inner, DluY(metrics, kStatusHeightDlu));

    m_pBar = new QProgressBar(this);
    m_pBar->setObjectName(QString::number(IDC_PROGRESS_BAR));
    m_pBar->setMinimumSize(inner, DluY(metrics, kBarHeightDlu));
    m_pBar->setRange(0, 0);
    m_pBar->setValue(0);
    m_pBar->setTextVisible(false);

    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setObjectName(QStringLiteral("IDCANCEL"));
    // Not a default button: Enter must not press it.
    m_pCancel->setAutoDefault(false);
    m_pCancel->setDefault(false);
    m_pCancel->setMinimumSize(DluX(metrics, kButtonWidthDlu), DluY(metrics, kButtonHeightDlu));

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(margin, DluY(metrics, kStatusTopDlu), margin, margin);
    layout->setSpacing(DluY(metrics, kBarTopDlu - kStatusTopDlu - kStatusHeightDlu));
    layout->addWidget(m_pStatus);
    layout->addWidget(m_pBar);
    layout->addSpacing(DluY(metrics, kButtonTopDlu - kBarTopDlu - kBarHeightDlu) -
                       layout->spacing());
    layout->addWidget(m_pCancel, 0, Qt::AlignHCenter);
    connect(m_pCancel, &QPushButton::clicked, this, &CProgressDlg::CancelRequested);
}

void CProgressDlg::SetStatusText(const QString& text) {
    m_strStatus = text;
    m_pStatus->setText(text);
}

void CProgressDlg::SetRange64(std::int64_t low, std::int64_t high) {
    m_nLow = low;
    m_nHigh = high;
    const std::int64_t span = Difference(high, low);
    m_nShift = span > kLargestUnshiftedRange ? kLargeRangeShift : 0;
    // A negative range leaves an empty bar.
    m_pBar->setRange(0, ClampToBar(span >> m_nShift, INT_MAX));
}

void CProgressDlg::SetPos64(std::int64_t position) {
    // Positions past either end show a full or an empty bar: the bar itself
    // would ignore them.
    m_pBar->setValue(ClampToBar(Difference(position, m_nLow) >> m_nShift, m_pBar->maximum()));
}

void CProgressDlg::ShowCentred() {
    QScreen* screen = m_pOwner ? m_pOwner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void CProgressDlg::showEvent(QShowEvent* event) {
    // Kept above its owner, like an owned window, without being its child.
    if (m_pOwner && windowHandle() && m_pOwner->window()->windowHandle())
        windowHandle()->setTransientParent(m_pOwner->window()->windowHandle());
    CHelpDialog::showEvent(event);
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit CancelRequested();
}
