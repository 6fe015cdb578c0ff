#include "wire/xml_doc.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/errors.h"
#include "wire/decode_utf8.h"

namespace keydesk {
namespace {

using namespace std::string_literals;

// Parses text into doc and gives its root; fails the test if the text is refused.
TXmlNode* Root(TXmlDoc& doc, std::string_view text) {
  try {
    doc.ParseText(text);
  } catch (const XmlParseError& error) {
    ADD_FAILURE() << "refused: " << error.what() << "\n  text: " << text;
    return nullptr;
  }
  return doc.RootElement();
}

// The message ParseText raises for text, or "accepted".
std::string ParseError(std::string_view text) {
  TXmlDoc doc;
  try {
    doc.ParseText(text);
  } catch (const XmlParseError& error) {
    return error.what();
  }
  return "accepted";
}

std::vector<TXmlNodeKind> ChildKinds(const TXmlNode& node) {
  std::vector<TXmlNodeKind> kinds;
  for (int i = 0; i < node.ChildCount(); ++i) kinds.push_back(node.ChildAt(i)->Kind());
  return kinds;
}

using enum TXmlNodeKind;

// ---------------------------------------------------------------------------------------------

TEST(XmlDocModel, NewDocumentHoldsOnlyAnXmlDeclaration) {
  TXmlDoc doc;
  ASSERT_EQ(doc.TopLevelNodes().size(), 1u);
  const TXmlNode& declaration = *doc.TopLevelNodes()[0];
  EXPECT_EQ(declaration.Kind(), XmlDeclaration);
  EXPECT_EQ(declaration.Name(), "xml");
  EXPECT_EQ(declaration.AttributeValue("version"), "1.0");
  EXPECT_EQ(declaration.AttributeValue("encoding"), "windows-1252");
  EXPECT_EQ(declaration.Document(), &doc);
  EXPECT_EQ(doc.RootElement(), nullptr);
}

TEST(XmlDocModel, ParseTextReplacesTheContent) {
  TXmlDoc doc;
  doc.ParseText("<A><X/></A>");
  doc.ParseText("<B/>");
  ASSERT_EQ(doc.TopLevelNodes().size(), 1u);
  ASSERT_NE(doc.RootElement(), nullptr);
  EXPECT_EQ(doc.RootElement()->Name(), "B");
  EXPECT_EQ(doc.RootElement()->ChildCount(), 0);
}

TEST(XmlDocModel, RefusedTextLeavesTheDocumentEmpty) {
  TXmlDoc doc;
  doc.ParseText("<A/>");
  EXPECT_THROW(doc.ParseText("<B><C>"), XmlParseError);
  EXPECT_TRUE(doc.TopLevelNodes().empty());
  EXPECT_EQ(doc.RootElement(), nullptr);
  // Still usable afterwards.
  doc.ParseText("<C/>");
  EXPECT_EQ(doc.RootElement()->Name(), "C");
}

TEST(XmlDocModel, NodesKnowTheirParentAndDocument) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R><A><B/></A></R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Parent(), nullptr);
  EXPECT_EQ(root->Document(), &doc);
  TXmlNode* a = root->ChildAt(0);
  TXmlNode* b = a->ChildAt(0);
  EXPECT_EQ(a->Parent(), root);
  EXPECT_EQ(b->Parent(), a);
  EXPECT_EQ(b->Document(), &doc);
  EXPECT_EQ(b->Name(), "B");
}

TEST(XmlDocModel, RootIsTheFirstTopLevelElement) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<?xml version=\"1.0\"?><!-- c --><A/><B/><?xml version=\"2\"?>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Name(), "A");
  ASSERT_EQ(doc.TopLevelNodes().size(), 5u);
  EXPECT_EQ(doc.TopLevelNodes()[0]->Kind(), XmlDeclaration);
  EXPECT_EQ(doc.TopLevelNodes()[1]->Kind(), Comment);
  EXPECT_EQ(doc.TopLevelNodes()[3]->Name(), "B");
  EXPECT_EQ(doc.TopLevelNodes()[4]->AttributeValue("version"), "2");
}

TEST(XmlDocModel, StrayTopLevelCharactersArePassedOver) {
  TXmlDoc doc;
  EXPECT_EQ(Root(doc, "?<R/>")->Name(), "R");  // a byte-order mark after conversion
  EXPECT_EQ(Root(doc, "junk \r\n<R/>trailing text")->Name(), "R");
  EXPECT_EQ(doc.TopLevelNodes().size(), 1u);
}

// ---------------------------------------------------------------------------------------------

