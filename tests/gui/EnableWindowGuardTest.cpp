#include "ui/EnableWindowGuard.h"

#include <QTest>
#include <QWidget>

#include <memory>

#include "gui/GuiTestRegistry.h"

class EnableWindowGuardTest : public QObject {
    Q_OBJECT
private slots:
    void enabledWindowIsReenabled() {
        QWidget window;
        {
            CEnableWindowGuard guard(&window, FALSE);
            QVERIFY(!window.isEnabled());
        }
        QVERIFY(window.isEnabled());
    }

    void disabledWindowStaysDisabled() {
        QWidget window;
        window.setEnabled(false);
        {
            CEnableWindowGuard guard(&window, FALSE);
            QVERIFY(!window.isEnabled());
        }
        QVERIFY(!window.isEnabled());
        {
            CEnableWindowGuard guard(&window, TRUE);
            QVERIFY(window.isEnabled());
        }
        QVERIFY(!window.isEnabled());
    }

    // The window's own state counts, not the one a disabled parent lends it.
    void childOfDisabledParentGetsItsOwnStateBack() {
        QWidget parent;
        auto* child = new QWidget(&parent);
        parent.setEnabled(false);
        { CEnableWindowGuard guard(child, FALSE); }
        parent.setEnabled(true);
        QVERIFY(child->isEnabled());
    }

    void windowDestroyedFirstAndNullWindowAreHarmless() {
        auto window = std::make_unique<QWidget>();
        CEnableWindowGuard guard(window.get(), FALSE);
        window.reset();
        CEnableWindowGuard none(nullptr, FALSE);
    }
};

ZB_GUI_TEST(EnableWindowGuardTest);
#include "EnableWindowGuardTest.moc"
