#include <gtest/gtest.h>

#include <random>
#include <string>

#include "wire/decode_utf8.h"
#include "wire/encode_utf8.h"

namespace keydesk {
namespace {

using namespace std::string_literals;

TEST(Utf8Decode, AsciiBytesAreUnitsOfTheSameValue) {
  EXPECT_EQ(DecodeUtf8(""), u"");
  EXPECT_EQ(DecodeUtf8("<R type=\"ReadCard\"/>"), u"<R type=\"ReadCard\"/>");
  EXPECT_EQ(DecodeUtf8("a\0b\x7F"s), u"a\0b\x7F"s);
}

TEST(Utf8Decode, TwoAndThreeByteSequences) {
  EXPECT_EQ(DecodeUtf8("\xC2\x80"), u"\u0080");
  EXPECT_EQ(DecodeUtf8("\xC3\xA9"), u"\u00E9");
  EXPECT_EQ(DecodeUtf8("\xDF\xBF"), u"\u07FF");
  EXPECT_EQ(DecodeUtf8("\xE0\xA0\x80"), u"\u0800");
  EXPECT_EQ(DecodeUtf8("\xE4\xB8\xAD"), u"\u4E2D");
  EXPECT_EQ(DecodeUtf8("\xEF\xBF\xBF"), u"\uFFFF");
  EXPECT_EQ(DecodeUtf8("<A>\xE7\x8E\x8B\xE5\x85\x88\xE7\x94\x9F</A>"), u"<A>王先生</A>");
}

TEST(Utf8Decode, ByteThatIsNotAContinuationEmptiesTheWholeText) {
  EXPECT_EQ(DecodeUtf8("\xC3\x28"), u"");
  EXPECT_EQ(DecodeUtf8("<R>ok</R>\xC3\x28"), u"");
  EXPECT_EQ(DecodeUtf8("\xE4\x41\xAD"), u"");
  EXPECT_EQ(DecodeUtf8("\xE4\xB8\x41"), u"");
  EXPECT_EQ(DecodeUtf8("\xE4\xB8\xC0"), u"");
  // A valid sequence before the fault gives no partial result either.
  EXPECT_EQ(DecodeUtf8("\xE4\xB8\xAD\xC3\xC3"), u"");
}

TEST(Utf8Decode, TextEndingInsideASequenceIsEmpty) {
  EXPECT_EQ(DecodeUtf8("\xC3"), u"");
  EXPECT_EQ(DecodeUtf8("abc\xC3"), u"");
  EXPECT_EQ(DecodeUtf8("\xE4"), u"");
  EXPECT_EQ(DecodeUtf8("\xE4\xB8"), u"");
  EXPECT_EQ(DecodeUtf8("abc\xE4\xB8"), u"");
}

TEST(Utf8Decode, CodePage936BytesGiveEmptyText) {
  EXPECT_EQ(DecodeUtf8("\xD6\xD0\xCE\xC4"), u"");                 // 中文
  EXPECT_EQ(DecodeUtf8("<A>\xCD\xF5\xCF\xC8\xC9\xFA</A>"), u"");  // 王先生
}

TEST(Utf8Decode, OnlyBitFiveOfTheLeadByteIsExamined) {
  // Overlong forms and stray continuation bytes as leads pass.
  EXPECT_EQ(DecodeUtf8("\xC0\xAF"), u"/");
  EXPECT_EQ(DecodeUtf8("\x80\x80"), u"\0"s);
  EXPECT_EQ(DecodeUtf8("\xA0\x80\x81"), u"\u0001");
  // A surrogate half encoded on its own is one unit.
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), u"\xD800"s);
  // No four-byte sequences: F0 9F 98 is three bytes cut to 16 bits, 80 80 two more.
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80\x80"), u"\u07D8\0"s);
  // ... so the proper four-byte form of U+1F600 ends inside a sequence.
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80"), u"");
}

TEST(Utf8Encode, UnitsBecomeOneTwoOrThreeBytes) {
  EXPECT_EQ(EncodeUtf8(u""), "");
  EXPECT_EQ(EncodeUtf8(u"a\0\x7F"s), "a\0\x7F"s);
  EXPECT_EQ(EncodeUtf8(u"\u0080"), "\xC2\x80");
  EXPECT_EQ(EncodeUtf8(u"\u00E9"), "\xC3\xA9");
  EXPECT_EQ(EncodeUtf8(u"\u07FF"), "\xDF\xBF");
  EXPECT_EQ(EncodeUtf8(u"\u0800"), "\xE0\xA0\x80");
  EXPECT_EQ(EncodeUtf8(u"\u4E2D"), "\xE4\xB8\xAD");
  EXPECT_EQ(EncodeUtf8(u"\uFFFF"), "\xEF\xBF\xBF");
}

TEST(Utf8Encode, SurrogateHalvesAreEncodedOneByOne) {
  // U+1F600 is six bytes, not the four of standard UTF-8.
  EXPECT_EQ(EncodeUtf8(u"\U0001F600"), "\xED\xA0\xBD\xED\xB8\x80");
  EXPECT_EQ(EncodeUtf8(u"\xDC00"s), "\xED\xB0\x80");
}

TEST(Utf8Encode, ResponseTextWithChineseMessage) {
  const std::string bytes = EncodeUtf8(u"<ResultMessage>发卡成功</ResultMessage>");
  EXPECT_EQ(bytes,
            "<ResultMessage>\xE5\x8F\x91\xE5\x8D\xA1\xE6\x88\x90\xE5\x8A\x9F</ResultMessage>");
  EXPECT_EQ(bytes.size(), 15u + 4u * 3u + 16u);
}

TEST(Utf8RoundTrip, EveryUnitComesBackUnchanged) {
  for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
    const std::u16string text(1, static_cast<char16_t>(unit));
    ASSERT_EQ(DecodeUtf8(EncodeUtf8(text)), text) << "unit " << static_cast<unsigned>(unit);
  }
  EXPECT_EQ(DecodeUtf8(EncodeUtf8(u"中")), u"中");
}

TEST(Utf8RoundTrip, RandomTextsComeBackUnchanged) {
  std::mt19937 random(20080818);
  std::uniform_int_distribution<int> length(0, 40);
  std::uniform_int_distribution<int> range(0, 3);
  for (int round = 0; round < 2000; ++round) {
    std::u16string text;
    const int size = length(random);
    for (int i = 0; i < size; ++i) {
      // Mix the ranges so that the one-, two- and three-byte forms all meet each other.
      static constexpr unsigned kLimits[] = {0x80, 0x800, 0xD800, 0x10000};
      text.push_back(static_cast<char16_t>(random() % kLimits[range(random)]));
    }
    ASSERT_EQ(DecodeUtf8(EncodeUtf8(text)), text);
  }
}

}  // namespace
}  // namespace keydesk