TEST(XmlDocNodeKinds, EachDelimiterIsTriedInOrder) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc,
                        "<R><![CDATA[c]]><!DOCTYPE d><!ELEMENT e><!ATTLIST f><!ENTITY g>"
                        "<!NOTATION h><?xml-stylesheet href=\"s.xsl\"?><?xml version=\"1.0\"?>"
                        "<!--k--><!l><?m?><n/></R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(
      ChildKinds(*root),
      (std::vector<TXmlNodeKind>{CData, DocumentType, ElementDeclaration, AttributeListDeclaration,
                                 EntityDeclaration, NotationDeclaration, StyleSheet, XmlDeclaration,
                                 Comment, OtherDeclaration, ProcessingInstruction, Element}));
  EXPECT_EQ(root->ChildAt(0)->RawValue(), "c");
  EXPECT_EQ(root->ChildAt(6)->Name(), "xml-stylesheet");
  EXPECT_EQ(root->ChildAt(6)->AttributeValue("href"), "s.xsl");
  EXPECT_EQ(root->ChildAt(7)->Name(), "xml");
  EXPECT_EQ(root->ChildAt(7)->AttributeValue("version"), "1.0");
  EXPECT_EQ(root->ChildAt(8)->RawValue(), "k");
  EXPECT_EQ(root->ChildAt(9)->RawValue(), "l");
  EXPECT_EQ(root->ChildAt(10)->RawValue(), "m");
  EXPECT_EQ(root->ChildAt(11)->Name(), "n");
}

TEST(XmlDocNodeKinds, CommentsCDataAndInstructionsKeepTheirTextVerbatim) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc,
                        "<R><!-- a > b -- c --><![CDATA[<x> &amp; ]] ]>]]>"
                        "<?pi some > data?></R>");
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->ChildCount(), 3);
  EXPECT_EQ(root->ChildAt(0)->RawValue(), " a > b -- c ");
  EXPECT_EQ(root->ChildAt(1)->RawValue(), "<x> &amp; ]] ]>");
  EXPECT_EQ(root->ChildAt(2)->RawValue(), "pi some > data");
}

TEST(XmlDocNodeKinds, XmlDeclarationIsSplitIntoAttributesAndChangesNothing) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<?xml version = \"1.0\" encoding='UTF-8' ?><R>\xD6\xD0</R>");
  ASSERT_NE(root, nullptr);
  const TXmlNode& declaration = *doc.TopLevelNodes()[0];
  EXPECT_EQ(declaration.Name(), "xml");
  EXPECT_EQ(declaration.AttributeValue("ENCODING"), "UTF-8");
  EXPECT_EQ(declaration.AttributeValue("version"), "1.0");
  EXPECT_EQ(declaration.Attributes().size(), 2u);
  EXPECT_EQ(root->RawValue(), "\xD6\xD0");
}

TEST(XmlDocNodeKinds, DocumentTypeSubsetGivesChildDeclarations) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc,
                        "<!DOCTYPE R SYSTEM \"a[1].dtd\" [\n"
                        "  <!ELEMENT R (#PCDATA)>\n"
                        "  <!ENTITY e \"a > b ] c\">\n"
                        "  %pe;\n"
                        "  <!-- ] > -->\n"
                        "  <!ATTLIST R type CDATA #IMPLIED>\n"
                        "]>\n"
                        "<R>1</R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->RawValue(), "1");
  const TXmlNode& doctype = *doc.TopLevelNodes()[0];
  EXPECT_EQ(doctype.Kind(), DocumentType);
  EXPECT_EQ(doctype.RawValue(), " R SYSTEM \"a[1].dtd\" ");
  EXPECT_EQ(ChildKinds(doctype), (std::vector<TXmlNodeKind>{ElementDeclaration, EntityDeclaration,
                                                            Comment, AttributeListDeclaration}));
  EXPECT_EQ(doctype.ChildAt(1)->RawValue(), " e \"a > b ] c\"");
  EXPECT_EQ(doc.TopLevelNodes().size(), 2u);
}

TEST(XmlDocNodeKinds, DocumentTypeWithoutSubset) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<!DOCTYPE R SYSTEM 'r>.dtd'><R/>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(doc.TopLevelNodes()[0]->RawValue(), " R SYSTEM 'r>.dtd'");
  EXPECT_EQ(doc.TopLevelNodes()[0]->ChildCount(), 0);
}

TEST(XmlDocNodeKinds, StartTagInASubsetIsPassedOver) {
  TXmlDoc doc;
  ASSERT_NE(Root(doc, "<!DOCTYPE a [<b x='>]'><!ELEMENT c>]><R/>"), nullptr);
  const TXmlNode& doctype = *doc.TopLevelNodes()[0];
  ASSERT_EQ(doctype.ChildCount(), 1);
  EXPECT_EQ(doctype.ChildAt(0)->Kind(), ElementDeclaration);
  EXPECT_EQ(doc.TopLevelNodes().size(), 2u);
}

TEST(XmlDocNodeKinds, DocumentTypeInASubsetIsAPlainDeclaration) {
  TXmlDoc doc;
  ASSERT_NE(Root(doc, "<!DOCTYPE a [<!DOCTYPE b [<!ELEMENT c>]>]><R/>"), nullptr);
  const TXmlNode& doctype = *doc.TopLevelNodes()[0];
  ASSERT_EQ(doctype.ChildCount(), 1);
  EXPECT_EQ(doctype.ChildAt(0)->Kind(), DocumentType);
  EXPECT_EQ(doctype.ChildAt(0)->RawValue(), " b [<!ELEMENT c");
  EXPECT_EQ(doctype.ChildAt(0)->ChildCount(), 0);

  // So many of them nest nothing either.
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "<!DOCTYPE a [<!-- x -->";
  EXPECT_EQ(ParseError(text + "]><R/>"), "accepted");
}

