#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/GuiTestRegistry.h"
#include "ui/HelpDialog.h"
#include "ui/HelpViewer.h"

namespace {

// The help pages of the source tree.
QString SourceHelpFolder() {
    return QStringLiteral(ZEMBROLT_SOURCE_HELP);
}

QUrl PageUrl(const QString& page) {
    return QUrl::fromLocalFile(QDir(SourceHelpFolder()).filePath(page));
}

QUrl ShownSource() {
    CHelpViewer* viewer = CHelpViewer::Current();
    return viewer ? viewer->source() : QUrl();
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT
private slots:
    void init() { qputenv("ZEMBROLT_HELP_DIR", SourceHelpFolder().toLocal8Bit()); }

    void cleanup() {
        CloseHelp();
        qunsetenv("ZEMBROLT_HELP_DIR");
    }

    void helpFolderComesFromTheEnvironment() {
        QCOMPARE(GetHelpFolder(), SourceHelpFolder());
        QCOMPARE(GetHelpFilePath(), QDir(SourceHelpFolder()).filePath("index.html"));
    }

    void f1OpensTheDialogsPage() {
        CHelpDialog dialog(100);
        dialog.SetHelpPage(QStringLiteral("aboutdlg.htm"));
        auto* edit = new QLineEdit(&dialog);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(edit);
        // F1 pressed in a control reaches the dialog.
        QTest::keyClick(edit, Qt::Key_F1);
        QVERIFY(CHelpViewer::Current());
        QCOMPARE(ShownSource(), PageUrl("aboutdlg.htm"));
        QVERIFY(CHelpViewer::Current()->toPlainText().contains("About Zembrolt"));
        QVERIFY(CHelpViewer::Current()->isVisible());
        QVERIFY(!CHelpViewer::Current()->parentWidget());

        // A second F1 reuses the window.
        CHelpViewer* first = CHelpViewer::Current();
        dialog.SetHelpPage(QStringLiteral("iewarningdlg.htm"));
        QTest::keyClick(&dialog, Qt::Key_F1);
        QCOMPARE(CHelpViewer::Current(), first);
        QCOMPARE(ShownSource(), PageUrl("iewarningdlg.htm"));
    }

    void helpFromAModalDialogStaysUsableAndOutlivesIt() {
        // A modal dialog blocks every window outside its own: the help opened
        // from it is one of its windows while it is up.
        auto* dialog = new CHelpDialog;
        dialog->SetHelpPage(QStringLiteral("aboutdlg.htm"));
        QPointer<CHelpViewer> viewer;
        bool blockedMeanwhile = true;
        QTimer::singleShot(0, dialog, [&] {
            QTest::keyClick(dialog, Qt::Key_F1);
            viewer = CHelpViewer::Current();
            blockedMeanwhile = !viewer || viewer->parentWidget() != dialog ||
                               !viewer->isVisible() || !viewer->isWindow();
            dialog->accept();
        });
        dialog->exec();
        QVERIFY(!blockedMeanwhile);
        // Closed and gone, the dialog leaves the help open as its own window.
        QTRY_VERIFY(viewer && !viewer->parentWidget());
        QVERIFY(viewer->isVisible());
        delete dialog;
        QVERIFY(viewer);
        QCOMPARE(ShownSource(), PageUrl("aboutdlg.htm"));

        // Nor does deleting an open dialog take the help with it.
        auto* open = new CHelpDialog;
        open->setModal(true);
        open->show();
        OpenHelp(QStringLiteral("index.html"));
        QCOMPARE(viewer->parentWidget(), open);
        delete open;
        QVERIFY(viewer);
        QVERIFY(!viewer->parentWidget());
    }

    void emptyPageOpensTheContents() {
        CHelpDialog dialog;
        QTest::keyClick(&dialog, Qt::Key_F1);
        QCOMPARE(ShownSource(), PageUrl("index.html"));
    }

    void missingPageOpensTheContents() {
        CHelpDialog dialog;
        dialog.SetHelpPage(QStringLiteral("nosuchdlg.htm"));
        dialog.OnHelp();
        QCOMPARE(ShownSource(), PageUrl("index.html"));
        // A page name never leads out of the help folder.
        dialog.SetHelpPage(QStringLiteral("../help/aboutdlg.htm"));
        dialog.OnHelp();
        QCOMPARE(ShownSource(), PageUrl("index.html"));
    }

    void noHelpFolderSaysSo() {
        const QString empty = QDir::tempPath() + QStringLiteral("/no-help-here");
        QDir().mkpath(empty);
        qputenv("ZEMBROLT_HELP_DIR", empty.toLocal8Bit());
        QVERIFY(GetHelpFolder().isEmpty());
        OpenHelp(QStringLiteral("aboutdlg.htm"));
        QVERIFY(CHelpViewer::Current());
        QVERIFY(ShownSource().isEmpty());
        QVERIFY(CHelpViewer::Current()->toPlainText().contains("Help is not installed"));
    }

    void contentsLinksToInstalledPages() {
        QFile index(QDir(SourceHelpFolder()).filePath("index.html"));
        QVERIFY(index.open(QIODevice::ReadOnly));
        const QString contents = QString::fromUtf8(index.readAll());
        const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
        int links = 0;
        for (const QRegularExpressionMatch& match : link.globalMatch(contents)) {
            QVERIFY2(QFileInfo(QDir(SourceHelpFolder()).filePath(match.captured(1))).isFile(),
                     qPrintable(match.captured(1)));
            ++links;
        }
        QVERIFY(links >= 2);
    }

    void closeHelpClosesTheWindow() {
        OpenHelp();
        QVERIFY(CHelpViewer::Current());
        CloseHelp();
        QVERIFY(!CHelpViewer::Current());
        CloseHelp();  // nothing open: nothing happens
    }
};

ZB_GUI_TEST(HelpTest);
#include "HelpTest.moc"
