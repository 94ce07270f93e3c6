// The metafile decoder: sizes, the record player's drawing, and malformed
// records.
#include <gtest/gtest.h>

#include <QFontDatabase>

#include "ThumbGenerator/MetafileDecoder.h"
#include "ThumbGenerator/TextException.h"
#include "ThumbTestSupport.h"

namespace {

using thumbtest::Bytes;
using thumbtest::Decoded;
using thumbtest::Pixel;

// A Windows metafile built record by record (parameters as 16-bit words).
class Wmf {
public:
    Wmf& Record(int function, const std::vector<int>& words) {
        m_records.Le32(static_cast<std::uint32_t>(3 + words.size())).Le16(function);
        for (int word : words)
            m_records.Le16(word);
        return *this;
    }
    Wmf& Raw(const std::string& bytes) {
        m_records.Text(bytes);
        return *this;
    }
    // With a placeable header when `unitsPerInch` is not 0.
    std::string Build(int left, int top, int right, int bottom, int unitsPerInch,
                      int objects = 4) const {
        Bytes b;
        if (unitsPerInch != 0)
            b.Le32(0x9AC6CDD7)
                .Le16(0)
                .Le16(left)
                .Le16(top)
                .Le16(right)
                .Le16(bottom)
                .Le16(unitsPerInch)
                .Le32(0)
                .Le16(0);
        b.Le16(1)
            .Le16(9)
            .Le16(0x0300)
            .Le32(static_cast<std::uint32_t>((18 + m_records.Size() + 6) / 2))
            .Le16(objects)
            .Le32(100)
            .Le16(0);
        b.Text(m_records.Str()).Le32(3).Le16(0);
        return b.Str();
    }

private:
    Bytes m_records;
};

// An enhanced metafile: a header for a frame in 0.01 mm on a 96-dpi device
// whose millimetres are given, the records, then the end record.
class Emf {
public:
    Emf& Record(int type, const std::vector<std::uint32_t>& values) {
        m_records.Le32(static_cast<std::uint32_t>(type))
            .Le32(static_cast<std::uint32_t>(8 + 4 * values.size()));
        for (std::uint32_t v : values)
            m_records.Le32(v);
        ++m_count;
        return *this;
    }
    Emf& Raw(const std::string& bytes) {
        m_records.Text(bytes);
        return *this;
    }
    std::string Build(int frameRight, int frameBottom,
                      const std::vector<std::uint32_t>& palette = {}) const {
        Bytes end;
        end.Le32(14)
            .Le32(static_cast<std::uint32_t>(20 + 4 * palette.size()))
            .Le32(static_cast<std::uint32_t>(palette.size()))
            .Le32(palette.empty() ? 0 : 16);
        for (std::uint32_t entry : palette)
            end.Le32(entry);
        end.Le32(static_cast<std::uint32_t>(20 + 4 * palette.size()));
        Bytes b;
        const std::uint32_t total = static_cast<std::uint32_t>(88 + m_records.Size() + end.Size());
        b.Le32(1).Le32(88).Le32(0).Le32(0).Le32(100).Le32(100);  // type, size, bounds
        b.Le32(0)
            .Le32(0)
            .Le32(static_cast<std::uint32_t>(frameRight))
            .Le32(static_cast<std::uint32_t>(frameBottom));
        b.Le32(0x464D4520).Le32(0x10000).Le32(total).Le32(m_count + 2).Le16(8).Le16(0);
        b.Le32(0).Le32(0).Le32(static_cast<std::uint32_t>(palette.size()));
        b.Le32(960).Le32(960).Le32(254).Le32(254);  // 960 px on 254 mm: 96 dpi
        b.Text(m_records.Str()).Text(end.Str());
        return b.Str();
    }

private:
    Bytes m_records;
    std::uint32_t m_count = 0;
};

Decoded& Decode(const std::string& bytes, const std::string& name, Decoded& result) {
    CMetafileDecoder decoder;
    thumbtest::DecodeBytes(decoder, bytes, result, name);
    return result;
}

// Selects a black brush and a null pen, then fills left, top, right, bottom.
Wmf BlackRectangle(int left, int top, int right, int bottom) {
    Wmf wmf;
    wmf.Record(0x02FC, {0, 0, 0, 0});     // CREATEBRUSHINDIRECT: solid black, slot 0
    wmf.Record(0x02FA, {5, 0, 0, 0, 0});  // CREATEPENINDIRECT: null pen, slot 1
    wmf.Record(0x012D, {0}).Record(0x012D, {1});
    wmf.Record(0x041B, {bottom, right, top, left});
    return wmf;
}

TEST(MetafileDecoder, PlaceableMetafilesTakeTheirSizeFromTheBoundingBox) {
    Wmf wmf = BlackRectangle(0, 0, 720, 720);
    wmf.Record(0x020B, {0, 0}).Record(0x020C, {720, 1440});  // window origin and extent
    Decoded result;
    ASSERT_EQ(Decode(wmf.Build(0, 0, 1440, 720, 1440), "a.wmf", result).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetWidth(), 96);
    EXPECT_EQ(result.bitmap.GetHeight(), 48);
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 32);
    EXPECT_EQ(Pixel(result.bitmap, 10, 24), 0x000000u);  // the left half is filled
    EXPECT_EQ(Pixel(result.bitmap, 80, 24), 0xFFFFFFu);  // the rest stays white
}