TEST(XmlDocNodeKinds, UnclosedMarkupTakesTheRestOfTheText) {
  TXmlDoc doc;
  ASSERT_NE(Root(doc, "<R/><!-- open"), nullptr);
  ASSERT_EQ(doc.TopLevelNodes().size(), 2u);
  EXPECT_EQ(doc.TopLevelNodes()[1]->RawValue(), " open");
  EXPECT_EQ(ParseError("<R><!-- open</R>"), "Missing close tag in element R");
  EXPECT_EQ(ParseError("<R><![CDATA[x</R>"), "Missing close tag in element R");
  EXPECT_EQ(ParseError("<R><?pi</R>"), "Missing close tag in element R");
}

// ---------------------------------------------------------------------------------------------

TEST(XmlDocValues, TextOnlyElementKeepsItsTextUntrimmed) {
  TXmlDoc doc;
  TXmlNode* a = Root(doc, "<A> 0101 </A>");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->ValueText(), " 0101 ");
  EXPECT_EQ(a->ChildCount(), 0);

  a = Root(doc, "<A>\r\n\t0101 \r\n</A>");
  EXPECT_EQ(a->ValueText(), "\r\n\t0101 \r\n");
  EXPECT_EQ(a->ChildCount(), 0);
}

TEST(XmlDocValues, BlankOnlyOrEmptyElementHasEmptyValue) {
  TXmlDoc doc;
  for (const char* text : {"<A>   </A>", "<A> \t\r\n </A>", "<A></A>", "<A/>", "<A />"}) {
    TXmlNode* a = Root(doc, text);
    ASSERT_NE(a, nullptr) << text;
    EXPECT_EQ(a->RawValue(), "") << text;
    EXPECT_EQ(a->ChildCount(), 0) << text;
    EXPECT_EQ(a->Name(), "A") << text;
  }
}

TEST(XmlDocValues, CDataIsAChildNotTheValue) {
  TXmlDoc doc;
  TXmlNode* a = Root(doc, "<A><![CDATA[0101]]></A>");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->ValueText(), "");
  ASSERT_EQ(a->ChildCount(), 1);
  EXPECT_EQ(a->ChildAt(0)->Kind(), CData);
  EXPECT_EQ(a->ChildAt(0)->ValueText(), "0101");
}

TEST(XmlDocValues, TextBeforeTheFirstChildIsTheValueAndLaterTextIsAChild) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R>head<A>1</A>tail</R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ValueText(), "head");
  ASSERT_EQ(root->ChildCount(), 2);
  EXPECT_EQ(root->ChildAt(0)->Name(), "A");
  EXPECT_EQ(root->ChildAt(0)->ValueText(), "1");
  EXPECT_EQ(root->ChildAt(1)->Kind(), CharacterData);
  EXPECT_EQ(root->ChildAt(1)->ValueText(), "tail");
}

TEST(XmlDocValues, ReturnAfterTheLastChildTrimsAllCharacterData) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R>head \r\n<A>1</A>mid \n \r\n<B>2</B>\r\n</R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ValueText(), "head");
  ASSERT_EQ(root->ChildCount(), 3);
  EXPECT_EQ(root->ChildAt(1)->ValueText(), "mid");

  // Non-blank text after the last child counts too, and is trimmed itself.
  root = Root(doc, "<R><A/> mid \r\n<B/>tail \r\n</R>");
  ASSERT_EQ(root->ChildCount(), 4);
  EXPECT_EQ(root->ChildAt(1)->ValueText(), " mid");
  EXPECT_EQ(root->ChildAt(3)->ValueText(), "tail");
}

TEST(XmlDocValues, OnlyCarriageReturnsLineFeedsAndSpacesAreTrimmed) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R>head\t \r\n<A/>\r\n</R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ValueText(), "head\t");
}

TEST(XmlDocValues, NoTrimmingWithoutAReturnAfterTheLastChild) {
  TXmlDoc doc;
  // Line feeds alone do not trigger it.
  TXmlNode* root = Root(doc, "<R>head \n<A/>mid \n<B/>\n</R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ValueText(), "head \n");
  EXPECT_EQ(root->ChildAt(1)->ValueText(), "mid \n");
  // A return before the last child does not either.
  root = Root(doc, "<R>head \r\n<A/>\t</R>");
  EXPECT_EQ(root->ValueText(), "head \r\n");
  // Nor does one in an element without child nodes read from a "<".
  root = Root(doc, "<R>head \r\n</R>");
  EXPECT_EQ(root->ValueText(), "head \r\n");
}

TEST(XmlDocValues, TrimmingIsDecidedPerElement) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R><A>x \r\n<B/>y \r\n<C/>\n</A>\r\n</R>");
  ASSERT_NE(root, nullptr);
  TXmlNode* a = root->ChildAt(0);
  EXPECT_EQ(a->ValueText(), "x \r\n");
  EXPECT_EQ(a->ChildAt(1)->ValueText(), "y \r\n");
}

