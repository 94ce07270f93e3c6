#include "ui/CommonControlsCheck.h"

#include <QLabel>
#include <QTest>

#include "gui/GuiTestRegistry.h"
#include "ui/HoverButton.h"

namespace {

struct Recorder {
    int warnings = 0;
    bool dontShowAgain = false;
    QList<QUrl> opened;

    std::function<bool()> Warn() {
        return [this] {
            ++warnings;
            return dontShowAgain;
        };
    }
    UrlOpener Open() {
        return [this](const QUrl& url) {
            opened << url;
            return true;
        };
    }
};

}  // namespace

class CommonControlsCheckTest : public QObject {
    Q_OBJECT
private slots:
    void versionComparison() {
        QVERIFY(IsRuntimeVersionAtLeast("6.4.2", 0x060402));
        QVERIFY(IsRuntimeVersionAtLeast("6.80", 0x060400));
        QVERIFY(IsRuntimeVersionAtLeast("7", 0x060402));
        QVERIFY(!IsRuntimeVersionAtLeast("6.4.1", 0x060402));
        QVERIFY(!IsRuntimeVersionAtLeast("4.72", 0x050000));
        // Missing or unreadable versions count as too old.
        QVERIFY(!IsRuntimeVersionAtLeast(nullptr, 0));
        QVERIFY(!IsRuntimeVersionAtLeast("", 0));
        QVERIFY(!IsRuntimeVersionAtLeast("six", 0));
        QVERIFY(!IsRuntimeVersionAtLeast("6.x", 0));
        QVERIFY(!IsRuntimeVersionAtLeast("6.4.999", 0));
        // The libraries this test runs on are the ones it was built with.
        QCOMPARE(IsCommonControls5(), 1);
    }

    void passingCheckIsNotMadeAgain() {
        Recorder recorder;
        DWORD setting = 1;
        QCOMPARE(CheckCommonControls(setting, 1, recorder.Warn(), recorder.Open()), 1);
        QCOMPARE(setting, DWORD(0));
        QCOMPARE(CheckCommonControls(setting, 0, recorder.Warn(), recorder.Open()), 1);
        QCOMPARE(recorder.warnings, 0);
        QVERIFY(recorder.opened.isEmpty());
    }

    void oldLibrariesWarnAtEveryStartUntilSilenced() {
        Recorder recorder;
        DWORD setting = 1;
        QCOMPARE(CheckCommonControls(setting, 0, recorder.Warn(), recorder.Open()), 0);
        QCOMPARE(setting, DWORD(1));
        QCOMPARE(CheckCommonControls(setting, 0, recorder.Warn(), recorder.Open()), 0);
        QCOMPARE(recorder.warnings, 2);
        recorder.dontShowAgain = true;
        QCOMPARE(CheckCommonControls(setting, 0, recorder.Warn(), recorder.Open()), 0);
        QCOMPARE(setting, DWORD(0));
        QCOMPARE(recorder.opened.size(), 3);
        QCOMPARE(recorder.opened.front(), QUrl(kRuntimeDownloadPage));
        QCOMPARE(CheckCommonControls(setting, 0, recorder.Warn(), recorder.Open()), 1);
        QCOMPARE(recorder.warnings, 3);
    }

    void realCheckPassesHere() {
        DWORD setting = 1;
        QCOMPARE(CheckCommonControls(nullptr, setting), 1);
        QCOMPARE(setting, DWORD(0));
    }

    void warningDialog() {
        CIEWarningDlg warning;
        QCOMPARE(warning.windowTitle(), QStringLiteral("Warning"));
        QCOMPARE(warning.TemplateId(), IDD_IEWARNING);
        QCOMPARE(warning.HelpPage(), QStringLiteral("iewarningdlg.htm"));
        auto* text = warning.findChild<QLabel*>(QString::number(IDC_IEWARNING_TEXT));
        QVERIFY(text);
        QCOMPARE(text->text(), QString::fromLatin1(kIEWarningText));
        QCOMPARE(text->palette().color(QPalette::WindowText), QColor(128, 0, 0));
        QCOMPARE(warning.DontShowCheckBox()->text(), QStringLiteral("Don't show it again"));
        QVERIFY(!warning.DontShowAgain());
        QCOMPARE(warning.OkButton()->text(), QStringLiteral("OK"));
        QCOMPARE(warning.OkButton()->cursor().shape(), Qt::PointingHandCursor);

        warning.show();
        QCOMPARE(warning.focusWidget(), warning.DontShowCheckBox());
        QTest::mouseClick(warning.DontShowCheckBox(), Qt::LeftButton);
        QVERIFY(warning.DontShowAgain());
        QTest::mouseClick(warning.OkButton(), Qt::LeftButton);
        QCOMPARE(warning.result(), int(QDialog::Accepted));
    }
};

ZB_GUI_TEST(CommonControlsCheckTest);
#include "CommonControlsCheckTest.moc"
