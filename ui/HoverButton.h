#pragma once
// The flat push button of nearly every dialog: an icon with optional text, a
// raised edge only while the mouse is over it, a custom cursor, a tooltip and
// an optional check-box (toggle) mode. The button paints itself.

#include <QColor>
#include <QIcon>
#include <QPushButton>
#include <QRect>
#include <QString>

class QEnterEvent;

class CHoverButton : public QPushButton {
    Q_OBJECT
public:
    // Where the icon stands relative to the text.
    static constexpr int ALIGN_ICON_LEFT = 0;
    static constexpr int ALIGN_ICON_TOP = 1;
    static constexpr int ALIGN_ICON_RIGHT = 2;
    // SetFlags bit: check-box mode, with the pressed look drawn in the
    // highlight colour.
    static constexpr int FLAG_CHECKBOX = 2;

    explicit CHoverButton(QWidget* parent = nullptr);
    explicit CHoverButton(const QString& text, QWidget* parent = nullptr);

    // Icons from the resources (second id 0: none). Returns 1 when the first
    // icon cannot be loaded (both icons are then dropped), else 0.
    int SetIcon(int firstIconId, int secondIconId = 0);
    // The same with ready icons; each icon's size is its first available size.
    int SetIcon(const QIcon& first, const QIcon& second = QIcon());
    // One icon for both states.
    void ChangeIcon(int iconId);
    // The cursor shown over the button (0: the default cursor). Returns 1 when
    // the cursor was set or cleared, 0 when the id is unknown.
    int SetBtnCursor(int cursorId);

    void SetFlat(bool flat);
    // 0..2; other values leave the alignment as it is (the button still
    // repaints).
    void SetAlign(int align);
    void SetAlwaysBorder(bool always);
    void SetFlatFocus(bool drawFocus, bool repaint = false);
    void SetFlags(int flags);
    void SetShowText(bool show);

    // Check-box mode only.
    void SetCheck(bool checked, bool repaint = true);
    int GetCheck() const { return m_checked ? 1 : 0; }

    // The tooltip from the string table; an empty text does nothing.
    void SetTooltipText(unsigned stringId, bool activate = true);
    void SetTooltipText(const QString& text, bool activate = true);

    void SetDefaultColors(bool repaint = true);
    void SetNormalTextColor(const QColor& color, bool repaint = true);
    const QColor& NormalTextColor() const { return m_normalText; }
    void SetHoverTextColor(const QColor& color, bool repaint = true);

    int GetAlign() const { return m_align; }
    bool IsFlat() const { return m_flat; }
    bool IsHovering() const { return m_hover; }
    bool IsCheckBoxMode() const { return m_checkBox; }
    QString TooltipText() const { return m_tooltipText; }
    bool IsTooltipActive() const { return m_tooltipActive; }

    // Everything one paint decides, computed from the current state.
    enum class Edge { None, SunkenThin, ShadowFrame, RaisedThick, RaisedThin };
    struct Look {
        bool pressed = false;
        bool focused = false;
        bool disabled = false;
        bool hovering = false;
        bool blackFrame = false;  // a black frame around a focused or default button
        QRect edgeRect;           // the button inside that frame
        QColor background;
        Edge edge = Edge::None;
        bool secondIcon = false;  // which icon is drawn (when there is one)
        QRect iconRect;           // empty without an icon
        QRect textRect;           // empty without text
        QColor textColor;         // ignored when embossed
        bool embossed = false;    // disabled text
        bool focusRect = false;
        QRect focusRectArea;
    };
    Look ComputeLook() const;

    // Room for the icon beside (or above) the whole text, whose "&" marks a
    // mnemonic and takes no room.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Init();
    void OnClicked();
    void SetHover(bool hover);

    int m_flags = 0;
    QColor m_normalBackground;
    QColor m_normalText;
    QColor m_hoverBackground;
    QColor m_hoverText;
    int m_align = ALIGN_ICON_LEFT;
    bool m_showText = true;
    bool m_alwaysBorder = false;
    bool m_flat = true;
    bool m_hover = false;
    bool m_flatFocus = true;
    QString m_tooltipText;
    bool m_tooltipActive = false;
    QIcon m_firstIcon;
    QSize m_firstIconSize;
    QIcon m_secondIcon;
    QSize m_secondIconSize;
    bool m_checkBox = false;
    bool m_checked = false;
};
