#include "app/LogWindow.h"

#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include <string>
#include <thread>
#include <vector>

#include "gui/GuiTestRegistry.h"

namespace {

struct Line {
    QString text;
    QColor colour;
};

// The lines of the view with the colour of each line's text.
std::vector<Line> Lines(const QTextEdit* edit) {
    std::vector<Line> lines;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty())
            continue;
        const QTextFragment fragment = block.begin().fragment();
        lines.push_back({block.text(), fragment.charFormat().foreground().color()});
    }
    return lines;
}

// Lets the queued lines arrive.
void Deliver() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

}  // namespace

class LogWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(CreateLogWindow(nullptr)); }
    void cleanup() {
        DestroyLogWindow();
        QVERIFY(GetLogWindow() == nullptr);
    }

    void windowStartsHiddenAndKeepsItsShape() {
        CLogWindow* window = GetLogWindow();
        QVERIFY(window != nullptr);
        QCOMPARE(window->windowTitle(), QStringLiteral("Log Window"));
        QCOMPARE(window->ClearButton()->text(), QStringLiteral("Clear"));
        QVERIFY(window->Edit()->isReadOnly());
        QVERIFY(!IsLogWindowVisible());
        window->resize(10, 10);
        QVERIFY(window->width() >= kLogWindowMinWidth);
        QVERIFY(window->height() >= kLogWindowMinHeight);
    }

    void linesLoggedWhileHiddenShowLater() {
        LogPrintf(RGB(255, 0, 0), "Start : %s", "now");
        LogPrintf(0xFF0000, "LOGPIXELSX : %d", 96);
        LogPrintf(RGB(0, 0, 0), "plain");
        Deliver();
        const std::vector<Line> lines = Lines(GetLogWindow()->Edit());
        QCOMPARE(lines.size(), std::size_t(3));
        QCOMPARE(lines[0].text, QStringLiteral("Start : now"));
        QCOMPARE(lines[0].colour, QColor(255, 0, 0));
        // 0xFF0000 is blue: red is the low byte.
        QCOMPARE(lines[1].colour, QColor(0, 0, 255));
        QCOMPARE(lines[2].colour, QColor(0, 0, 0));
        ShowLogWindow(true);
        QVERIFY(IsLogWindowVisible());
        QCOMPARE(GetLogWindow()->Edit()->toPlainText(),
                 QStringLiteral("Start : now\nLOGPIXELSX : 96\nplain\n"));
    }

    void printingRestoresTheStoredColour() {
        LogSetColor(RGB(0, 128, 0));
        Deliver();
        LogPrintf(RGB(255, 0, 0), "error");
        Deliver();
        QCOMPARE(GetLogWindow()->Color(), RGB(0, 128, 0));
        QCOMPARE(GetLogWindow()->Edit()->textColor(), QColor(0, 128, 0));
        QCOMPARE(Lines(GetLogWindow()->Edit()).front().colour, QColor(255, 0, 0));
    }

    void linesFromManyThreadsArriveWholeAndInOrder() {
        constexpr int kThreads = 4;
        constexpr int kLines = 250;
        const COLORREF colours[kThreads] = {RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 128, 0),
                                            RGB(128, 0, 128)};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t, &colours] {
                for (int i = 0; i < kLines; ++i)
                    LogPrintf(colours[t], "thread %d line %d of a longer text", t, i);
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        Deliver();
        const std::vector<Line> lines = Lines(GetLogWindow()->Edit());
        QCOMPARE(lines.size(), std::size_t(kThreads * kLines));
        int next[kThreads] = {};
        for (const Line& line : lines) {
            int t = -1;
            int i = -1;
            QVERIFY2(std::sscanf(line.text.toUtf8().constData(),
                                 "thread %d line %d of a longer text", &t, &i) == 2,
                     qPrintable(line.text));
            QVERIFY(t >= 0 && t < kThreads);
            QVERIFY(line.text.endsWith(QStringLiteral("of a longer text")));
            QCOMPARE(i, next[t]++);
            QCOMPARE(line.colour, ColorFromColorRef(colours[t]));
        }
    }

    void clearEmptiesTheView() {
        LogPrintf(0, "one");
        LogPrintf(0, "two");
        Deliver();
        QTest::mouseClick(GetLogWindow()->ClearButton(), Qt::LeftButton);
        QVERIFY(GetLogWindow()->Edit()->toPlainText().isEmpty());
        LogPrintf(0, "three");
        Deliver();
        QCOMPARE(GetLogWindow()->Edit()->toPlainText(), QStringLiteral("three\n"));
    }

    void closingHidesAndKeepsTheText() {
        LogPrintf(0, "kept");
        Deliver();
        ShowLogWindow(true);
        QVERIFY(GetLogWindow()->close() == false);
        QVERIFY(!IsLogWindowVisible());
        QVERIFY(GetLogWindow() != nullptr);
        ShowLogWindow(true);
        QVERIFY(IsLogWindowVisible());
        QCOMPARE(GetLogWindow()->Edit()->toPlainText(), QStringLiteral("kept\n"));
        // Escape hides it as well.
        QTest::keyClick(GetLogWindow(), Qt::Key_Escape);
        QVERIFY(!IsLogWindowVisible());
        QCOMPARE(GetLogWindow()->Edit()->toPlainText(), QStringLiteral("kept\n"));
    }

    void overlongTextIsCutBeforeTheLineBreak() {
        const std::string text(kLogMaxLineChars + 50, 'x');
        LogPrintf(0, "%s", text.c_str());
        Deliver();
        const QString shown = GetLogWindow()->Edit()->toPlainText();
        QCOMPARE(shown.size(), qsizetype(kLogMaxLineChars + 1));
        QVERIFY(shown.endsWith(QStringLiteral("x\n")));
    }

    void recreatingReplacesTheWindowAndTheSink() {
        LogPrintf(0, "old");
        QVERIFY(CreateLogWindow(nullptr));
        LogPrintf(0, "new");
        Deliver();
        QCOMPARE(GetLogWindow()->Edit()->toPlainText(), QStringLiteral("new\n"));
        DestroyLogWindow();
        // Without a window lines go nowhere, and showing does nothing.
        LogPrintf(0, "lost");
        ShowLogWindow(true);
        QVERIFY(!IsLogWindowVisible());
        LogSetColor(RGB(1, 2, 3));
    }
};

ZB_GUI_TEST(LogWindowTest);
#include "LogWindowTest.moc"
