#include "wire/xml_text.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace keydesk {
namespace {

TEST(XmlTextTest, EscapesTheThreeMarkupCharactersAndKeepsEverythingElse) {
  EXPECT_EQ(EscapeXmlText("a&b<c>d"), "a&amp;b&lt;c&gt;d");
  EXPECT_EQ(EscapeXmlText("&amp;"), "&amp;amp;");  // a reference in a value is text too
  EXPECT_EQ(EscapeXmlText("\"quoted\" 'text'\r\n\t"), "\"quoted\" 'text'\r\n\t");
  EXPECT_EQ(EscapeXmlText(""), "");
}

TEST(XmlTextTest, ReplacesControlCharactersThatXmlCannotCarry) {
  // A NUL would also end the response frame in the middle of the document.
  EXPECT_EQ(EscapeXmlText(std::string("A\0B\x01\x1F\x7F", 6)), "A?B??\x7F");
  EXPECT_EQ(EscapeXmlText("\t\r\n"), "\t\r\n");
}

TEST(XmlTextTest, LeavesDoubleByteCharactersWhole) {
  const std::string chinese = AnsiFromUtf8("注销手牌成功 王小明·路");
  EXPECT_EQ(EscapeXmlText(chinese), chinese);
  EXPECT_EQ(Utf8FromAnsi(EscapeXmlText(AnsiFromUtf8("张&三<"))), "张&amp;三&lt;");
}

}  // namespace
}  // namespace keydesk
