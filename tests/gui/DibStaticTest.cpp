#include "ui/DibStatic.h"

#include <QFile>
#include <QImage>
#include <QTest>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gui/GuiTestRegistry.h"
#include "platform/ByteReader.h"

namespace {

QByteArray ReadSample(const char* name) {
    QFile file(QString::fromLatin1(ZEMBROLT_TESTDATA) + QStringLiteral("/bmp/") +
               QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Where the pixels of a bitmap file begin (bfOffBits of its file header); 0
// when the file is too short to have one.
std::uint32_t PixelOffset(const QByteArray& file) {
    zb::ByteReader reader(file.constData(), static_cast<std::size_t>(file.size()));
    reader.Seek(10);
    return reader.U32Le();
}

// The largest difference of one colour channel between two pictures of one size.
int MaxChannelDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                             std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return most;
}

}  // namespace

class DibStaticTest : public QObject {
    Q_OBJECT
private slots:
    void theBannerIsAnEightBitPicture() {
        CDib dib;
        QVERIFY(dib.LoadFromResource(500, "DIB"));
        QCOMPARE(dib.GetSize(), QSize(420, 80));
        QCOMPARE(dib.Image().format(), QImage::Format_Indexed8);
        QVERIFY(!dib.LoadFromResource(501, "DIB"));
        QCOMPARE(dib.GetSize(), QSize());
        QCOMPARE(dib.GetBits(), nullptr);

        // The pixels follow the header and its 256 colours.
        QFile resource(QStringLiteral(":/DIB/500"));
        QVERIFY(resource.open(QIODevice::ReadOnly));
        const QByteArray bytes = resource.readAll();
        QVERIFY(dib.LoadFromFileImage(bytes));
        const std::uint32_t offBits = PixelOffset(bytes);
        QCOMPARE(offBits, 14u + 40u + 1024u);
        QCOMPARE(std::memcmp(dib.GetBits(), bytes.constData() + offBits, 420), 0);
    }

    // Each sample is drawn as Qt's own reader draws it, its pixels taken from
    // where the file header says they are.
    void samplesMatchTheirFiles() {
        for (const char* name : {"pal8.bmp", "pal8topdown.bmp", "pal8v5.bmp", "rgb16-565.bmp",
                                 "rgb24.bmp", "rgb32.bmp"}) {
            const QByteArray bytes = ReadSample(name);
            QVERIFY2(!bytes.isEmpty(), name);
            CDib dib;
            QVERIFY2(dib.LoadFromFileImage(bytes), name);
            const std::uint32_t offBits = PixelOffset(bytes);
            QCOMPARE(std::memcmp(dib.GetBits(), bytes.constData() + offBits, 16), 0);
            const QImage expected =
                QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32);
            const QImage drawn = dib.Image().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(drawn.size(), expected.size());
            // Five-bit channels widen to eight bits in more than one way.
            const int allowed = dib.Image().depth() == 16 ? 7 : 0;
            QVERIFY2(MaxChannelDifference(drawn, expected) <= allowed, name);
        }
    }

    void damagedOrUndrawnFilesAreRefused() {
        CDib dib;
        const QByteArray good = ReadSample("rgb24.bmp");
        QVERIFY(dib.LoadFromFileImage(good));
        QVERIFY(!dib.LoadFromFileImage(good.left(good.size() - 1)));
        QVERIFY(!dib.LoadFromFileImage(QByteArray("BM")));
        QVERIFY(!dib.LoadFromFileImage(QByteArray()));
        QByteArray notBm = good;
        notBm[0] = 'X';
        QVERIFY(!dib.LoadFromFileImage(notBm));
        for (const char* name : {"malformed_shortfile.bmp", "pal8rle.bmp", "pal8os2.bmp"})
            QVERIFY2(!dib.LoadFromFileImage(ReadSample(name)), name);
        QVERIFY(dib.Image().isNull());
    }

    void theControlPaintsTheBannerAtItsOwnSize() {
        QWidget window;
        window.resize(600, 200);
        QPalette colours = window.palette();
        colours.setColor(QPalette::Window, QColor(1, 2, 3));
        window.setPalette(colours);
        window.setAutoFillBackground(true);
        CDibStatic banner(&window);
        QVERIFY(banner.LoadDib());
        QCOMPARE(banner.sizeHint(), QSize(420, 80));
        banner.setGeometry(10, 20, 560, 160);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage shot = banner.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage picture = banner.Dib().Image().convertToFormat(QImage::Format_RGB32);
        for (const QPoint at : {QPoint(0, 0), QPoint(419, 79), QPoint(200, 40)})
            QCOMPARE(shot.pixel(at), picture.pixel(at));
        for (const QPoint outside : {QPoint(425, 10), QPoint(10, 85)})
            QCOMPARE(shot.pixelColor(outside), QColor(1, 2, 3));
    }
};

ZB_GUI_TEST(DibStaticTest);
#include "DibStaticTest.moc"
