#include "ui/AboutDlg.h"

#include <QLabel>
#include <QTest>

#include "gui/GuiTestRegistry.h"
#include "ui/HoverButton.h"
#include "ui/IconResources.h"

class AboutDlgTest : public QObject {
    Q_OBJECT
private slots:
    void textsAndButton() {
        CAboutDlg about(nullptr, [](const QUrl&) { return true; });
        QCOMPARE(about.windowTitle(), QStringLiteral("About Zembrolt"));
        QCOMPARE(about.TemplateId(), IDD_ABOUTBOX);
        QCOMPARE(about.HelpPage(), QStringLiteral("aboutdlg.htm"));
        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY(texts.contains(QStringLiteral("Zembrolt Version 1.14")));
        QVERIFY(texts.contains(QStringLiteral("Home Page:")));
        QVERIFY(texts.contains(QStringLiteral("Feedback:")));
        QVERIFY(about.findChild<QLabel*>(QString::number(IDC_ABOUT_PICTURE)));

        CHoverButton* ok = about.OkButton();
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(ok->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!ok->ComputeLook().iconRect.isEmpty());
        about.show();
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QVERIFY(!about.isVisible());
    }

    void linksOpenTheirTargetsThroughTheOpener() {
        QList<QUrl> opened;
        CAboutDlg about(nullptr, [&](const QUrl& url) {
            opened << url;
            return true;
        });
        QCOMPARE(about.LinkTarget(IDC_ABOUT_PRODUCT_LINK), QUrl(kProductWebSite));
        QCOMPARE(about.LinkTarget(IDC_ABOUT_MAKER_LINK), QUrl(kMakerWebSite));
        QCOMPARE(about.LinkTarget(IDC_ABOUT_MAIL_LINK),
                 QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kSupportMail)));
        QVERIFY(!about.Link(4242));

        for (int id : {IDC_ABOUT_PRODUCT_LINK, IDC_ABOUT_MAKER_LINK, IDC_ABOUT_MAIL_LINK}) {
            QLabel* link = about.Link(id);
            QVERIFY(link);
            QVERIFY(!link->openExternalLinks());
            // The shown link carries the same target as the click opens.
            QVERIFY(link->text().contains(about.LinkTarget(id).toString(QUrl::FullyEncoded)));
            emit link->linkActivated(about.LinkTarget(id).toString(QUrl::FullyEncoded));
        }
        QCOMPARE(opened, (QList<QUrl>{about.LinkTarget(IDC_ABOUT_PRODUCT_LINK),
                                      about.LinkTarget(IDC_ABOUT_MAKER_LINK),
                                      about.LinkTarget(IDC_ABOUT_MAIL_LINK)}));
        QCOMPARE(about.Link(IDC_ABOUT_MAIL_LINK)->text().contains(kSupportMail), true);
    }
};

ZB_GUI_TEST(AboutDlgTest);
#include "AboutDlgTest.moc"