TEST(XmlDocValues, NestedElementsEachKeepTheirOwnValue) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R>r<A>a<B>b</B></A><C>c</C></R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ValueText(), "r");
  EXPECT_EQ(root->ChildAt(0)->ValueText(), "a");
  EXPECT_EQ(root->ChildAt(0)->ChildAt(0)->ValueText(), "b");
  EXPECT_EQ(root->ChildAt(1)->ValueText(), "c");
  EXPECT_EQ(root->ChildCount(), 2);
}

TEST(XmlDocValues, CodePage936TextPassesUnchanged) {
  TXmlDoc doc;
  // 0x5D, 0x5B and letters can be trail bytes; they must not end or change anything.
  const std::string name = "\xCD\xF5\x81\x5D\x81\x5B\x81\x61";
  TXmlNode* root = Root(doc, "<R><A>" + name + "</A><![CDATA[" + name + "\x81\x5D]>]]></R>");
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->ChildCount(), 2);
  EXPECT_EQ(root->ChildAt(0)->ValueText(), name);
  EXPECT_EQ(root->ChildAt(1)->RawValue(), name + "\x81\x5D]>");
}

TEST(XmlDocValues, IntegerValuesUseTheRawText) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R><A>12</A><B>-7</B><C>&#49;</C><D>1x</D><E/><F>$1F</F></R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ChildAt(0)->ValueInteger(), 12);
  EXPECT_EQ(root->ChildAt(1)->ValueInteger(), -7);
  EXPECT_EQ(root->ChildAt(5)->ValueInteger(), 31);
  EXPECT_EQ(root->ChildAt(2)->ValueText(), "1");
  EXPECT_THROW(root->ChildAt(2)->ValueInteger(), ConvertError);
  try {
    root->ChildAt(3)->ValueInteger();
    ADD_FAILURE() << "no error";
  } catch (const ConvertError& error) {
    EXPECT_STREQ(error.what(), "'1x' is not a valid integer value");
  }
  EXPECT_THROW(root->ChildAt(4)->ValueInteger(), ConvertError);
  EXPECT_EQ(root->ChildAt(0)->ValueIntegerOr(5), 12);
  EXPECT_EQ(root->ChildAt(2)->ValueIntegerOr(5), 5);
  EXPECT_EQ(root->ChildAt(4)->ValueIntegerOr(-1), -1);
}

// ---------------------------------------------------------------------------------------------

TEST(XmlDocPositions, CommentsTakeAPosition) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R><A>1</A><!-- note --><B>2</B></R>");
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->ChildCount(), 3);
  EXPECT_EQ(root->ChildAt(0)->Name(), "A");
  EXPECT_EQ(root->ChildAt(1)->Kind(), Comment);
  EXPECT_EQ(root->ChildAt(1)->ValueText(), " note ");
  EXPECT_EQ(root->ChildAt(2)->Name(), "B");
  EXPECT_EQ(root->ChildAt(3), nullptr);
}

TEST(XmlDocPositions, OutOfRangeGivesNone) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R><A/></R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ChildAt(-1), nullptr);
  EXPECT_EQ(root->ChildAt(1), nullptr);
  EXPECT_EQ(root->ChildAt(INT32_MIN), nullptr);
  EXPECT_EQ(root->ChildAt(INT32_MAX), nullptr);
  EXPECT_EQ(root->ChildAt(0)->ChildAt(0), nullptr);
}

TEST(XmlDocPositions, BlanksBetweenChildrenDoNotCount) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R>\r\n  <A>1</A>\r\n\t<B>2</B> \n</R>");
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->ChildCount(), 2);
  EXPECT_EQ(root->ChildAt(1)->Name(), "B");
  EXPECT_EQ(root->ValueText(), "");
}

TEST(XmlDocPositions, TextBetweenChildrenAndInstructionsTakeAPosition) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R><A/>x<B/><?pi?><![CDATA[c]]><C/></R>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(ChildKinds(*root), (std::vector<TXmlNodeKind>{Element, CharacterData, Element,
                                                          ProcessingInstruction, CData, Element}));
  EXPECT_EQ(root->ChildAt(5)->Name(), "C");
}

TEST(XmlDocPositions, EmptyNodesAreDroppedAndTakeNoPosition) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R><A/><!----><![CDATA[]]><?\?><!><B/></R>");
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->ChildCount(), 2);
  EXPECT_EQ(root->ChildAt(1)->Name(), "B");
  // At top level too.
  Root(doc, "<!----><R/>");
  EXPECT_EQ(doc.TopLevelNodes().size(), 1u);
  // A comment of one blank is not empty.
  root = Root(doc, "<R><!-- --><B/></R>");
  EXPECT_EQ(root->ChildAt(1)->Name(), "B");
}

TEST(XmlDocPositions, TextAroundADroppedNodeGivesTwoChildren) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, "<R><A/>x<!---->y</R>");
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->ChildCount(), 3);
  EXPECT_EQ(root->ChildAt(1)->ValueText(), "x");
  EXPECT_EQ(root->ChildAt(2)->ValueText(), "y");
}

