#include "ui/SmallControls.h"

#include <QImage>
#include <QTest>

#include "gui/GuiTestRegistry.h"

namespace {

// The topmost row of `picture` inside `area` that differs from `background`,
// or -1.
int FirstInkRow(const QImage& picture, const QRect& area, const QColor& background) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (picture.pixel(x, y) != background.rgb())
                return y;
    return -1;
}

}  // namespace

class SmallControlsTest : public QObject {
    Q_OBJECT
private slots:
    void selectedTabTextStandsThreePixelsHigher() {
        COwnerDrawTabCtrl tabs;
        tabs.addTab(QStringLiteral("General"));
        tabs.addTab(QStringLiteral("General"));
        tabs.setCurrentIndex(0);
        tabs.resize(tabs.sizeHint());
        QCOMPARE(tabs.TextRect(0), tabs.tabRect(0));
        QCOMPARE(tabs.TextRect(1), tabs.tabRect(1).translated(0, 3));

        // The drawn text follows: the same text, three pixels apart.
        const QImage picture = tabs.grab().toImage();
        const QColor background = tabs.palette().color(tabs.backgroundRole());
        QCOMPARE(picture.pixel(tabs.tabRect(1).topLeft()), background.rgb());
        const int selected = FirstInkRow(picture, tabs.tabRect(0), background);
        const int other = FirstInkRow(picture, tabs.tabRect(1), background);
        QVERIFY(selected >= 0);
        QCOMPARE(other - selected, COwnerDrawTabCtrl::kUnselectedDrop);

        tabs.setCurrentIndex(1);
        QCOMPARE(tabs.TextRect(0), tabs.tabRect(0).translated(0, 3));
        QCOMPARE(tabs.TextRect(1), tabs.tabRect(1));
    }

    void longTabTextIsCutTo255Characters() {
        COwnerDrawTabCtrl tabs;
        const QString longText(300, QLatin1Char('x'));
        tabs.addTab(longText);
        tabs.addTab(QStringLiteral("Short"));
        QCOMPARE(tabs.DrawnText(0), QString(255, QLatin1Char('x')));
        QCOMPARE(tabs.DrawnText(1), QStringLiteral("Short"));
        QCOMPARE(tabs.tabText(0), longText);
    }

    void plainComboBoxIsAnOrdinaryComboBox() {
        CPlainComboBox combo;
        combo.setEditable(true);
        combo.addItems({QStringLiteral("*.txt"), QStringLiteral("*.doc")});
        combo.setCurrentIndex(1);
        QCOMPARE(combo.currentText(), QStringLiteral("*.doc"));
    }
};

ZB_GUI_TEST(SmallControlsTest);
#include "SmallControlsTest.moc"
