#include "ui/HelpMenuLinks.h"

#include <QTest>

#include "gui/GuiTestRegistry.h"
#include "ui/ProductLinks.h"

class HelpMenuLinksTest : public QObject {
    Q_OBJECT
private slots:
    void feedbackMailsTheSupportAddress() {
        const QUrl url = SendFeedbackUrl();
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QCOMPARE(url.path(), QString::fromLatin1(kSupportMail));
    }

    void tellFriendIsAPageOfTheProductSite() {
        const QUrl url = TellFriendUrl();
        const QUrl site(QString::fromLatin1(kProductWebSite));
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), site.scheme());
        QCOMPARE(url.host(), site.host());
        QCOMPARE(url.fileName(), QStringLiteral("tellfriend.htm"));
    }
};

ZB_GUI_TEST(HelpMenuLinksTest);
#include "HelpMenuLinksTest.moc"