const char kWorkedRequest[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DoorRequest type=\"IssueCard\"><Ignored>1</Ignored>"
    "<RegisterId>R0001</RegisterId><RoomBuildingCode>01</RoomBuildingCode>"
    "<RoomFloorCode>02</RoomFloorCode><RoomNo>08</RoomNo>"
    "<GuestName>\xCD\xF5\xCF\xC8\xC9\xFA</GuestName><CheckInDate>2008-08-18</CheckInDate>"
    "<CheckInTime>14:00:00</CheckInTime><CheckOutDate>2008-08-20</CheckOutDate>"
    "<CheckOutTime>12:00:00</CheckOutTime><IsCopy>False</IsCopy></DoorRequest>";

const std::vector<std::string> kWorkedFields = {
    "1",          "R0001",    "01",         "02",       "08",   "\xCD\xF5\xCF\xC8\xC9\xFA",
    "2008-08-18", "14:00:00", "2008-08-20", "12:00:00", "False"};

TEST(XmlDocPositions, IssueCardRequestGivesElevenFields) {
  TXmlDoc doc;
  TXmlNode* root = Root(doc, kWorkedRequest);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Name(), "DoorRequest");
  EXPECT_EQ(root->AttributeValue("type"), "IssueCard");
  ASSERT_EQ(root->ChildCount(), 11);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(root->ChildAt(i)->Kind(), Element) << i;
    EXPECT_EQ(root->ChildAt(i)->ValueText(), kWorkedFields[i]) << i;
    EXPECT_EQ(root->ChildAt(i)->ChildCount(), 0) << i;
  }
  EXPECT_EQ(root->ChildAt(11), nullptr);
}

TEST(XmlDocPositions, IssueCardRequestFromTheWire) {
  // The same request as it arrives: UTF-8, decoded, then converted to code page 936.
  std::string utf8 = kWorkedRequest;
  utf8.replace(utf8.find("\xCD\xF5\xCF\xC8\xC9\xFA"), 6, "王先生");
  TXmlDoc doc;
  TXmlNode* root = Root(doc, AnsiFromUnicode(DecodeUtf8(utf8)));
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->ChildCount(), 11);
  EXPECT_EQ(root->ChildAt(5)->ValueText(), kWorkedFields[5]);
}

TEST(XmlDocPositions, LineBrokenRequestGivesTheSameFields) {
  std::string text = kWorkedRequest;
  for (size_t at = 0; (at = text.find("><", at)) != std::string::npos; at += 6) {
    text.replace(at, 2, ">\r\n  <");
  }
  text.replace(text.rfind("</IsCopy>") + 9, 0, "<KeepConnection>1</KeepConnection>\r\n");
  TXmlDoc doc;
  TXmlNode* root = Root(doc, text);
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->ChildCount(), 12);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(root->ChildAt(i)->ValueText(), kWorkedFields[i]) << i;
  EXPECT_EQ(root->ChildAt(11)->ValueText(), "1");
  EXPECT_EQ(root->ValueText(), "");
}

TEST(XmlDocPositions, CommentAfterTheFirstFieldMovesTheRest) {
  std::string text = kWorkedRequest;
  text.replace(text.find("</Ignored>") + 10, 0, "<!-- register -->");
  TXmlDoc doc;
  TXmlNode* root = Root(doc, text);
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->ChildCount(), 12);
  EXPECT_EQ(root->ChildAt(1)->ValueText(), " register ");
  EXPECT_EQ(root->ChildAt(2)->ValueText(), "R0001");
  EXPECT_EQ(root->ChildAt(11)->ValueText(), "False");
}

// ---------------------------------------------------------------------------------------------

TEST(XmlDocReferences, NamedAndNumericReferencesInValues) {
  TXmlDoc doc;
  TXmlNode* a = Root(doc, "<A>x &amp; y &#65; &#x41; &#20013; &nbsp;</A>");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->ValueText(), "x & y A A &#20013; &nbsp;");
  EXPECT_EQ(a->RawValue(), "x &amp; y &#65; &#x41; &#20013; &nbsp;");
}

TEST(XmlDocReferences, FiveNamedReferencesMatchExactly) {
  EXPECT_EQ(ResolveReferences("&amp;&lt;&gt;&apos;&quot;"), "&<>'\"");
  EXPECT_EQ(ResolveReferences("&AMP;&Lt;&amp ;& amp;"), "&AMP;&Lt;&amp ;& amp;");
  // Resolved once only.
  EXPECT_EQ(ResolveReferences("&amp;lt;"), "&lt;");
}

TEST(XmlDocReferences, NumericReferencesFrom0To254BecomeOneByte) {
  EXPECT_EQ(ResolveReferences("&#0;"), "\0"s);
  EXPECT_EQ(ResolveReferences("&#254;&#xFE;&#xfe;"), "\xFE\xFE\xFE");
  EXPECT_EQ(ResolveReferences("&#0000065;&#x0041;"), "AA");
  EXPECT_EQ(ResolveReferences("&#255;&#xFF;&#256;"), "&#255;&#xFF;&#256;");
  EXPECT_EQ(ResolveReferences("&#99999999999999999999;"), "&#99999999999999999999;");
  EXPECT_EQ(ResolveReferences("&#xFFFFFFFFFFFFFFFFFFFF;"), "&#xFFFFFFFFFFFFFFFFFFFF;");
}

TEST(XmlDocReferences, MalformedNumbersStayAsWritten) {
  for (const char* text : {"&#;", "&#x;", "&#X41;", "&#65a;", "&#xG;", "&# 65;", "&#-1;", "&#+1;",
                           "&#6 5;", "&#1.0;", "&#;x"}) {
    EXPECT_EQ(ResolveReferences(text), text);
  }
}

