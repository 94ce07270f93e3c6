#include "ui/ProgressDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <cstdint>

#include "gui/GuiTestRegistry.h"
#include "ui/EnableWindowGuard.h"

class ProgressDlgTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAndStatusText() {
        CProgressDlg dialog;
        QCOMPARE(dialog.TemplateId(), IDD_PROGRESS);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Progress"));
        QCOMPARE(dialog.findChild<QLabel*>(QString::number(IDC_PROGRESS_STATUS)),
                 dialog.StatusControl());
        QCOMPARE(dialog.findChild<QProgressBar*>(QString::number(IDC_PROGRESS_BAR)),
                 dialog.ProgressBar());
        QCOMPARE(dialog.CancelButton()->text(), QStringLiteral("Cancel"));
        QVERIFY(dialog.GetStatusText().isEmpty());
        QCOMPARE(dialog.GetShift(), 0);
        dialog.SetStatusText(QStringLiteral("Decompressing files"));
        QCOMPARE(dialog.StatusControl()->text(), QStringLiteral("Decompressing files"));
        QCOMPARE(dialog.GetStatusText(), QStringLiteral("Decompressing files"));
    }

    void largeRangesAreShiftedBy20() {
        CProgressDlg dialog;
        dialog.SetRange64(0, 2000000000);
        QCOMPARE(dialog.GetShift(), 20);
        QCOMPARE(dialog.ProgressBar()->maximum(), 1907);
        dialog.SetPos64(1000000000);
        QCOMPARE(dialog.ProgressBar()->value(), 953);

        dialog.SetRange64(0, 0x40000000);
        QCOMPARE(dialog.GetShift(), 0);
        QCOMPARE(dialog.ProgressBar()->maximum(), 0x40000000);

        // The low bound is subtracted before the shift.
        dialog.SetRange64(0x100000000LL, 0x100000000LL + 0x40000001LL);
        QCOMPARE(dialog.GetShift(), 20);
        QCOMPARE(dialog.ProgressBar()->maximum(), 1024);
        dialog.SetPos64(0x100000000LL + (3LL << 20));
        QCOMPARE(dialog.ProgressBar()->value(), 3);
    }

    void extremeRangesAndPositionsStayOnTheBar() {
        CProgressDlg dialog;
        dialog.SetRange64(0, 1);
        dialog.SetPos64(50);  // past the end: full
        QCOMPARE(dialog.ProgressBar()->value(), 1);
        dialog.SetPos64(-5);  // before the start: empty
        QCOMPARE(dialog.ProgressBar()->value(), 0);

        dialog.SetRange64(INT64_MIN, INT64_MAX);
        QCOMPARE(dialog.GetShift(), 20);
        QCOMPARE(dialog.ProgressBar()->maximum(), INT32_MAX);

        dialog.SetRange64(10, 5);  // negative: an empty bar
        QCOMPARE(dialog.GetShift(), 0);
        QCOMPARE(dialog.ProgressBar()->maximum(), 0);
    }

    void enterAndEscapeLeaveItOpen() {
        CProgressDlg dialog;
        QSignalSpy cancel(&dialog, &CProgressDlg::CancelRequested);
        dialog.ShowCentred();
        QVERIFY(dialog.isVisible());
        dialog.CancelButton()->setFocus();
        QTest::keyClick(&dialog, Qt::Key_Return);
        QTest::keyClick(dialog.CancelButton(), Qt::Key_Enter);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QCOMPARE(cancel.count(), 0);

        // Cancel and the close box only report the wish.
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        QVERIFY(!dialog.close());
        QVERIFY(dialog.isVisible());
        QCOMPARE(cancel.count(), 2);
    }

    void staysUsableWhileItsOwnerIsDisabled() {
        QWidget owner;
        owner.show();
        CProgressDlg dialog(&owner);
        QSignalSpy cancel(&dialog, &CProgressDlg::CancelRequested);
        CEnableWindowGuard guard(&owner, FALSE);
        dialog.ShowCentred();
        QVERIFY(!owner.isEnabled());
        QVERIFY(dialog.isEnabled());
        QVERIFY(dialog.CancelButton()->isEnabled());
        QVERIFY(dialog.isWindow());
        QVERIFY(dialog.windowHandle());
        QCOMPARE(dialog.windowHandle()->transientParent(), owner.windowHandle());
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        QCOMPARE(cancel.count(), 1);
    }
};

ZB_GUI_TEST(ProgressDlgTest);
#include "ProgressDlgTest.moc"