TEST(MetafileDecoder, AMetafileWithoutASizeBecomes320By200) {
    Wmf wmf;
    wmf.Record(0x0213, {10, 10});
    Decoded result;
    ASSERT_EQ(Decode(wmf.Build(0, 0, 0, 0, 0), "plain.wmf", result).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetWidth(), 320);
    EXPECT_EQ(result.bitmap.GetHeight(), 200);
    ASSERT_EQ(Decode(wmf.Build(0, 0, 0, 0, 1440), "zero.wmf", result).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetWidth(), 320);
}

TEST(MetafileDecoder, ANameWithEmfAnywhereIsAnEnhancedMetafile) {
    const std::string wmf = BlackRectangle(0, 0, 10, 10).Build(0, 0, 10, 10, 96);
    Decoded result;
    Decode(wmf, "picture.emf.wmf", result);
    EXPECT_EQ(result.code, kErrCannotHandle);
    EXPECT_EQ(result.text,
              "Decoder error: Windows Metafile functions failed to load this image.\n");
    EXPECT_EQ(Decode(wmf, "picture.wmf", result).code, 0);
}

TEST(MetafileDecoder, MappingModesPensAndShapesOfAnEnhancedMetafile) {
    // A frame of 100 x 50 mm: 377 x 188 pixels at 96 dpi. In MM_LOMETRIC
    // (0.1 mm, y upwards) with the origin moved to the bottom left, a red
    // ellipse in the left half and a blue pie in the right, drawn
    // counter-clockwise on the picture from its right end to its left: the
    // upper half.
    Emf emf;
    emf.Record(17, {2});                  // SETMAPMODE LOMETRIC
    emf.Record(12, {0, 189});             // SETVIEWPORTORGEX
    emf.Record(39, {1, 0, 0x0000FF, 0});  // CREATEBRUSHINDIRECT red
    emf.Record(38, {2, 5, 0, 0, 0});      // CREATEPEN null
    emf.Record(37, {1}).Record(37, {2});
    emf.Record(42, {0, 500, 500, 0});     // ELLIPSE
    emf.Record(39, {3, 0, 0xFF0000, 0});  // blue
    emf.Record(37, {3});
    emf.Record(47, {500, 500, 1000, 0, 1000, 250, 500, 250});  // PIE
    emf.Record(40, {3}).Record(37, {0x80000000u | 4});         // delete; stock black brush
    emf.Record(37, {99});                                      // a bad index is ignored
    Decoded result;
    ASSERT_EQ(Decode(emf.Build(10000, 5000), "shapes.emf", result).code, 0) << result.text;
    EXPECT_EQ(result.bitmap.GetWidth(), 377);
    EXPECT_EQ(result.bitmap.GetHeight(), 188);
    EXPECT_EQ(Pixel(result.bitmap, 94, 94), 0xFF0000u);    // the ellipse's centre
    EXPECT_EQ(Pixel(result.bitmap, 2, 2), 0xFFFFFFu);      // outside it
    EXPECT_EQ(Pixel(result.bitmap, 283, 40), 0x0000FFu);   // inside the pie
    EXPECT_EQ(Pixel(result.bitmap, 283, 150), 0xFFFFFFu);  // the other half of its ellipse
}

