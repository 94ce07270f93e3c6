#include "ui/HyperlinkStatic.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "gui/GuiTestRegistry.h"
#include "ui/DesktopOpen.h"

namespace {

// A link whose error boxes are recorded and whose openers are fakes.
class RecordingLink : public CHyperlinkStatic {
public:
    explicit RecordingLink(const QString& text, QWidget* parent = nullptr)
        : CHyperlinkStatic(text, parent) {
        SetOpeners(
            [this](const QUrl& url) {
                desktop << url;
                return desktopWorks;
            },
            [this](const QString& address) {
                fallback << address;
                return fallbackResult;
            });
    }
    QList<QUrl> desktop;
    QStringList fallback;
    QStringList errors;
    bool desktopWorks = true;
    int fallbackResult = kHyperlinkOpened;

protected:
    void ShowErrorBox(const QString& text) override { errors << text; }
};

}  // namespace

class HyperlinkStaticTest : public QObject {
    Q_OBJECT
private slots:
    void looksLikeALink() {
        RecordingLink link(QStringLiteral("https://example.org/"));
        QVERIFY(link.font().underline());
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(link.toolTip(), QStringLiteral("https://example.org/"));
        QCOMPARE(link.TextColour(), QColor(0, 0, 238));
        link.SetVisited(true);
        QCOMPARE(link.TextColour(), QColor(85, 26, 139));
        QCOMPARE(link.palette().color(QPalette::WindowText), QColor(85, 26, 139));
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(&link, &enter);
        QVERIFY(link.IsHovering());
        QCOMPARE(link.TextColour(), link.palette().color(QPalette::Highlight));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&link, &leave);
        QCOMPARE(link.TextColour(), QColor(85, 26, 139));
    }

    void aLinkWithoutAddressOpensItsText() {
        RecordingLink link(QStringLiteral("https://zembrolt.example.org/"));
        link.show();
        QTest::mouseClick(&link, Qt::LeftButton);
        QCOMPARE(link.desktop, QList<QUrl>{QUrl(QStringLiteral("https://zembrolt.example.org/"))});
        QVERIFY(link.IsVisited());
        QVERIFY(link.errors.isEmpty());

        // An empty text shows the address.
        RecordingLink empty{QString()};
        empty.SetURL(QStringLiteral("mailto:someone@example.org"));
        QCOMPARE(empty.text(), QStringLiteral("mailto:someone@example.org"));
    }

    void theFallbackOpensWhenTheDesktopCannot() {
        RecordingLink link(QStringLiteral("Home"));
        link.SetURL(QStringLiteral("http://example.org/a b?q=\"x\";rm"));
        link.desktopWorks = false;
        link.show();
        QTest::mouseClick(&link, Qt::LeftButton);
        QCOMPARE(link.desktop.size(), 1);
        // The fallback gets the address alone, encoded, as one argument.
        QCOMPARE(link.fallback,
                 QStringList{QStringLiteral("http://example.org/a%20b?q=%22x%22;rm")});
        QVERIFY(link.IsVisited());
        QVERIFY(link.errors.isEmpty());
    }

    void failuresShowTheShellsTexts() {
        RecordingLink link(QStringLiteral("https://example.org/"));
        link.desktopWorks = false;
        link.show();
        const QString prefix = QStringLiteral("Unable to open hyperlink:\n\n");
        for (const auto& [code, text] :
             {std::pair{2, QStringLiteral("The specified file was not found.")},
              std::pair{26, QStringLiteral("A sharing violation occurred. ")},
              std::pair{4, QStringLiteral("Unknown Error (4) occurred.")},
              std::pair{kHyperlinkStartFailed, QStringLiteral("Unknown Error (1) occurred.")}}) {
            link.errors.clear();
            link.fallbackResult = code;
            QTest::mouseClick(&link, Qt::LeftButton);
            QCOMPARE(link.errors, QStringList{prefix + text});
            QVERIFY(!link.IsVisited());
        }
    }

    void onlyWebAndMailAddressesAreOpened() {
        RecordingLink link(QStringLiteral("x"));
        for (const char* address :
             {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm", "-e", ""}) {
            QCOMPARE(link.GotoURL(QString::fromLatin1(address)), kHyperlinkRefused);
        }
        QVERIFY(link.desktop.isEmpty());
        QVERIFY(link.fallback.isEmpty());
        QCOMPARE(link.GotoURL(QStringLiteral("HTTPS://example.org")), kHyperlinkOpened);
        QCOMPARE(link.GotoURL(QStringLiteral("mailto:a@example.org")), kHyperlinkOpened);
        QCOMPARE(CHyperlinkStatic::ErrorText(kHyperlinkRefused),
                 QStringLiteral("Unable to open hyperlink:\n\n") + OpenErrorText(27));
    }

    void theOpenerIsStartedWithTheAddressAsItsOneArgument() {
        QTemporaryDir bin;
        const QString record = bin.filePath(QStringLiteral("args"));
        const QString opener = bin.filePath(QStringLiteral("xdg-open"));
        {
            QFile script(opener);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(QStringLiteral("#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '%1'\n")
                             .arg(record)
                             .toUtf8());
        }
        QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
        const QString address = QStringLiteral("https://example.org/?a=1&b=$(x)");
        const int started = StartDesktopOpener(address);
        QTemporaryDir empty;
        qputenv("PATH", empty.path().toUtf8());
        const int missing = StartDesktopOpener(address);
        qputenv("PATH", oldPath);
        QCOMPARE(started, kHyperlinkOpened);
        QCOMPARE(missing, kOpenErrorFileNotFound);
        const auto written = [&record] {
            QFile file(record);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        QTRY_COMPARE(written(), QStringLiteral("1|") + address + '|');
    }

    void aRightAlignedLinkKeepsItsRightEdge() {
        QWidget parent;
        RecordingLink link(QStringLiteral("short"), &parent);
        link.setAlignment(Qt::AlignRight);
        link.setGeometry(100, 10, 200, 40);
        link.PositionWindow();
        const int right = link.geometry().right();
        QCOMPARE(right, 299);
        QCOMPARE(link.height(), link.fontMetrics().height());
        link.setText(QStringLiteral("a much longer text of the link"));
        link.SetURL(QStringLiteral("https://example.org/"));
        QCOMPARE(link.geometry().right(), right);
        QCOMPARE(link.width(), link.fontMetrics().size(Qt::TextSingleLine, link.text()).width());

        RecordingLink left(QStringLiteral("left"), &parent);
        left.setGeometry(30, 50, 200, 40);
        left.SetURL(QStringLiteral("https://example.org/"));
        QCOMPARE(left.geometry().topLeft(), QPoint(30, 50));
    }
};

ZB_GUI_TEST(HyperlinkStaticTest);
#include "HyperlinkStaticTest.moc"