TEST(XmlDocReferences, AmpersandWithoutSemicolonEndsTheScan) {
  EXPECT_EQ(ResolveReferences("a &amp b"), "a &amp b");
  EXPECT_EQ(ResolveReferences("x &amp; y & z &lt"), "x & y & z &lt");
  EXPECT_EQ(ResolveReferences("&"), "&");
  EXPECT_EQ(ResolveReferences("; &lt;"), "; <");
  EXPECT_EQ(ResolveReferences(""), "");
}

TEST(XmlDocReferences, ReferenceRunsToTheNextSemicolonEvenPastAnotherAmpersand) {
  // "& b &amp;" is one unknown reference, so the &amp; in it is not resolved.
  EXPECT_EQ(ResolveReferences("a & b &amp; c &lt;"), "a & b &amp; c <");
}

TEST(XmlDocReferences, ChineseTextAroundReferencesIsKept) {
  EXPECT_EQ(ResolveReferences("\xCD\xF5&amp;\xCF\xC8&#20013;"), "\xCD\xF5&\xCF\xC8&#20013;");
}

// ---------------------------------------------------------------------------------------------

TEST(XmlDocAttributes, NameMatchesWithoutCaseAndBlanksAroundEqualsAreAllowed) {
  TXmlDoc doc;
  TXmlNode* r = Root(doc, "<R TYPE = 'IssueCard '/>");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->AttributeValue("type"), "IssueCard ");
  EXPECT_EQ(r->AttributeValue("Type"), "IssueCard ");
  ASSERT_EQ(r->Attributes().size(), 1u);
  EXPECT_EQ(r->Attributes()[0].first, "TYPE");
  EXPECT_EQ(r->Attributes()[0].second, "'IssueCard '");
  EXPECT_EQ(r->ChildCount(), 0);
}

TEST(XmlDocAttributes, EveryPlacementOfBlanksAroundEqualsGivesOneAttribute) {
  TXmlDoc doc;
  for (const char* text : {"<R a=\"1\" b='2'/>", "<R a =\"1\" b= '2'/>",
                           "<R\ta\r\n=\n\"1\" b = '2' />", "<R a=1 b=2/>"}) {
    TXmlNode* r = Root(doc, text);
    ASSERT_NE(r, nullptr) << text;
    ASSERT_EQ(r->Attributes().size(), 2u) << text;
    EXPECT_EQ(r->AttributeValue("a"), "1") << text;
    EXPECT_EQ(r->AttributeValue("b"), "2") << text;
  }
}

TEST(XmlDocAttributes, FirstMatchWinsAndMissingGivesEmpty) {
  TXmlDoc doc;
  TXmlNode* r = Root(doc, "<R a=\"1\" A=\"2\" c=\"\"/>");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->AttributeValue("A"), "1");
  EXPECT_EQ(r->AttributeValue("c"), "");
  EXPECT_EQ(r->AttributeValue("missing"), "");
  EXPECT_EQ(r->AttributeValue(""), "");
}

TEST(XmlDocAttributes, QuotesAreRemovedAndDoubledQuotesMadeSingle) {
  TXmlDoc doc;
  TXmlNode* r = Root(doc, "<R a=\"x\"\"y\" b='it''s' c=\"it's\" d='say \"hi\"' e=\"\" f=''/>");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->AttributeValue("a"), "x\"y");
  EXPECT_EQ(r->AttributeValue("b"), "it's");
  EXPECT_EQ(r->AttributeValue("c"), "it's");
  EXPECT_EQ(r->AttributeValue("d"), "say \"hi\"");
  EXPECT_EQ(r->AttributeValue("e"), "");
  EXPECT_EQ(r->AttributeValue("f"), "");
}

TEST(XmlDocAttributes, QuotedRunsHoldBlanksAndGreaterThan) {
  TXmlDoc doc;
  TXmlNode* r = Root(doc, "<R a = \" x > y \" b='/'>v</R>");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->AttributeValue("a"), " x > y ");
  EXPECT_EQ(r->AttributeValue("b"), "/");
  EXPECT_EQ(r->ValueText(), "v");
}

TEST(XmlDocAttributes, ReferencesAreResolvedAfterUnquoting) {
  TXmlDoc doc;
  TXmlNode* r = Root(doc, "<R a=\"&lt;&#65;&quot;&amp;amp;\" b='&apos;&apos;'/>");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->AttributeValue("a"), "<A\"&amp;");
  EXPECT_EQ(r->AttributeValue("b"), "''");
  EXPECT_EQ(r->Attributes()[0].second, "\"&lt;&#65;&quot;&amp;amp;\"");
}

TEST(XmlDocAttributes, PartsWithoutEqualsAreAttributesWithoutValue) {
  TXmlDoc doc;
  TXmlNode* r = Root(doc, "<R checked 'x' y=/>");
  ASSERT_NE(r, nullptr);
  using Attributes = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(r->Attributes(), (Attributes{{"checked", ""}, {"'x'", ""}, {"y", ""}}));
}

