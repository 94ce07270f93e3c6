#include "ui/QtFileTypeInfoProvider.h"

#include <QTest>

#include "gui/GuiTestRegistry.h"

class QtFileTypeInfoProviderTest : public QObject {
    Q_OBJECT
private slots:
    void typeNamesComeFromTheMimeDatabase() {
        CQtFileTypeInfoProvider provider;
        zb::FileTypeQuery text;
        text.name = "notes.txt";
        const zb::FileTypeAnswer answer = provider.Describe(text);
        QVERIFY(!answer.typeName.empty());
        QVERIFY(answer.iconIndex >= 0);
        // The same extension is one cache entry, whatever the case.
        text.name = "OTHER.TXT";
        QCOMPARE(provider.Describe(text).iconIndex, answer.iconIndex);
        QVERIFY(!provider.Icon(answer.iconIndex).isNull());
    }

    void foldersAndUnknownTypes() {
        CQtFileTypeInfoProvider provider;
        zb::FileTypeQuery folder;
        folder.name = "docs";
        folder.attributes = SFGAO_FOLDER;
        QCOMPARE(QString::fromStdString(provider.Describe(folder).typeName),
                 QStringLiteral("File Folder"));
        zb::FileTypeQuery odd;
        odd.name = "data.zzqq";
        QCOMPARE(QString::fromStdString(provider.Describe(odd).typeName),
                 QStringLiteral("ZZQQ File"));
        QVERIFY(provider.Icon(12345).isNull());
    }
};

ZB_GUI_TEST(QtFileTypeInfoProviderTest);
#include "QtFileTypeInfoProviderTest.moc"
