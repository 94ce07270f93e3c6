#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include "app/ColumnChoice.h"
#include "app/ResultListCtrl.h"
#include "app/ResultListModel.h"
#include "app/ZembroltDlg.h"
#include "gui/GuiTestRegistry.h"
#include "support/ColumnLists.h"

using zbtest::Columns;

// A search over a folder of real audio, picture, video, document, program
// and shortcut files fills their detail columns, and a numeric detail column
// sorts by value.
class DetailColumnsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void aSearchFillsTheDetailColumnsOfEveryKind() {
        QTemporaryDir user;
        qputenv("XDG_CONFIG_HOME", user.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", user.filePath(QStringLiteral("data")).toUtf8());
        QTemporaryDir folder;
        const QString samples = QStringLiteral(ZEMBROLT_TESTDATA);
        for (const char* sample :
             {"gif/treescap.gif", "bmp/rgb24.bmp", "jpeg/hopper.jpg", "png/basn6a08.png",
              "avi/test.avi", "wav/8bit_pcm.wav", "mp3/mpeg1_id3v1.mp3", "pe/EXE.exe",
              "ole2/test-ole-file.doc", "lnk/testshortcut.lnk", "html/case-1117013.html"}) {
            const QString from = samples + QLatin1Char('/') + QLatin1String(sample);
            QVERIFY(QFile::copy(from, folder.filePath(QFileInfo(from).fileName())));
        }

        CZembroltDlg window;
        window.ColumnChoice()->SetVisibleColumns(
            Columns({1001, 301, 302, 303, 201, 2, 4, 1202, 1252}));
        window.FileNameCombo()->setEditText(QStringLiteral("*"));
        window.LookInCombo()->setEditText(folder.path());
        window.OnFind();
        QTRY_VERIFY(!window.IsSearching());
        CResultListModel* model = window.ResultModel();
        QTRY_COMPARE(model->GetRowCount(), 11);

        const auto cell = [model](int row, int id) {
            return model->GetCellText(row, model->FindVisibleColumn(id));
        };
        QMap<QString, int> rows;
        for (int row = 0; row < model->GetRowCount(); ++row)
            rows[cell(row, 1001)] = row;
        QCOMPARE(cell(rows["treescap.gif"], 301), QStringLiteral("40"));
        QCOMPARE(cell(rows["rgb24.bmp"], 302), QStringLiteral("64"));
        QCOMPARE(cell(rows["hopper.jpg"], 303), QStringLiteral("24bit"));
        QCOMPARE(cell(rows["basn6a08.png"], 303), QStringLiteral("32bit"));
        QCOMPARE(cell(rows["test.avi"], 201), QStringLiteral("1 sec"));
        QCOMPARE(cell(rows["8bit_pcm.wav"], 201), QStringLiteral("1 sec"));
        QCOMPARE(cell(rows["mpeg1_id3v1.mp3"], 2), QStringLiteral("some title"));
        QCOMPARE(cell(rows["EXE.exe"], 1202), QStringLiteral("Phil Harvey"));
        QCOMPARE(cell(rows["test-ole-file.doc"], 4), QStringLiteral("Laurence Ipsum"));
        QCOMPARE(cell(rows["testshortcut.lnk"], 1252),
                 QStringLiteral("C:\\Documents and Settings\\owner\\Desktop\\test.txt"));
        QCOMPARE(cell(rows["case-1117013.html"], 2), QStringLiteral("test 1117013"));
        QCOMPARE(cell(rows["EXE.exe"], 301), QString());

        // Widths sort as numbers (32 < 40 < 127 < 128), not as texts.
        window.ResultList()->OnColumnClick(model->FindVisibleColumn(301));
        QStringList widths;
        for (int row = 0; row < model->GetRowCount(); ++row) {
            const QString width = cell(row, 301);
            if (!width.isEmpty())
                widths << width;
        }
        QCOMPARE(widths, QStringList({"32", "32", "40", "127", "128"}));
    }
};

ZB_GUI_TEST(DetailColumnsWindowTest);
#include "DetailColumnsWindowTest.moc"
