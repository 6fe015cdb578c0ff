#include "platform/conversions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "platform/errors.h"

namespace keydesk {
namespace {

// ---- Accepted integer texts ----

TEST(ConversionsIntegerTest, Decimal) {
  EXPECT_EQ(TryStrToInt("0"), 0);
  EXPECT_EQ(TryStrToInt("8886"), 8886);
  EXPECT_EQ(TryStrToInt("-5"), -5);
  EXPECT_EQ(TryStrToInt("+17"), 17);
  EXPECT_EQ(TryStrToInt("-0"), 0);
  EXPECT_EQ(TryStrToInt("007"), 7);
}

TEST(ConversionsIntegerTest, LeadingBlanks) {
  EXPECT_EQ(TryStrToInt("   42"), 42);
  EXPECT_EQ(TryStrToInt("  -42"), -42);
  EXPECT_EQ(TryStrToInt(" $10"), 16);
}

TEST(ConversionsIntegerTest, HexadecimalAfterDollarOr0x) {
  EXPECT_EQ(TryStrToInt("$22B6"), 8886);
  EXPECT_EQ(TryStrToInt("$22b6"), 8886);
  EXPECT_EQ(TryStrToInt("0x22B6"), 8886);
  EXPECT_EQ(TryStrToInt("0X22b6"), 8886);
  EXPECT_EQ(TryStrToInt("-$A"), -10);
  EXPECT_EQ(TryStrToInt("+0xff"), 255);
  EXPECT_EQ(TryStrToInt("$0"), 0);
}

TEST(ConversionsIntegerTest, LimitsOf32Bits) {
  EXPECT_EQ(TryStrToInt("2147483647"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TryStrToInt("-2147483648"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TryStrToInt("$7FFFFFFF"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TryStrToInt("-0x80000000"), std::numeric_limits<int32_t>::min());
}

TEST(ConversionsIntegerTest, LimitsOf64Bits) {
  EXPECT_EQ(TryStrToInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(TryStrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(TryStrToInt64("4294967295"), 4294967295);
  EXPECT_EQ(TryStrToInt64("$FFFFFFFF"), 4294967295);
  EXPECT_EQ(TryStrToInt64("-$8000000000000000"), std::numeric_limits<int64_t>::min());
}

// ---- Rejected integer texts ----

class ConversionsRejectTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ConversionsRejectTest, IsNotAnInteger) {
  EXPECT_EQ(TryStrToInt(GetParam()), std::nullopt);
  EXPECT_EQ(TryStrToInt64(GetParam()), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(ConversionsMalformed, ConversionsRejectTest,
                         ::testing::Values("", "   ", "abc", "12abc", "12 ", "1.5", "1,000", "-",
                                           "+", "--1", "+-1", "- 1", "$", "0x", "0x-1", "$-1", "$G",
                                           "0xG1", "x10", "1e3", "0b1"));

INSTANTIATE_TEST_SUITE_P(ConversionsTooLarge, ConversionsRejectTest,
                         ::testing::Values("9223372036854775808", "-9223372036854775809",
                                           "$8000000000000000", "0x10000000000000000",
                                           "99999999999999999999"));

TEST(ConversionsIntegerTest, OverflowOf32BitsIsRejected) {
  EXPECT_EQ(TryStrToInt("2147483648"), std::nullopt);
  EXPECT_EQ(TryStrToInt("-2147483649"), std::nullopt);
  EXPECT_EQ(TryStrToInt("$80000000"), std::nullopt);
  EXPECT_EQ(TryStrToInt("0xFFFFFFFF"), std::nullopt);
  EXPECT_EQ(TryStrToInt("99999999999"), std::nullopt);
}

// ---- Raising and defaults ----

TEST(ConversionsStrToIntTest, ReturnsValue) {
  EXPECT_EQ(StrToInt(" 0x22B6"), 8886);
  EXPECT_EQ(StrToInt64("-4294967296"), -4294967296);
}

TEST(ConversionsStrToIntTest, RaisesConvertErrorWithTheText) {
  try {
    StrToInt("12abc");
    FAIL() << "no error raised";
  } catch (const ConvertError& error) {
    EXPECT_EQ(std::string(error.what()), "'12abc' is not a valid integer value");
  }
  try {
    StrToInt64("");
    FAIL() << "no error raised";
  } catch (const ConvertError& error) {
    EXPECT_EQ(std::string(error.what()), "'' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt("2147483648"), ConvertError);
}

TEST(ConversionsStrToIntTest, DefaultForMalformedText) {
  EXPECT_EQ(StrToIntDef("abc", 8886), 8886);
  EXPECT_EQ(StrToIntDef("", -1), -1);
  EXPECT_EQ(StrToIntDef("$22B7", 8886), 8887);
  EXPECT_EQ(StrToIntDef("0", 1), 0);
}

// ---- Trim ----

TEST(ConversionsTrimTest, RemovesBlanksAndControlCharactersAtBothEnds) {
  EXPECT_EQ(Trim(std::string_view(" \t\r\n a b \x01\x1f ")), "a b");
  EXPECT_EQ(Trim(std::string_view("   ")), "");
  EXPECT_EQ(Trim(std::string_view("\xC4\xE3 ")), "\xC4\xE3");
}

TEST(ConversionsTrimTest, Utf16) {
  EXPECT_EQ(Trim(std::u16string_view(u" \t\u4F60\u597D \r\n")), u"\u4F60\u597D");
  EXPECT_EQ(Trim(std::u16string_view(u"\u3000x\u3000")), u"\u3000x\u3000");
}

}  // namespace
}  // namespace keydesk
