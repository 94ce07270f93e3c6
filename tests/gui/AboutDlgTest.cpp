#include "ui/AboutDlg.h"

#include <QLabel>
#include <QTest>

#include "ui/DibStatic.h"
#include "ui/HyperlinkStatic.h"

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
        // The banner at its own size.
        CDibStatic* picture = about.Picture();
        QCOMPARE(picture->objectName(), QString::number(IDC_ABOUT_PICTURE));
        QCOMPARE(picture->Dib().GetSize(), QSize(420, 80));

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

        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        for (int id : {IDC_ABOUT_PRODUCT_LINK, IDC_ABOUT_MAKER_LINK, IDC_ABOUT_MAIL_LINK}) {
            CHyperlinkStatic* link = about.Link(id);
            QVERIFY(link);
            QCOMPARE(QUrl(link->GetURL()), about.LinkTarget(id));
            QCOMPARE(link->toolTip(), link->GetURL());
            QVERIFY(link->font().underline());
            QVERIFY(!link->IsVisited());
            QTest::mouseClick(link, Qt::LeftButton);
            QVERIFY(link->IsVisited());
        }
        QCOMPARE(opened, (QList<QUrl>{about.LinkTarget(IDC_ABOUT_PRODUCT_LINK),
                                      about.LinkTarget(IDC_ABOUT_MAKER_LINK),
                                      about.LinkTarget(IDC_ABOUT_MAIL_LINK)}));
        QCOMPARE(about.Link(IDC_ABOUT_MAIL_LINK)->text(), QString::fromLatin1(kSupportMail));
    }
};

ZB_GUI_TEST(AboutDlgTest);
#include "AboutDlgTest.moc"
