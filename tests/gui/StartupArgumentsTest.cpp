#include "app/StartupArguments.h"

#include <QTest>

#include "gui/GuiTestRegistry.h"

class StartupArgumentsTest : public QObject {
    Q_OBJECT
private slots:
    void emptyLinesDoNothing() {
        QCOMPARE(ParseCommandLineAction(QStringLiteral("   ")).kind, CommandLineAction::None);
    }

    void quotedPathsLoseTheirQuotes() {
        const CommandLineAction action = ParseCommandLineAction(QStringLiteral("\"/tmp/a b\""));
        QCOMPARE(action.kind, CommandLineAction::SetLookIn);
        QCOMPARE(action.text, QStringLiteral("/tmp/a b"));
    }

    void halfQuotedLinesAreInvalid() {
        CommandLineAction action = ParseCommandLineAction(QStringLiteral("\"a"));
        QCOMPARE(action.kind, CommandLineAction::Invalid);
        QCOMPARE(action.text, QStringLiteral("\"a"));
        QCOMPARE(ParseCommandLineAction(QStringLiteral("\"/x")).kind, CommandLineAction::Invalid);
    }

    void commandsAreExact() {
        CommandLineAction action = ParseCommandLineAction(QStringLiteral("/cmd:finddup"));
        QCOMPARE(action.kind, CommandLineAction::PostCommand);
        QCOMPARE(action.command, ID_FIND_DUPLICATE_FILES);
        QCOMPARE(ParseCommandLineAction(QStringLiteral("/cmd:findredundant")).command,
                 ID_FIND_REDUNDANT_FILES);
        QCOMPARE(ParseCommandLineAction(QStringLiteral("/cmd:FindDup")).kind,
                 CommandLineAction::None);
    }

    void idListsGiveThePathAfterTheComma() {
        CommandLineAction action =
            ParseCommandLineAction(QStringLiteral(" /idList:12:34,/home/u/docs"));
        QCOMPARE(action.kind, CommandLineAction::SetLookIn);
        QCOMPARE(action.text, QStringLiteral("/home/u/docs"));
        action = ParseCommandLineAction(QStringLiteral("/idList:nothing"));
        QCOMPARE(action.kind, CommandLineAction::SetLookIn);
        QVERIFY(action.text.isEmpty());
    }

    void leftPaneWidthFollowsTheResolution() {
        QCOMPARE(MinimumLeftPaneWidth(96), 310);
        QCOMPARE(MinimumLeftPaneWidth(120), 388);
        QCOMPARE(MinimumLeftPaneWidth(192), 621);
        QCOMPARE(MinimumLeftPaneWidth(200), 620);
    }
};

ZB_GUI_TEST(StartupArgumentsTest);
#include "StartupArgumentsTest.moc"
