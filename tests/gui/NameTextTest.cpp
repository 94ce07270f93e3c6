// File names shown as text and edited: bytes that are not UTF-8 show as
// U+FFFD, and every character the user did not change keeps its bytes.
#include <QTest>

#include "gui/GuiTestRegistry.h"
#include "ui/NameText.h"

class NameTextTest : public QObject {
    Q_OBJECT

private slots:
    void shownText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9 \xF0\x9F\x98\x80")
                               << QStringLiteral("caf\u00E9 \U0001F600");
        QTest::newRow("stray byte") << QByteArray("bad\xFF") << QStringLiteral("bad\uFFFD");
        QTest::newRow("cut sequence") << QByteArray("a\xE2\x82") << QStringLiteral("a\uFFFD\uFFFD");
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << QStringLiteral("\uFFFD\uFFFD");
        QTest::newRow("surrogate")
            << QByteArray("\xED\xA0\x80") << QStringLiteral("\uFFFD\uFFFD\uFFFD");
        QTest::newRow("past U+10FFFF")
            << QByteArray("\xF4\x90\x80\x80") << QStringLiteral("\uFFFD\uFFFD\uFFFD\uFFFD");
        QTest::newRow("U+FFFD itself") << QByteArray("\xEF\xBF\xBD") << QStringLiteral("\uFFFD");
        QTest::newRow("ASCII") << QByteArray("plain name.txt") << QStringLiteral("plain name.txt");
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void shownText() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(CNameText(bytes.toStdString()).Text(), shown);
        QCOMPARE(NameToText(bytes.toStdString()), shown);
    }

    void editedText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("unchanged") << QByteArray("bad\xFF\xFE") << QStringLiteral("bad\uFFFD\uFFFD")
                                   << QByteArray("bad\xFF\xFE");
        QTest::newRow("end changed") << QByteArray(
                                            "bad\xFF"
                                            "byte.txt")
                                     << QStringLiteral("bad\uFFFDbyte.md")
                                     << QByteArray(
                                            "bad\xFF"
                                            "byte.md");
        QTest::newRow("start changed") << QByteArray(
                                              "bad\xFF"
                                              "byte")
                                       << QStringLiteral("good\uFFFDbyte")
                                       << QByteArray(
                                              "good\xFF"
                                              "byte");
        QTest::newRow("between two")
            << QByteArray("\xFF\xFE") << QStringLiteral("\uFFFDx\uFFFD") << QByteArray("\xFFx\xFE");
        QTest::newRow("one of two deleted") << QByteArray(
                                                   "a\xFF\xFE"
                                                   "b")
                                            << QStringLiteral("a\uFFFDb")
                                            << QByteArray(
                                                   "a\xFF"
                                                   "b");
        QTest::newRow("replaced") << QByteArray(
                                         "a\xFF"
                                         "b")
                                  << QStringLiteral("axb") << QByteArray("axb");
        QTest::newRow("typed U+FFFD") << QByteArray("ab") << QStringLiteral("a\uFFFDb")
                                      << QByteArray(
                                             "a\xEF\xBF\xBD"
                                             "b");
        QTest::newRow("after a pair")
            << QByteArray("\xF0\x9F\x98\x80\xFF") << QStringLiteral("\U0001F600\uFFFDx")
            << QByteArray("\xF0\x9F\x98\x80\xFFx");
        QTest::newRow("all gone") << QByteArray("\xFF") << QString() << QByteArray();
    }
    void editedText() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, edited);
        QFETCH(QByteArray, result);
        QCOMPARE(QByteArray::fromStdString(CNameText(bytes.toStdString()).BytesOf(edited)), result);
    }
};

ZB_GUI_TEST(NameTextTest);
#include "NameTextTest.moc"
