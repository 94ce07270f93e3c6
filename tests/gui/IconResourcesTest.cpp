#include "ui/IconResources.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QTest>

#include "gui/GuiTestRegistry.h"

class IconResourcesTest : public QObject {
    Q_OBJECT
private slots:
    void printAndExportHaveTheirOwnPicturesWithoutATheme() {
        const QString theme = QIcon::themeName();
        QIcon::setThemeName(QStringLiteral("no-such-theme"));
        const QImage save = QApplication::style()
                                ->standardIcon(QStyle::SP_DialogSaveButton)
                                .pixmap(32, 32)
                                .toImage()
                                .convertToFormat(QImage::Format_ARGB32);
        for (const auto& [id, size] : {std::pair{IDI_PRINT, 32}, std::pair{IDI_EXPORT, 16}}) {
            const QImage shown = LoadIconResource(id, size)
                                     .pixmap(size, size)
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32);
            const QImage own =
                QImage(QStringLiteral(":/ICON/%1").arg(id)).convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(own.size(), QSize(size, size));
            QCOMPARE(shown, own);
            QVERIFY(shown != save.scaled(size, size));
        }
        QIcon::setThemeName(theme);
    }
};

ZB_GUI_TEST(IconResourcesTest);
#include "IconResourcesTest.moc"
