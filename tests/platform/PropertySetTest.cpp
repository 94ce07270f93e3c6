#include "platform/PropertySet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/CompoundFile.h"
#include "support/CompoundFileWriter.h"

namespace {

using zb::PropertySetReader;
using zb::PropertyValue;
using zbtest::Bytes;

const std::string kData = std::string(ZEMBROLT_TESTDATA) + "/ole2/";

struct Walk {
    bool completed = false;
    std::vector<PropertyValue> values;

    const PropertyValue* Find(std::uint32_t id) const {
        for (const PropertyValue& value : values) {
            if (value.id == id) {
                return &value;  // the first section's
            }
        }
        return nullptr;
    }
    std::string Text(std::uint32_t id) const { return Find(id) ? Find(id)->text : "<none>"; }
    std::uint64_t Number(std::uint32_t id) const { return Find(id) ? Find(id)->number : 0xBAD; }
};

Walk ReadSet(const std::vector<std::uint8_t>& stream) {
    Walk walk;
    PropertySetReader reader;
    if (reader.Open(stream)) {
        walk.completed = reader.ReadProperties([](std::uint32_t) { return true; },
                                               [&](const PropertyValue& value) {
                                                   walk.values.push_back(value);
                                                   return true;
                                               });
    }
    return walk;
}

Walk ReadFileSet(const std::string& name, std::string_view stream) {
    zb::CompoundFile file;
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(file.Open(kData + name));
    EXPECT_TRUE(file.ReadRootStream(stream, 64 << 20, bytes));
    return ReadSet(bytes);
}

// Expected values were taken from a reference reader of the same files.
TEST(PropertySet, SummaryOfAWordDocument) {
    const Walk walk = ReadFileSet("test-ole-file.doc", zb::kSummaryInformationStream);
    ASSERT_TRUE(walk.completed);
    EXPECT_EQ(walk.Number(1), 1252u);
    EXPECT_EQ(walk.Find(1)->type, VT_I2);
    EXPECT_EQ(walk.Text(4), "Laurence Ipsum");
    EXPECT_EQ(walk.Text(7), "Normal.dotm");
    EXPECT_EQ(walk.Text(8), "Laurence Ipsum");
    EXPECT_EQ(walk.Text(9), "2");
    EXPECT_EQ(walk.Text(18), "Microsoft Office Word");
    EXPECT_EQ(walk.Number(14), 1u);
    EXPECT_EQ(walk.Number(15), 7u);
    EXPECT_EQ(walk.Number(16), 40u);
    EXPECT_EQ(walk.Number(19), 0u);
    EXPECT_EQ(walk.Find(12)->type, VT_FILETIME);
    EXPECT_EQ(walk.Number(12) / 10000000, 13041688500u);  // seconds since 1601
}

TEST(PropertySet, SummaryAndDocumentSummaryOfASpreadsheet) {
    const Walk summary =
        ReadFileSet("xor_password_123456789012345.xls", zb::kSummaryInformationStream);
    ASSERT_TRUE(summary.completed);
    EXPECT_EQ(summary.Text(2), "Test File For Cracking");
    EXPECT_EQ(summary.Text(3), "Crack-a-plz");
    EXPECT_EQ(summary.Text(4), "RichRumble");
    EXPECT_EQ(summary.Text(5), "VelvetSweatShop, RC4, 40-bit, 1,099,511,627,776");
    EXPECT_EQ(summary.Text(6).substr(0, 19), "1,099,511,627,776\r\n");
    EXPECT_EQ(summary.Text(8), "\xC2\xA0");  // byte 0xA0 of code page 1252
    EXPECT_EQ(summary.Number(19), 1u);

    const Walk document =
        ReadFileSet("xor_password_123456789012345.xls", zb::kDocumentSummaryInformationStream);
    ASSERT_TRUE(document.completed);
    EXPECT_EQ(document.Text(2), "The Pen is Mightyer");
    EXPECT_EQ(document.Text(14), "Of Space and Time");
    EXPECT_EQ(document.Text(15), "kept in stiches");
    EXPECT_EQ(document.Number(11), 0u);  // a VT_BOOL false
    // The second section holds the user-defined properties, also numbered from 2.
    EXPECT_TRUE(
        std::any_of(document.values.begin(), document.values.end(), [](const PropertyValue& value) {
            return value.id == 2 && value.text == "Female Body Inspector";
        }));
}

TEST(PropertySet, MacintoshCodePageAndClipboardThumbnail) {
    const Walk plain = ReadFileSet("plain.doc", zb::kSummaryInformationStream);
    ASSERT_TRUE(plain.completed);
    EXPECT_EQ(plain.Number(1), 10000u);
    EXPECT_EQ(plain.Text(2), "");
    EXPECT_EQ(plain.Text(18), "Microsoft Office Word");

    const Walk ppt = ReadFileSet("embedded-simple-2007.ppt", zb::kSummaryInformationStream);
    ASSERT_TRUE(ppt.completed);
    EXPECT_EQ(ppt.Text(2), "Embedded Objects");
    ASSERT_NE(ppt.Find(17), nullptr);
    EXPECT_EQ(ppt.Find(17)->type, VT_CF);
    EXPECT_EQ(ppt.Find(17)->text.size(), 57736u);
    EXPECT_EQ(ppt.Find(17)->text.substr(0, 8), std::string("\xFF\xFF\xFF\xFF\x03\x00\x00\x00", 8));
}

TEST(PropertySet, EncryptedPresentationHasNoSummaryStream) {
    zb::CompoundFile file;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(file.Open(kData + "encrypted.ppt"));
    EXPECT_FALSE(file.ReadRootStream(zb::kSummaryInformationStream, 64 << 20, bytes));
}

TEST(PropertySet, TypesSectionsAndFilter) {
    using namespace zbtest;
    const Bytes stream = WritePropertySet({
        {PropString(2, "First"), PropI2(1, 1252), PropRaw(3, 0x101E, {1, 0, 0, 0}),
         PropBool(11, true), PropI4(14, 0xFFFFFFFF), PropI4(15, 7, 19),
         PropFiletime(12, 0x0123456789ABCDEFull), PropRaw(20, 72, Bytes(16, 0xAB)),
         PropClipboard(17, {1, 2, 3}), PropString(5, "\xE9t\xE9", 8)},
        {PropI2(1, 1251), PropString(2, "\xCF\xF0\xE8")},
    });
    std::vector<std::uint32_t> delivered;
    PropertySetReader reader;
    ASSERT_TRUE(reader.Open(stream));
    EXPECT_EQ(reader.SectionCount(), 2u);
    std::map<std::uint32_t, PropertyValue> last;
    ASSERT_TRUE(reader.ReadProperties([](std::uint32_t id) { return id != 14; },
                                      [&](const PropertyValue& value) {
                                          delivered.push_back(value.id);
                                          last[value.id] = value;
                                          return true;
                                      }));
    // The vector (3) is passed over, the refused id (14) never delivered.
    EXPECT_EQ(delivered, (std::vector<std::uint32_t>{2, 1, 11, 15, 12, 20, 17, 5, 1, 2}));
    EXPECT_EQ(last[2].text, "\xD0\x9F\xD1\x80\xD0\xB8");  // the later section, code page 1251
    EXPECT_EQ(last[5].text, "\xC3\xA9t\xC3\xA9");         // code page 1252
    EXPECT_EQ(last[11].number, 1u);
    EXPECT_EQ(last[15].number, 7u);
    EXPECT_EQ(last[12].number, 0x0123456789ABCDEFull);
    EXPECT_EQ(last[20].text, std::string(16, '\xAB'));
    EXPECT_EQ(last[17].text, std::string("\x01\x02\x03", 3));

    int calls = 0;
    EXPECT_FALSE(reader.ReadProperties([](std::uint32_t) { return true; },
                                       [&](const PropertyValue&) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

TEST(PropertySet, UnicodeCodePageStringsCountBytes) {
    using namespace zbtest;
    Bytes text;
    PutLe32(text, 10);  // "Ab" + U+4E2D + an unpaired high surrogate + NUL, in bytes
    PutBytes(text, Bytes{'A', 0, 'b', 0, 0x2D, 0x4E, 0x00, 0xD8, 0, 0});
    const Walk walk = ReadSet(WritePropertySet({{PropI2(1, 1200), PropRaw(2, 30, text)}}));
    ASSERT_TRUE(walk.completed);
    EXPECT_EQ(walk.Text(2), "Ab\xE4\xB8\xAD?");
}

TEST(PropertySet, DamagedSetsFail) {
    using namespace zbtest;
    const Bytes good = WritePropertySet({{PropI2(1, 1252), PropString(2, "Title")}});
    EXPECT_TRUE(ReadSet(good).completed);
    const std::size_t section = GetLe32(good, 44);

    Bytes bom = good;
    SetLe16(bom, 0, 0xFEFF);
    PropertySetReader reader;
    EXPECT_FALSE(reader.Open(bom));
    Bytes format = good;
    SetLe16(format, 2, 1);
    EXPECT_FALSE(reader.Open(format));
    EXPECT_FALSE(reader.Open(Bytes(good.begin(), good.begin() + 27)));

    Bytes noSections = good;
    SetLe32(noSections, 24, 0);
    EXPECT_FALSE(ReadSet(noSections).completed);

    Bytes manySections = good;  // a count far beyond the stream ends at its end
    SetLe32(manySections, 24, 0xFFFFFFFF);
    EXPECT_FALSE(ReadSet(manySections).completed);

    Bytes sectionPast = good;
    SetLe32(sectionPast, 44, 0xFFFFFFF0);
    EXPECT_FALSE(ReadSet(sectionPast).completed);

    Bytes manyProperties = good;
    SetLe32(manyProperties, section + 4, 0xFFFFFFFF);
    EXPECT_FALSE(ReadSet(manyProperties).completed);

    Bytes valuePast = good;
    SetLe32(valuePast, section + 20, 0xFFFFFFF0);
    EXPECT_FALSE(ReadSet(valuePast).completed);

    const std::size_t stringCount = section + 24 + 8 + 4;  // after the code page value and the type
    Bytes hugeString = good;
    SetLe32(hugeString, stringCount, 0xFFFFFFFF);
    const Walk huge = ReadSet(hugeString);
    EXPECT_FALSE(huge.completed);
    EXPECT_EQ(huge.Find(2), nullptr);

    Bytes emptyString = good;
    SetLe32(emptyString, stringCount, 0);
    const Walk empty = ReadSet(emptyString);
    EXPECT_TRUE(empty.completed);
    EXPECT_EQ(empty.Text(2), "");

    for (std::size_t size = 28; size + 3 < good.size();
         ++size) {  // "Title" needs no NUL or padding
        EXPECT_FALSE(ReadSet(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)))
                         .completed)
            << size;
    }
}

TEST(PropertySet, SectionsSharingTheirEntriesEndTheWalk) {
    using namespace zbtest;
    // 1,000 sections all pointing at one section of 1,000 entries: walking
    // them all would visit a million entries in a 28 KB stream.
    constexpr std::uint32_t kSections = 1000;
    constexpr std::uint32_t kEntries = 1000;
    Bytes stream;
    PutLe16(stream, 0xFFFE);
    PutLe16(stream, 0);
    PutLe32(stream, 0);
    stream.resize(24, 0);
    PutLe32(stream, kSections);
    const std::uint32_t section = 28 + kSections * 20;
    for (std::uint32_t i = 0; i < kSections; ++i) {
        stream.resize(stream.size() + 16, 0);
        PutLe32(stream, section);
    }
    PutLe32(stream, 8 + kEntries * 8);
    PutLe32(stream, kEntries);
    for (std::uint32_t i = 0; i < kEntries; ++i) {
        PutLe32(stream, 1000 + i);
        PutLe32(stream, 0);
    }
    const Walk shared = ReadSet(stream);
    EXPECT_FALSE(shared.completed);
    EXPECT_TRUE(shared.values.empty());
}

}  // namespace
