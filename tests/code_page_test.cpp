#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace keydesk {
namespace {

TEST(CodePage936, ConvertsChineseBothWays) {
  EXPECT_EQ(AnsiFromUnicode(u"中文"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(UnicodeFromAnsi("\xD6\xD0\xCE\xC4"), u"中文");
  EXPECT_EQ(AnsiFromUnicode(u"Room 08 王先生"), "Room 08 \xCD\xF5\xCF\xC8\xC9\xFA");
  EXPECT_EQ(AnsiFromUtf8("收到消息: "), AnsiFromUnicode(u"收到消息: "));
  EXPECT_EQ(Utf8FromAnsi("\xD6\xD0\xCE\xC4"), "中文");
}

TEST(CodePage936, EmptyStaysEmpty) {
  EXPECT_EQ(AnsiFromUnicode(u""), "");
  EXPECT_EQ(UnicodeFromAnsi(""), u"");
  EXPECT_EQ(AnsiFromUtf8(""), "");
  EXPECT_EQ(Utf8FromAnsi(""), "");
}

TEST(CodePage936, EachCharacterOutsideTheCodePageBecomesOneQuestionMark) {
  // Hangul, an emoji (a surrogate pair: still one character) and a lone surrogate half.
  EXPECT_EQ(AnsiFromUnicode(u"a\uD55Cb"), "a?b");
  EXPECT_EQ(AnsiFromUnicode(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(AnsiFromUnicode(std::u16string{u'x', 0xD800, u'y'}), "x?y");
  EXPECT_EQ(AnsiFromUnicode(u"\uD55C\uD55C中"), "??\xD6\xD0");
  EXPECT_EQ(AnsiFromUtf8("a\xF0\x9F\x98\x80"
                         "b"),
            "a?b");
}

TEST(CodePage936, MalformedBytesBecomeQuestionMarks) {
  EXPECT_EQ(UnicodeFromAnsi("a\xD6"), u"a?");
  EXPECT_EQ(AnsiFromUtf8("a\xC3(b"), "a?(b");
}

TEST(CodePage936, ExactConversionsRefuseWhatTheyCannotCarry) {
  EXPECT_EQ(ExactAnsiFromUnicode(u"中文 a"), "\xD6\xD0\xCE\xC4 a");
  EXPECT_EQ(ExactUnicodeFromAnsi("\xD6\xD0\xCE\xC4 a"), u"中文 a");
  EXPECT_EQ(ExactAnsiFromUnicode(u"a\uD55Cb"), std::nullopt);
  EXPECT_EQ(ExactAnsiFromUnicode(std::u16string{u'x', 0xD800}), std::nullopt);
  EXPECT_EQ(ExactUnicodeFromAnsi("a\xD6"), std::nullopt);
}

TEST(CodePage936, KeepsNulAndControlCharacters) {
  const std::string withNul("a\0b\r\n", 5);
  EXPECT_EQ(AnsiFromUnicode(std::u16string(u"a\0b\r\n", 5)), withNul);
  EXPECT_EQ(UnicodeFromAnsi(withNul), std::u16string(u"a\0b\r\n", 5));
}

TEST(CodePage936, ReadableTextKeepsWhatTheCodePageHoldsAndMarksTheRest) {
  const std::string chinese = AnsiFromUtf8("中文 a\r\n");
  EXPECT_TRUE(IsReadableAnsi(chinese));
  EXPECT_EQ(ReadableAnsi(chinese), chinese);
  // A NUL, a byte no character begins with, a lead byte before a byte that cannot trail it,
  // and a lead byte at the end: one "?" each, the bytes after them kept.
  const std::string hostile(
      "a\0b\xFF"
      "c\x81\x7F"
      "\xD6\xD0\xD6",
      10);
  EXPECT_FALSE(IsReadableAnsi(hostile));
  EXPECT_EQ(ReadableAnsi(hostile), "a?b?c?\x7F\xD6\xD0?");
  EXPECT_TRUE(IsReadableAnsi(ReadableAnsi(hostile)));
  EXPECT_EQ(AnsiCharacterLength("\xD6\xD0"), 2u);
  EXPECT_EQ(AnsiCharacterLength("\xD6"), 0u);
  EXPECT_EQ(AnsiCharacterLength(""), 0u);
}

TEST(CodePage936, LongTextsConvertCompletely) {
  std::u16string text;
  for (int i = 0; i < 5000; ++i) text += u"中a";
  const std::string ansi = AnsiFromUnicode(text);
  EXPECT_EQ(ansi.size(), 15000u);
  EXPECT_EQ(UnicodeFromAnsi(ansi), text);
}

TEST(CodePage936, ThreadsConvertIndependently) {
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 500; ++i) {
        if (AnsiFromUnicode(u"中文" + std::u16string(1, char16_t(u'a' + t))) !=
            std::string("\xD6\xD0\xCE\xC4") + char('a' + t)) {
          ++failures[t];
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int count : failures) EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace keydesk