TEST(MetafileDecoder, PathsClippingAndSavedStates) {
    Emf emf;
    emf.Record(39, {1, 0, 0x00FF00, 0});
    emf.Record(37, {1});
    emf.Record(37, {0x80000000u | 8});               // NULL_PEN
    emf.Record(33, {});                              // SAVEDC
    emf.Record(30, {0, 0, 50, 50});                  // INTERSECTCLIPRECT
    emf.Record(59, {});                              // BEGINPATH
    emf.Record(27, {0, 0});                          // MOVETOEX
    emf.Record(6, {0, 0, 0, 0, 2, 100, 0, 0, 100});  // POLYLINETO (100,0) (0,100)
    emf.Record(61, {});                              // CLOSEFIGURE
    emf.Record(60, {});                              // ENDPATH
    emf.Record(62, {0, 0, 0, 0});                    // FILLPATH
    emf.Record(34, {0xFFFFFFFFu});                   // RESTOREDC -1: the clip goes
    emf.Record(43, {60, 60, 80, 80});                // RECTANGLE
    Decoded result;
    ASSERT_EQ(Decode(emf.Build(2646, 2646), "paths.emf", result).code, 0) << result.text;
    ASSERT_EQ(result.bitmap.GetWidth(), 100);
    EXPECT_EQ(Pixel(result.bitmap, 10, 10), 0x00FF00u);  // inside the triangle and the clip
    EXPECT_EQ(Pixel(result.bitmap, 60, 10), 0xFFFFFFu);  // inside the triangle, outside the clip
    EXPECT_EQ(Pixel(result.bitmap, 70, 70), 0x00FF00u);  // the rectangle after the restore
}

TEST(MetafileDecoder, BitmapRecordsAreDrawn) {
    // A 2 x 1 DIB (bottom-up, 24 bits): red, blue; stretched over the picture.
    Bytes dib;
    dib.Le32(40).Le32(2).Le32(1).Le16(1).Le16(24).Le32(0).Le32(8).Le32(0).Le32(0).Le32(0).Le32(0);
    dib.U8(0).U8(0).U8(255).U8(255).U8(0).U8(0).U8(0).U8(0);
    Wmf wmf;
    Bytes stretch;
    stretch.Le32(10).Le16(0x0F43).Le32(0x00CC0020).Le16(0);  // STRETCHDIB, SRCCOPY, RGB colours
    stretch.Le16(1).Le16(2).Le16(0).Le16(0);                 // source height, width, y, x
    stretch.Le16(10).Le16(20).Le16(0).Le16(0);               // destination height, width, y, x
    stretch.Text(dib.Str());
    std::string record = stretch.Str();
    const std::uint32_t words = static_cast<std::uint32_t>(record.size() / 2);
    for (int i = 0; i < 4; ++i)
        record[i] = static_cast<char>(words >> (8 * i));
    wmf.Raw(record);
    Decoded result;
    ASSERT_EQ(Decode(wmf.Build(0, 0, 20, 10, 96), "dib.wmf", result).code, 0) << result.text;
    EXPECT_EQ(Pixel(result.bitmap, 4, 5), 0xFF0000u);
    EXPECT_EQ(Pixel(result.bitmap, 15, 5), 0x0000FFu);
}

