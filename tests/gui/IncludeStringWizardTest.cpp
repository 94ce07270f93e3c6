#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTimer>

#include "app/IncludeStringPage.h"
#include "app/IncludeStringWizard.h"
#include "app/engine/IncludeExpr.h"
#include "gui/GuiTestRegistry.h"

class IncludeStringWizardTest : public QObject {
    Q_OBJECT
private slots:
    void rowsAndCaptions() {
        CIncludeStringWizard dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Include String Wizard"));
        QCOMPARE(dlg.TemplateId(), 117);
        QCOMPARE(dlg.IncludeCombo(2)->itemText(1), QStringLiteral("Not Include"));
        QCOMPARE(dlg.KindCombo(1)->itemText(2), QStringLiteral("Dec Number"));
        QCOMPARE(dlg.ConnectorCombo(1)->itemText(1), QStringLiteral("Or"));
    }

    void helpExplainsTheLanguageAndItsExamplesCompile() {
        CIncludeStringWizard dlg;
        QCOMPARE(dlg.HelpPage(), QStringLiteral("includestring.htm"));
        QFile page(QDir(QStringLiteral(ZEMBROLT_SOURCE_HELP)).filePath(dlg.HelpPage()));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        const QString text = QTextDocumentFragment::fromHtml(html).toPlainText();
        for (const char* told :
             {"Regular expression", "a & b", "a | b", "!a", "{ ... }", "\\\"", "\\x41",
              "\"two words\"", "Match whole word only", "Match Case", "Invalid regular expression"})
            QVERIFY2(text.contains(QString::fromUtf8(told)), told);

        // Every example of the page is a valid expression.
        const qsizetype examples = html.indexOf(QStringLiteral("<h3>Examples</h3>"));
        QVERIFY(examples > 0);
        const QString list =
            html.mid(examples, html.indexOf(QStringLiteral("</ul>"), examples) - examples);
        const QRegularExpression code(QStringLiteral("<li><code>(.*?)</code>"));
        int count = 0;
        for (const QRegularExpressionMatch& match : code.globalMatch(list)) {
            CIncludeStringData data;
            data.m_sIncludeStr =
                QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText().toStdString();
            data.m_bRegularExpression = TRUE;
            CIncludeExprNodeArray nodes;
            QVERIFY2(CIncludeExpr(data).Parse(nodes), data.m_sIncludeStr.c_str());
            ++count;
        }
        QVERIFY(count >= 4);
    }

    void notIncludeDecimalNumber() {
        CIncludeStringWizard dlg;
        dlg.IncludeCombo(0)->setCurrentIndex(1);
        dlg.KindCombo(0)->setCurrentIndex(2);
        dlg.TextEdit(0)->setText(QStringLiteral("258"));
        dlg.accept();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.IncludeString(), QStringLiteral("!{\\x02\\x01}"));
    }

    void rowsJoinedByTheirConnectors() {
        CIncludeStringWizard dlg;
        dlg.TextEdit(0)->setText(QStringLiteral("abc"));
        dlg.TextEdit(2)->setText(QStringLiteral("1F"));
        dlg.KindCombo(2)->setCurrentIndex(1);
        dlg.IncludeCombo(2)->setCurrentIndex(1);
        // The connector before the third row decides; the unused middle row is skipped.
        dlg.ConnectorCombo(1)->setCurrentIndex(1);
        dlg.accept();
        QCOMPARE(dlg.IncludeString(), QStringLiteral("\"abc\"|!{\\x1f}"));
    }

    void aTextThatIsNoNumberKeepsTheDialogOpen() {
        CIncludeStringWizard dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.TextEdit(0)->setText(QStringLiteral("fine"));
        dlg.KindCombo(1)->setCurrentIndex(2);
        dlg.TextEdit(1)->setText(QStringLiteral("12x"));
        dlg.accept();
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.IncludeString().isEmpty());
        QCOMPARE(dlg.TextEdit(1)->selectedText(), QStringLiteral("12x"));
        dlg.TextEdit(1)->setText(QStringLiteral("12"));
        dlg.accept();
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.IncludeString(), QStringLiteral("\"fine\"&{\\x0c}"));
    }

    void thePageTakesTheWizardsExpression() {
        CIncludeStringPage page;
        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<CIncludeStringWizard*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->TextEdit(0)->setText(QStringLiteral("word"));
            dlg->accept();
        });
        page.OnWizard();
        CIncludeStringData data;
        page.GetData(data);
        QCOMPARE(data.m_sIncludeStr, std::string("\"word\""));
        QCOMPARE(data.m_bRegularExpression, TRUE);

        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<CIncludeStringWizard*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->TextEdit(0)->setText(QStringLiteral("other"));
            dlg->reject();
        });
        page.OnWizard();
        page.GetData(data);
        QCOMPARE(data.m_sIncludeStr, std::string("\"word\""));
    }
};

ZB_GUI_TEST(IncludeStringWizardTest);
#include "IncludeStringWizardTest.moc"