TEST(XmlDocAttributes, SlashMakesTheElementEmptyOnlyJustBeforeGreaterThan) {
  TXmlDoc doc;
  TXmlNode* r = Root(doc, "<R><A a=\"1\"/><B/ ></B/><C a=x/></R>");
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->ChildCount(), 3);
  EXPECT_EQ(r->ChildAt(0)->AttributeValue("a"), "1");
  EXPECT_EQ(r->ChildAt(1)->Name(), "B/");
  EXPECT_EQ(r->ChildAt(2)->AttributeValue("a"), "x");
}

TEST(XmlDocAttributes, DoubleByteNamesCompareExactly) {
  TXmlDoc doc;
  // 0x81 0x41 and 0x81 0x61 are two different characters, not one in two letter cases.
  TXmlNode* r = Root(doc, "<R \x81\x41=\"1\" ab=\"2\"/>");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->AttributeValue("\x81\x41"), "1");
  EXPECT_EQ(r->AttributeValue("\x81\x61"), "");
  EXPECT_EQ(r->AttributeValue("AB"), "2");
}

// ---------------------------------------------------------------------------------------------

TEST(XmlDocErrors, NoRootElement) {
  const std::string expected = "No root element found in xml";
  for (const char* text : {"", "   \r\n", "hello", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                           "<!-- only -->", "<![CDATA[x]]>", "<!DOCTYPE R>"}) {
    EXPECT_EQ(ParseError(text), expected) << text;
  }
}

TEST(XmlDocErrors, MalformedUtf8RequestHasNoRootElement) {
  EXPECT_EQ(ParseError(AnsiFromUnicode(DecodeUtf8("\xC3\x28"))), "No root element found in xml");
}

TEST(XmlDocErrors, MissingElementName) {
  for (const char* text : {"<>", "< >", "</>", "<R><></R>", "<R><A>< \t></A></R>", "<R/><>"}) {
    EXPECT_EQ(ParseError(text), "Missing element name") << text;
  }
}

TEST(XmlDocErrors, MissingCloseTag) {
  EXPECT_EQ(ParseError("<R>"), "Missing close tag in element R");
  EXPECT_EQ(ParseError("<R>text"), "Missing close tag in element R");
  EXPECT_EQ(ParseError("<R><A>1</A>"), "Missing close tag in element R");
  EXPECT_EQ(ParseError("<R><A>1"), "Missing close tag in element A");
  EXPECT_EQ(ParseError("<R"), "Missing close tag in element R");
  EXPECT_EQ(ParseError("<R a='>'"), "Missing close tag in element R");
  EXPECT_EQ(ParseError("<R><A b=\"x></A></R>"), "Missing close tag in element A");
}

TEST(XmlDocErrors, MissingDataAfterLessThan) {
  EXPECT_EQ(ParseError("<R><"), "Missing data after \"<\" in element R");
  EXPECT_EQ(ParseError("<R>text< \t\r\n"), "Missing data after \"<\" in element R");
  EXPECT_EQ(ParseError("<R><A><"), "Missing data after \"<\" in element A");
}

TEST(XmlDocErrors, MissingGreaterThanInCloseTag) {
  EXPECT_EQ(ParseError("<R></R"), "Missing \">\" in close tag of element R");
  EXPECT_EQ(ParseError("<R>x</"), "Missing \">\" in close tag of element R");
  EXPECT_EQ(ParseError("<R><A></A </R"), "Missing \">\" in close tag of element A");
  // A close tag reads up to the next ">", wherever that is.
  EXPECT_EQ(ParseError("<R><A></A <B/></R>"), "Incorrect close tag in element A");
  EXPECT_EQ(ParseError("<R><A>< /A"), "Missing \">\" in close tag of element A");
}

TEST(XmlDocErrors, CloseTagComparesTrimmedAndWithoutCase) {
  EXPECT_EQ(ParseError("<A>1</a>"), "accepted");
  EXPECT_EQ(ParseError("<A>1</ A \r\n>"), "accepted");
  EXPECT_EQ(ParseError("<A>1< /A>"), "accepted");
  EXPECT_EQ(ParseError("<A>1</B>"), "Incorrect close tag in element A");
  EXPECT_EQ(ParseError("<R><A>1</B></R>"), "Incorrect close tag in element A");
  EXPECT_EQ(ParseError("<R>1</R x>"), "Incorrect close tag in element R");
  EXPECT_EQ(ParseError("<R></>"), "Incorrect close tag in element R");
  // Letters as trail bytes of double-byte characters keep their case.
  EXPECT_EQ(ParseError("<\x81\x41>1</\x81\x61>"), "Incorrect close tag in element \x81\x41");
  EXPECT_EQ(ParseError("<\xCD\xF5x>1</\xCD\xF5X>"), "accepted");
}

TEST(XmlDocErrors, NothingElseIsCheckedAtTopLevel) {
  EXPECT_EQ(ParseError("<A/><B/>"), "accepted");
  EXPECT_EQ(ParseError("<A/><?xml version=\"1.0\"?><?xml?>"), "accepted");
  EXPECT_EQ(ParseError("text<A/>more text"), "accepted");
  // A close tag at top level is read as a start tag named "/R" that is never closed.
  EXPECT_EQ(ParseError("<R/></R>"), "Missing close tag in element /R");
}

