#include "ui/HoverButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include "platform/StringTable.h"
#include "ui/IconResources.h"

namespace {

constexpr int kIconMargin = 3;  // between the edge, the icon and the text
constexpr int kFocusInset = 3;
// The text is wrapped only where it has no room; "&" marks the mnemonic.
constexpr int kTextFlags = Qt::AlignHCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;

QSize IconSize(const QIcon& icon) {
    if (icon.isNull())
        return {};
    const QList<QSize> sizes = icon.availableSizes();
    return sizes.isEmpty() ? QSize(16, 16) : sizes.first();
}

// A one-pixel edge: `topLeft` along the top and left side, `bottomRight`
// along the bottom and right side.
void DrawThinEdge(QPainter& painter, const QRect& r, const QColor& topLeft,
                  const QColor& bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

}  // namespace

CHoverButton::CHoverButton(QWidget* parent) : QPushButton(parent) {
    Init();
}

CHoverButton::CHoverButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    Init();
}

void CHoverButton::Init() {
    SetDefaultColors(false);
    // Connected before anyone else, so the parent's handler of the click
    // already sees the toggled state.
    connect(this, &QAbstractButton::clicked, this, &CHoverButton::OnClicked);
}

int CHoverButton::SetIcon(int firstIconId, int secondIconId) {
    return SetIcon(LoadIconResource(firstIconId),
                   secondIconId != 0 ? LoadIconResource(secondIconId) : QIcon());
}

int CHoverButton::SetIcon(const QIcon& first, const QIcon& second) {
    int result = 0;
    if (first.isNull()) {
        m_firstIcon = QIcon();
        m_secondIcon = QIcon();
        result = 1;
    } else {
        m_firstIcon = first;
        m_secondIcon = second;
    }
    m_firstIconSize = IconSize(m_firstIcon);
    m_secondIconSize = IconSize(m_secondIcon);
    update();
    return result;
}

void CHoverButton::ChangeIcon(int iconId) {
    SetIcon(iconId, 0);
}

int CHoverButton::SetBtnCursor(int cursorId) {
    if (cursorId == 0) {
        unsetCursor();
        return 1;
    }
    const std::optional<QCursor> cursor = LoadCursorResource(cursorId);
    if (!cursor)
        return 0;
    setCursor(*cursor);
    return 1;
}

void CHoverButton::SetFlat(bool flat) {
    m_flat = flat;
    update();
}

void CHoverButton::SetAlign(int align) {
    if (align >= ALIGN_ICON_LEFT && align <= ALIGN_ICON_RIGHT)
        m_align = align;
    update();
}

void CHoverButton::SetAlwaysBorder(bool always) {
    m_alwaysBorder = always;
}

void CHoverButton::SetFlatFocus(bool drawFocus, bool repaint) {
    m_flatFocus = drawFocus;
    if (repaint)
        update();
}

void CHoverButton::SetFlags(int flags) {
    m_flags = flags;
    if (flags & FLAG_CHECKBOX)
        m_checkBox = true;
}

void CHoverButton::SetShowText(bool show) {
    m_showText = show;
    update();
}

void CHoverButton::SetCheck(bool checked, bool repaint) {
    if (!m_checkBox)
        return;
    m_checked = checked;
    if (repaint)
        update();
}

void CHoverButton::SetTooltipText(unsigned stringId, bool activate) {
    SetTooltipText(QString::fromUtf8(LoadResourceString(stringId)), activate);
}

void CHoverButton::SetTooltipText(const QString& text, bool activate) {
    if (text.isEmpty())
        return;
    m_tooltipText = text;
    m_tooltipActive = activate;
    setToolTip(activate ? text : QString());
}

void CHoverButton::SetDefaultColors(bool repaint) {
    const QPalette& colors = palette();
    m_normalBackground = colors.color(QPalette::Button);
    m_normalText = colors.color(QPalette::ButtonText);
    m_hoverBackground = m_normalBackground;
    m_hoverText = m_normalText;
    if (repaint)
        update();
}

void CHoverButton::SetNormalTextColor(const QColor& color, bool repaint) {
    m_normalText = color;
    if (repaint)
        update();
}

void CHoverButton::SetHoverTextColor(const QColor& color, bool repaint) {
    m_hoverText = color;
    if (repaint)
        update();
}

void CHoverButton::OnClicked() {
    if (!m_checkBox)
        return;
    m_checked = !m_checked;
    update();
}

void CHoverButton::SetHover(bool hover) {
    if (m_hover == hover)
        return;
    m_hover = hover;
    update();
}

void CHoverButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    // A drag that started elsewhere does not light the button up.
    if (m_flat && isEnabled() && !(QApplication::mouseButtons() & Qt::LeftButton))
        SetHover(true);
}

void CHoverButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    SetHover(false);
}

void CHoverButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    if (m_flat)
        SetHover(false);
}

void CHoverButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        SetHover(false);
}