TEST(MetafileDecoder, TextIsDrawnInTheTextColour) {
    if (QFontDatabase::families().isEmpty())
        GTEST_SKIP() << "no fonts installed";
    Wmf wmf;
    Bytes font;
    font.Le16(-40)
        .Le16(0)
        .Le16(0)
        .Le16(0)
        .Le16(700)
        .U8(0)
        .U8(0)
        .U8(0)
        .U8(0)
        .U8(0)
        .U8(0)
        .U8(0)
        .U8(0)
        .Text("Sans");
    font.U8(0).U8(0);
    Bytes record;
    record.Le32(static_cast<std::uint32_t>(3 + font.Size() / 2)).Le16(0x02FB).Text(font.Str());
    wmf.Raw(record.Str()).Record(0x012D, {0});
    wmf.Record(0x0209, {0x00FF, 0});                                // SETTEXTCOLOR red
    wmf.Record(0x0102, {1});                                        // SETBKMODE TRANSPARENT
    wmf.Record(0x0521, {4, 'W' | 'W' << 8, 'W' | 'W' << 8, 5, 5});  // TEXTOUT "WWWW" at 5, 5
    Decoded result;
    ASSERT_EQ(Decode(wmf.Build(0, 0, 200, 60, 96), "text.wmf", result).code, 0) << result.text;
    int red = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x)
            red += thumbtest::Near(Pixel(result.bitmap, x, y), 0xFF0000, 60) ? 1 : 0;
    EXPECT_GT(red, 50);
}

TEST(MetafileDecoder, APaletteInTheMetafileGivesAnEightBitPicture) {
    Emf emf;
    emf.Record(39, {1, 0, 0x0000F0, 0});
    emf.Record(37, {1});
    emf.Record(43, {0, 0, 50, 100});
    Decoded result;
    ASSERT_EQ(Decode(emf.Build(2646, 2646, {0x000000F0, 0x00FFFFFF}), "palette.emf", result).code,
              0)
        << result.text;
    EXPECT_EQ(result.bitmap.GetBitsPerPixel(), 8);
    EXPECT_EQ(Pixel(result.bitmap, 10, 50), 0xF00000u);
    EXPECT_EQ(Pixel(result.bitmap, 90, 50), 0xFFFFFFu);
}

TEST(MetafileDecoder, MalformedRecordsEndWithoutHanging) {
    Decoded result;
    Wmf zeroSize;
    zeroSize.Raw(Bytes().Le32(0).Le16(0x0213).Str());
    Decode(zeroSize.Build(0, 0, 10, 10, 96), "zero.wmf", result);
    EXPECT_EQ(result.code, kErrCorrupt);
    Wmf pastEnd;
    pastEnd.Raw(Bytes().Le32(1000).Le16(0x0213).Str());
    Decode(pastEnd.Build(0, 0, 10, 10, 96), "long.wmf", result);
    EXPECT_EQ(result.code, kErrCorrupt);
    Wmf manyPoints;
    manyPoints.Record(0x0324, {30000, 1, 1});  // a polygon claiming 30000 points
    manyPoints.Record(0x012D, {77});           // an object that does not exist
    EXPECT_EQ(Decode(manyPoints.Build(0, 0, 10, 10, 96), "points.wmf", result).code, 0);

    Emf oddSize;
    oddSize.Raw(Bytes().Le32(43).Le32(10).Le16(0).Str());
    Decode(oddSize.Build(100, 100), "odd.emf", result);
    EXPECT_EQ(result.code, kErrCorrupt);
    Emf badOffsets;
    badOffsets.Record(81, {0, 0, 0, 0, 0, 0, 0, 0, 5, 5, 5000, 40, 9000, 100, 0, 0xCC0020, 5, 5});
    badOffsets.Record(84, {0, 0, 0, 0, 1, 0, 0, 5, 5, 100000, 800, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Decode(badOffsets.Build(100, 100), "offsets.emf", result).code, 0);
    std::string badHeader = Emf().Build(100, 100);
    badHeader[40] = 'X';
    Decode(badHeader, "header.emf", result);
    EXPECT_EQ(result.code, kErrCannotHandle);
}

}  // namespace
