#include "ui/RoundButton.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

#include "gui/GuiTestRegistry.h"

class RoundButtonTest : public QObject {
    Q_OBJECT
private slots:
    void shapeOfAPillAndOfACircle() {
        const RoundButtonShape pill = ComputeRoundButtonShape(40, 24);
        QVERIFY(pill.pill);
        QCOMPARE(pill.size, QSize(40, 24));
        QCOMPARE(pill.leftCentre, QPoint(11, 12));
        QCOMPARE(pill.rightCentre, QPoint(28, 12));
        QCOMPARE(pill.radius, 11);

        const RoundButtonShape circle = ComputeRoundButtonShape(30, 40);
        QVERIFY(!circle.pill);
        QCOMPARE(circle.size, QSize(30, 30));
        QCOMPARE(circle.centre, QPoint(15, 15));
        QCOMPARE(circle.radius, 14);
    }

    void theButtonTakesItsShape() {
        QWidget parent;
        parent.show();
        CRoundButton pill(QStringLiteral("Go"), &parent);
        pill.setGeometry(10, 20, 40, 24);
        pill.show();
        QCOMPARE(pill.geometry(), QRect(10, 20, 40, 24));
        QVERIFY(pill.Shape().pill);

        CRoundButton round(&parent);
        round.setGeometry(5, 6, 30, 40);
        round.show();
        QCOMPARE(round.geometry(), QRect(5, 6, 30, 30));
        QCOMPARE(round.Shape().radius, 14);
        // The corners are outside the button; its middle and rim are inside.
        const QRegion& region = round.Region();
        QVERIFY(!region.contains(QPoint(0, 0)));
        QVERIFY(!region.contains(QPoint(29, 29)));
        QVERIFY(region.contains(QPoint(15, 15)));
        QVERIFY(region.contains(QPoint(15, 1)));
        QCOMPARE(round.mask(), region);
        QVERIFY(!pill.Region().contains(QPoint(0, 0)));
        QVERIFY(pill.Region().contains(QPoint(20, 0)));
    }

    void rimsAreShadedFromTheUpperLeft() {
        const QColor lit(255, 255, 255);
        const QColor dark(0, 0, 0);
        QCOMPARE(GetAngleShadedColor(-1.88, lit, dark), lit);
        QCOMPARE(GetAngleShadedColor(-1.88 + 3.14159265, lit, dark), dark);
        // Half way round: half of each (truncated).
        const QColor middle = GetAngleShadedColor(-1.88 + 3.14159265 / 2, lit, dark);
        QVERIFY(std::abs(middle.red() - 127) <= 1);
        QCOMPARE(middle.red(), middle.blue());
        // Angles past a half turn come round the other way.
        QCOMPARE(GetAngleShadedColor(4.0, lit, dark), GetAngleShadedColor(4.0 - 6.293, lit, dark));

        CRoundButton round;
        round.resize(41, 41);
        QPalette colours = round.palette();
        colours.setColor(QPalette::Light, Qt::white);
        colours.setColor(QPalette::Shadow, Qt::black);
        colours.setColor(QPalette::Button, Qt::gray);
        round.setPalette(colours);
        const QImage shot = round.grab().toImage();
        const RoundButtonShape& shape = round.Shape();
        // The outer rim's top pixel is nearly lit, its bottom pixel nearly dark.
        const QColor top = shot.pixelColor(shape.centre.x(), shape.centre.y() - shape.radius);
        const QColor bottom = shot.pixelColor(shape.centre.x(), shape.centre.y() + shape.radius);
        QCOMPARE(top, GetAngleShadedColor(-1.570796327, Qt::white, Qt::black));
        QCOMPARE(bottom, GetAngleShadedColor(1.570796327, Qt::white, Qt::black));
        QVERIFY(top.red() > 200 && bottom.red() < 60);
        QCOMPARE(shot.pixelColor(shape.centre), QColor(Qt::gray));
    }

    void aPillGrowsAroundItsCaption() {
        CRoundButton button(QStringLiteral("Remove All"));
        button.SetIcon(130);
        const QSize hint = button.sizeHint();
        QVERIFY(hint.width() > hint.height());
        QVERIFY(hint.width() >
                button.fontMetrics().horizontalAdvance(QStringLiteral("Remove All")) + 16);
        button.resize(hint);
        button.show();
        QVERIFY(button.Shape().pill);
        QSignalSpy clicked(&button, &QPushButton::clicked);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
    }
};

ZB_GUI_TEST(RoundButtonTest);
#include "RoundButtonTest.moc"