CHoverButton::Look CHoverButton::ComputeLook() const {
    Look look;
    look.pressed = isDown() || (m_checkBox && m_checked);
    look.focused = hasFocus();
    look.disabled = !isEnabled();
    look.hovering = m_hover && !look.disabled;
    const bool shiftWhenPressed = look.pressed && !m_checkBox;
    const QPalette& colors = palette();

    QRect r = rect();
    if (!m_flat && (look.focused || isDefault())) {
        look.blackFrame = true;
        r.adjust(1, 1, -1, -1);
    }
    look.edgeRect = r;

    if (m_flags & FLAG_CHECKBOX)
        look.background = colors.color(look.pressed ? QPalette::Light : QPalette::Button);
    else
        look.background = (look.hovering || look.pressed) ? m_hoverBackground : m_normalBackground;

    if (look.pressed)
        look.edge = m_flat ? Edge::SunkenThin : Edge::ShadowFrame;
    else if (!m_flat)
        look.edge = Edge::RaisedThick;
    else if (look.hovering || m_alwaysBorder)
        look.edge = Edge::RaisedThin;

    const bool withText = m_showText && !text().isEmpty();
    QRect textArea = r;
    if (!m_firstIcon.isNull()) {
        look.secondIcon = !m_secondIcon.isNull() && !look.pressed && (!look.hovering || m_checkBox);
        const QSize size = look.secondIcon ? m_secondIconSize : m_firstIconSize;
        const QRect client = rect();
        int x = client.left() + (client.width() - size.width()) / 2;
        int y = client.top() + (client.height() - size.height()) / 2;
        if (withText) {
            switch (m_align) {
                case ALIGN_ICON_LEFT:
                    x = client.left() + kIconMargin;
                    textArea.setLeft(x + size.width() + kIconMargin);
                    break;
                case ALIGN_ICON_TOP:
                    y = r.top();
                    textArea.setTop(y + size.height());
                    break;
                default:
                    x = client.right() + 1 - kIconMargin - size.width();
                    textArea.setLeft(client.left() + kIconMargin);
                    textArea.setRight(x - 1);
                    break;
            }
        }
        look.iconRect = QRect(QPoint(x, y), size);
        if (shiftWhenPressed)
            look.iconRect.translate(1, 1);
    }

    if (withText) {
        const QRect measured = fontMetrics().boundingRect(
            QRect(0, 0, std::max(textArea.width(), 1), 0x7fff), kTextFlags, text());
        look.textRect = QRect(0, 0, measured.width(), measured.height());
        look.textRect.moveCenter(textArea.center());
        if (shiftWhenPressed)
            look.textRect.translate(1, 1);
        look.embossed = look.disabled;
        look.textColor = (look.hovering || look.pressed) ? m_hoverText : m_normalText;
    }

    look.focusRect = look.focused && (!m_flat || m_flatFocus);
    if (look.focusRect)
        look.focusRectArea = r.adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
    return look;
}

void CHoverButton::paintEvent(QPaintEvent*) {
    const Look look = ComputeLook();
    const QPalette& colors = palette();
    QPainter painter(this);

    if (look.blackFrame) {
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const QRect r = look.edgeRect;
    painter.fillRect(r, look.background);

    const QColor highlight = colors.color(QPalette::Light);
    const QColor shadow = colors.color(QPalette::Dark);
    switch (look.edge) {
        case Edge::SunkenThin:
            DrawThinEdge(painter, r, shadow, highlight);
            break;
        case Edge::ShadowFrame:
            painter.setPen(shadow);
            painter.drawRect(r.adjusted(0, 0, -1, -1));
            break;
        case Edge::RaisedThick:
            DrawThinEdge(painter, r, highlight, colors.color(QPalette::Shadow));
            DrawThinEdge(painter, r.adjusted(1, 1, -1, -1), colors.color(QPalette::Midlight),
                         shadow);
            break;
        case Edge::RaisedThin:
            DrawThinEdge(painter, r, highlight, shadow);
            break;
        case Edge::None:
            break;
    }

    if (!look.iconRect.isEmpty()) {
        const QIcon& icon = look.secondIcon ? m_secondIcon : m_firstIcon;
        icon.paint(&painter, look.iconRect, Qt::AlignCenter,
                   look.disabled ? QIcon::Disabled : QIcon::Normal);
    }

    if (!look.textRect.isEmpty()) {
        const int flags = kTextFlags;
        if (look.embossed) {
            painter.setPen(highlight);
            painter.drawText(look.textRect.translated(1, 1), flags, text());
            painter.setPen(shadow);
        } else {
            painter.setPen(look.textColor);
        }
        painter.drawText(look.textRect, flags, text());
    }

    if (look.focusRect) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = look.focusRectArea;
        option.backgroundColor = look.background;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

QSize CHoverButton::sizeHint() const {
    const bool withText = m_showText && !text().isEmpty();
    const QSize icon = m_firstIconSize.expandedTo(m_secondIconSize);
    // The edges and the focus frame around whatever the button shows.
    const int frame = 2 * (kFocusInset + 2);
    if (!withText)
        return QPushButton::sizeHint().expandedTo(icon + QSize(frame, frame));
    const QSize textSize = fontMetrics().size(Qt::TextShowMnemonic, text());
    QSize hint = textSize + QSize(2 * kIconMargin + frame, frame);
    if (!icon.isEmpty()) {
        if (m_align == ALIGN_ICON_TOP) {
            hint.rwidth() = std::max(hint.width(), icon.width() + frame);
            hint.rheight() += icon.height();
        } else {
            hint.rwidth() += icon.width() + kIconMargin;
            hint.rheight() = std::max(hint.height(), icon.height() + frame);
        }
    }
    // Never smaller than the style's own button for the text.
    return hint.expandedTo(QPushButton::sizeHint());
}
