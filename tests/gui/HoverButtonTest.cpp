#include "ui/HoverButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "gui/GuiTestRegistry.h"
#include "ui/IconResources.h"

namespace {

void Enter(QWidget& widget) {
    const QPointF inside(2, 2);
    QEnterEvent event(inside, widget.mapTo(widget.window(), inside), widget.mapToGlobal(inside));
    QApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

void SendMouse(QWidget& widget, QEvent::Type type, Qt::MouseButtons held) {
    const QPointF at(widget.width() / 2, widget.height() / 2);
    QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

}  // namespace

class HoverButtonTest : public QObject {
    Q_OBJECT
private slots:
    void flatButtonLightsUpOnlyWhileTheMouseIsOver() {
        CHoverButton button(QStringLiteral("Find"));
        button.resize(80, 30);
        QCOMPARE(button.ComputeLook().edge, CHoverButton::Edge::None);
        Enter(button);
        QVERIFY(button.IsHovering());
        QCOMPARE(button.ComputeLook().edge, CHoverButton::Edge::RaisedThin);
        Leave(button);
        QVERIFY(!button.IsHovering());
        QCOMPARE(button.ComputeLook().edge, CHoverButton::Edge::None);

        // The always-border flag keeps the thin edge without the mouse.
        button.SetAlwaysBorder(true);
        QCOMPARE(button.ComputeLook().edge, CHoverButton::Edge::RaisedThin);
    }

    void buttonThatIsNotFlatIgnoresTheMouse() {
        CHoverButton button(QStringLiteral("Find"));
        button.resize(80, 30);
        button.SetFlat(false);
        Enter(button);
        QVERIFY(!button.IsHovering());
        const CHoverButton::Look look = button.ComputeLook();
        QCOMPARE(look.edge, CHoverButton::Edge::RaisedThick);
        QVERIFY(!look.blackFrame);
        // A default button gets the black frame and is drawn inside it.
        button.setDefault(true);
        const CHoverButton::Look framed = button.ComputeLook();
        QVERIFY(framed.blackFrame);
        QCOMPARE(framed.edgeRect, button.rect().adjusted(1, 1, -1, -1));
        const QImage picture = button.grab().toImage();
        QCOMPARE(picture.pixel(0, 0), QColor(Qt::black).rgb());
        QCOMPARE(picture.pixel(1, 1), button.palette().color(QPalette::Light).rgb());
    }

    void disabledButtonIsGreyedAndIgnoresHover() {
        CHoverButton button(QStringLiteral("OK"));
        button.resize(80, 30);
        button.SetIcon(IDI_OK);
        Enter(button);
        QVERIFY(button.IsHovering());
        button.setEnabled(false);
        QVERIFY(!button.IsHovering());
        Enter(button);
        const CHoverButton::Look look = button.ComputeLook();
        QVERIFY(look.disabled);
        QVERIFY(!look.hovering);
        QVERIFY(look.embossed);
        QCOMPARE(look.edge, CHoverButton::Edge::None);
    }

    void hoverAndPressedColours() {
        CHoverButton button(QStringLiteral("Find"));
        button.resize(80, 30);
        const QColor normal = button.palette().color(QPalette::ButtonText);
        QCOMPARE(button.ComputeLook().textColor, normal);
        button.SetHoverTextColor(Qt::red);
        QCOMPARE(button.ComputeLook().textColor, normal);
        Enter(button);
        QCOMPARE(button.ComputeLook().textColor, QColor(Qt::red));
        Leave(button);
        button.setDown(true);
        QCOMPARE(button.ComputeLook().textColor, QColor(Qt::red));
        button.setDown(false);
        button.SetNormalTextColor(Qt::blue);
        QCOMPARE(button.ComputeLook().textColor, QColor(Qt::blue));
        button.SetDefaultColors();
        QCOMPARE(button.ComputeLook().textColor, normal);

        // A thin raised edge while hovering: highlight top left, shadow bottom right.
        Enter(button);
        const QImage picture = button.grab().toImage();
        QCOMPARE(picture.pixel(0, 0), button.palette().color(QPalette::Light).rgb());
        QCOMPARE(picture.pixel(79, 29), button.palette().color(QPalette::Dark).rgb());
        QCOMPARE(picture.pixel(2, 2), button.palette().color(QPalette::Button).rgb());
    }

    void pressedButtonSinksAndShiftsItsIcon() {
        CHoverButton button(QStringLiteral("OK"));
        button.resize(90, 30);
        QCOMPARE(button.SetIcon(IDI_OK), 0);
        const CHoverButton::Look up = button.ComputeLook();
        QCOMPARE(up.iconRect.left(), 3);
        QCOMPARE(up.iconRect.size(), QSize(16, 16));
        QCOMPARE(up.textRect.center().x(), (up.iconRect.right() + 1 + 3 + 89) / 2);
        button.setDown(true);
        const CHoverButton::Look down = button.ComputeLook();
        QVERIFY(down.pressed);
        QCOMPARE(down.edge, CHoverButton::Edge::SunkenThin);
        QCOMPARE(down.iconRect, up.iconRect.translated(1, 1));
        QCOMPARE(down.textRect, up.textRect.translated(1, 1));
        button.SetFlat(false);
        QCOMPARE(button.ComputeLook().edge, CHoverButton::Edge::ShadowFrame);
    }

    void ampersandIsAMnemonicAndTheTextHasRoom() {
        QWidget dialog;
        CHoverButton add(QStringLiteral("&Add"), &dialog);
        QCOMPARE(add.SetIcon(IDI_ADD), 0);
        add.resize(add.sizeHint());
        const QFontMetrics metrics = add.fontMetrics();
        const CHoverButton::Look look = add.ComputeLook();
        // The text is drawn as "Add" (underlined A), whole and beside the icon.
        QVERIFY(qAbs(look.textRect.width() - metrics.horizontalAdvance(QStringLiteral("Add"))) <=
                1);
        QVERIFY(look.textRect.width() + 3 < metrics.horizontalAdvance(QStringLiteral("&Add")));
        QVERIFY(add.rect().contains(look.textRect));
        QVERIFY(look.textRect.left() > look.iconRect.right());
        QVERIFY(look.textRect.height() < 2 * metrics.lineSpacing());

        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QSignalSpy clicked(&add, &QPushButton::clicked);
        QTest::keyClick(&dialog, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(clicked.count(), 1);  // a mnemonic presses the button briefly
    }

    void checkBoxModeTogglesOnEveryClick() {
        QWidget dialog;
        CHoverButton button(QStringLiteral("Advance"), &dialog);
        button.resize(90, 30);
        button.SetFlags(CHoverButton::FLAG_CHECKBOX);
        QCOMPARE(button.SetIcon(IDI_ADVANCE, IDI_OK), 0);
        QVERIFY(button.IsCheckBoxMode());
        QVector<int> seenByParent;
        QObject::connect(&button, &QPushButton::clicked,
                         [&] { seenByParent.push_back(button.GetCheck()); });

        // The second icon shows while unchecked, also under the mouse.
        Enter(button);
        QVERIFY(button.ComputeLook().secondIcon);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(button.GetCheck(), 1);
        CHoverButton::Look look = button.ComputeLook();
        QVERIFY(look.pressed);
        QVERIFY(!look.secondIcon);
        // In check-box mode the pressed look does not move the icon.
        button.SetCheck(false);
        const QRect unchecked = button.ComputeLook().iconRect;
        button.SetCheck(true);
        QCOMPARE(button.ComputeLook().iconRect, unchecked);
        // The flags bit draws the pressed look in the highlight colour.
        QCOMPARE(button.ComputeLook().background, button.palette().color(QPalette::Light));

        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(button.GetCheck(), 0);
        QCOMPARE(seenByParent, (QVector<int>{1, 0}));
    }

    void setCheckOutsideCheckBoxModeDoesNothing() {
        CHoverButton button(QStringLiteral("OK"));
        button.SetCheck(true);
        QCOMPARE(button.GetCheck(), 0);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(button.GetCheck(), 0);
        QVERIFY(!button.ComputeLook().pressed);
    }

    void doubleClickGivesTwoClicks() {
        CHoverButton button(QStringLiteral("Add"));
        button.resize(80, 30);
        QSignalSpy clicks(&button, &QAbstractButton::clicked);
        SendMouse(button, QEvent::MouseButtonPress, Qt::LeftButton);
        SendMouse(button, QEvent::MouseButtonRelease, Qt::NoButton);
        SendMouse(button, QEvent::MouseButtonDblClick, Qt::LeftButton);
        SendMouse(button, QEvent::MouseButtonRelease, Qt::NoButton);
        QCOMPARE(clicks.count(), 2);
    }

    void alignmentPlacesTheIcon() {
        CHoverButton button(QStringLiteral("Show"));
        button.resize(100, 60);
        button.SetIcon(IDI_SHOW);
        button.SetAlign(CHoverButton::ALIGN_ICON_TOP);
        CHoverButton::Look look = button.ComputeLook();
        QCOMPARE(look.iconRect.top(), 0);
        QCOMPARE(look.iconRect.center().x(), 49);
        QVERIFY(look.textRect.top() > look.iconRect.bottom());

        button.SetAlign(CHoverButton::ALIGN_ICON_RIGHT);
        look = button.ComputeLook();
        QCOMPARE(look.iconRect.right(), 99 - 3);
        QVERIFY(look.textRect.right() < look.iconRect.left());

        // An unknown alignment changes nothing.
        button.SetAlign(3);
        QCOMPARE(button.GetAlign(), CHoverButton::ALIGN_ICON_RIGHT);

        // Without text the icon is centred.
        button.SetShowText(false);
        look = button.ComputeLook();
        QVERIFY(look.textRect.isEmpty());
        QCOMPARE(look.iconRect.center(), QPoint(49, 29));
    }

    void iconsCursorAndTooltip() {
        CHoverButton button(QStringLiteral("OK"));
        button.resize(80, 30);
        QCOMPARE(button.SetIcon(IDI_OK), 0);
        QVERIFY(!button.ComputeLook().iconRect.isEmpty());
        // An icon that cannot be loaded drops both icons.
        QCOMPARE(button.SetIcon(99999, IDI_OK), 1);
        QVERIFY(button.ComputeLook().iconRect.isEmpty());

        QCOMPARE(button.SetBtnCursor(IDC_HAND_CURSOR), 1);
        QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(button.SetBtnCursor(99999), 0);
        QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(button.SetBtnCursor(0), 1);
        QCOMPARE(button.cursor().shape(), Qt::ArrowCursor);

        button.SetTooltipText(5025u, false);
        QCOMPARE(button.TooltipText(), QStringLiteral("Export Search Result"));
        QVERIFY(button.toolTip().isEmpty());
        button.SetTooltipText(5025u, true);
        QCOMPARE(button.toolTip(), QStringLiteral("Export Search Result"));
        // An empty text (unknown string) leaves the tooltip alone.
        button.SetTooltipText(99999u, false);
        QCOMPARE(button.toolTip(), QStringLiteral("Export Search Result"));
        QVERIFY(button.IsTooltipActive());
    }
};

ZB_GUI_TEST(HoverButtonTest);
#include "HoverButtonTest.moc"