// ---------------------------------------------------------------------------------------------

// Calls every reading operation on every node of the document, without recursion.
size_t VisitAll(const TXmlDoc& doc) {
  std::vector<const TXmlNode*> pending;
  for (const auto& node : doc.TopLevelNodes()) pending.push_back(node.get());
  size_t count = 0;
  while (!pending.empty()) {
    const TXmlNode* node = pending.back();
    pending.pop_back();
    ++count;
    EXPECT_EQ(node->Document(), &doc);
    EXPECT_FALSE(node->Name().empty() && node->RawValue().empty() && node->Attributes().empty() &&
                 node->ChildCount() == 0)
        << "empty node kept";
    if (node->Kind() == Element) {
      EXPECT_FALSE(node->Name().empty());
    }
    (void)node->ValueText();
    (void)node->ValueIntegerOr(0);
    try {
      (void)node->ValueInteger();
    } catch (const ConvertError&) {
    }
    for (const auto& [name, value] : node->Attributes()) (void)node->AttributeValue(name);
    (void)node->AttributeValue("type");
    EXPECT_EQ(node->ChildAt(-1), nullptr);
    EXPECT_EQ(node->ChildAt(node->ChildCount()), nullptr);
    for (int i = 0; i < node->ChildCount(); ++i) {
      const TXmlNode* child = node->ChildAt(i);
      EXPECT_EQ(child->Parent(), node);
      if (child->Kind() == CharacterData) {
        EXPECT_FALSE(child->RawValue().find_first_not_of(" \t\r\n") == std::string::npos)
            << "blank character data kept";
      }
      pending.push_back(child);
    }
  }
  return count;
}

TEST(XmlDocRobustness, DeepNestingNeitherOverflowsNorRefuses) {
  constexpr int kDepth = 100000;
  std::string text;
  for (int i = 0; i < kDepth; ++i) text += "<a>";
  EXPECT_EQ(ParseError(text), "Missing close tag in element a");
  text += "x";
  for (int i = 0; i < kDepth; ++i) text += "</a>";
  TXmlDoc doc;
  TXmlNode* node = Root(doc, text);
  ASSERT_NE(node, nullptr);
  int depth = 1;
  while (node->ChildCount() > 0) {
    node = node->ChildAt(0);
    ++depth;
  }
  EXPECT_EQ(depth, kDepth);
  EXPECT_EQ(node->ValueText(), "x");
  // Replacing the content frees the deep tree as well.
  doc.ParseText("<b/>");
  EXPECT_EQ(doc.RootElement()->Name(), "b");
}

TEST(XmlDocRobustness, RandomAndMutatedTextsAreAcceptedOrRefusedCleanly) {
  const std::vector<std::string> seeds = {
      kWorkedRequest,
      "<DoorRequest type=\"ReadCard\"/>",
      "<R TYPE = 'EraseCard '>\r\n<A>1</A>\r\n<!-- c -->\r\n<B><![CDATA[x]]></B>\r\n</R>",
      "<!DOCTYPE R [<!ENTITY e 'a>b'><!-- ] -->]><R a=\"x\"\"y\">&amp;&#65;&#x41;<?p?></R>",
      "<?xml-stylesheet href='s'?><R>head<A/>tail\r\n</R>",
  };
  const std::string markupBytes = "<>/!?[]-&;'\"= \r\n#xDOCTYPE";
  std::mt19937 random(936);
  auto pick = [&](size_t size) {
    return std::uniform_int_distribution<size_t>(0, size - 1)(random);
  };
  auto randomByte = [&]() -> char {
    return pick(3) == 0 ? static_cast<char>(pick(256)) : markupBytes[pick(markupBytes.size())];
  };

  int accepted = 0;
  int refused = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    if (round % 4 == 0) {
      const size_t size = pick(64);
      for (size_t i = 0; i < size; ++i) text.push_back(randomByte());
    } else {
      text = seeds[pick(seeds.size())];
      const size_t edits = 1 + pick(6);
      for (size_t e = 0; e < edits; ++e) {
        const size_t at = pick(text.size() + 1);
        switch (pick(3)) {
          case 0:
            text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), randomByte());
            break;
          case 1:
            if (at < text.size()) text.erase(at, 1 + pick(4));
            break;
          default:
            if (at < text.size()) text[at] = randomByte();
            break;
        }
      }
    }
    TXmlDoc doc;
    try {
      doc.ParseText(text);
    } catch (const XmlParseError&) {
      ++refused;
      EXPECT_TRUE(doc.TopLevelNodes().empty());
      continue;
    }
    ++accepted;
    ASSERT_NE(doc.RootElement(), nullptr) << text;
    EXPECT_EQ(doc.RootElement()->Kind(), Element);
    ASSERT_GT(VisitAll(doc), 0u);
    if (HasFailure()) {
      ADD_FAILURE() << "text: " << text;
      return;
    }
  }
  // Both outcomes must really have been exercised.
  EXPECT_GT(accepted, 1000);
  EXPECT_GT(refused, 1000);
  RecordProperty("ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - start)
                                            .count()));
}

}  // namespace
}  // namespace keydesk
