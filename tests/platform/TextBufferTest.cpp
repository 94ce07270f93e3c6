#include "platform/TextBuffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextBufferTest, StartsEmpty) {
    CTextBuffer buffer;
    EXPECT_EQ(buffer.GetLength(), 0);
    EXPECT_EQ(buffer.GetCapacity(), 0);
    EXPECT_EQ(buffer.GetData(), nullptr);
}

TEST(TextBufferTest, NullOrEmptyTextChangesNothing) {
    CTextBuffer buffer;
    EXPECT_EQ(buffer.Append(nullptr), 0);
    EXPECT_EQ(buffer.Append(""), 0);
    EXPECT_EQ(buffer.GetData(), nullptr);
    buffer.Append("abc");
    EXPECT_EQ(buffer.Append(""), 0);
    EXPECT_EQ(buffer.GetLength(), 3);
    EXPECT_STREQ(buffer.GetData(), "abc");
}

TEST(TextBufferTest, StepGrowthWhileTheTextIsShort) {
    CTextBuffer buffer;
    buffer.SetGrowStep(16);
    EXPECT_EQ(buffer.Append("0123456789"), 10);
    EXPECT_EQ(buffer.GetCapacity(), 16);
    EXPECT_EQ(buffer.Append("abcdefghij"), 20);
    EXPECT_EQ(buffer.GetCapacity(), 26);
    EXPECT_STREQ(buffer.GetData(), "0123456789abcdefghij");
}

TEST(TextBufferTest, StepNeverGivesLessThanTheTextNeeds) {
    CTextBuffer buffer;
    buffer.SetGrowStep(16);
    buffer.Append("0123456789");
    const std::string big(100, 'x');
    EXPECT_EQ(buffer.Append(big.c_str()), 110);
    EXPECT_GE(buffer.GetCapacity(), 111);
    EXPECT_EQ(std::string(buffer.GetData()), "0123456789" + big);
}

TEST(TextBufferTest, DoublesWithoutAStep) {
    CTextBuffer buffer;
    buffer.Append("0123456789");
    EXPECT_EQ(buffer.GetCapacity(), 11);
    buffer.Append("x");
    EXPECT_EQ(buffer.GetCapacity(), 22);
    // Exactly filling the block still leaves room for the terminating zero.
    buffer.Append("0123456789");
    EXPECT_EQ(buffer.GetLength(), 21);
    EXPECT_EQ(buffer.GetCapacity(), 22);
    EXPECT_STREQ(buffer.GetData(), "0123456789x0123456789");
}

TEST(TextBufferTest, LongStepCollectsManyPieces) {
    CTextBuffer buffer;
    buffer.SetGrowStep(0x100000);
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        const std::string piece = "line " + std::to_string(i) + "\n";
        expected += piece;
        ASSERT_EQ(buffer.Append(piece.c_str()), static_cast<std::int32_t>(expected.size()));
    }
    EXPECT_EQ(buffer.GetCapacity(), 0x100000);
    EXPECT_EQ(std::string(buffer.GetData()), expected);
}

TEST(TextBufferTest, ReserveCutsTheText) {
    CTextBuffer buffer;
    buffer.Append("hello world");
    EXPECT_TRUE(buffer.Reserve(5));
    EXPECT_EQ(buffer.GetCapacity(), 5);
    EXPECT_EQ(buffer.GetLength(), 4);
    EXPECT_STREQ(buffer.GetData(), "hell");
    EXPECT_TRUE(buffer.Reserve(100));
    EXPECT_STREQ(buffer.GetData(), "hell");
    EXPECT_EQ(buffer.Append("o"), 5);
    EXPECT_EQ(buffer.GetCapacity(), 100);
}

TEST(TextBufferTest, ReserveZeroFreesAndNegativeIsRefused) {
    CTextBuffer buffer;
    buffer.Append("text");
    EXPECT_FALSE(buffer.Reserve(-1));
    EXPECT_STREQ(buffer.GetData(), "text");
    EXPECT_TRUE(buffer.Reserve(0));
    EXPECT_EQ(buffer.GetData(), nullptr);
    EXPECT_EQ(buffer.GetLength(), 0);
    EXPECT_EQ(buffer.GetCapacity(), 0);
    EXPECT_TRUE(buffer.Reserve(1));
    EXPECT_STREQ(buffer.GetData(), "");
    EXPECT_EQ(buffer.Append("ab"), 2);
    EXPECT_STREQ(buffer.GetData(), "ab");
}

}  // namespace
