#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace keydesk {

class TXmlDoc;

// What a node is. At every "<" the reader tries the kinds in this order, CDATA first,
// element last; character data is text between the child nodes of an element.
enum class TXmlNodeKind {
  CData,                     // <![CDATA[ ... ]]>
  DocumentType,              // <!DOCTYPE ... >, an internal subset read as child declarations
  ElementDeclaration,        // <!ELEMENT ... >
  AttributeListDeclaration,  // <!ATTLIST ... >
  EntityDeclaration,         // <!ENTITY ... >
  NotationDeclaration,       // <!NOTATION ... >
  StyleSheet,                // <?xml-stylesheet ... ?>
  XmlDeclaration,            // <?xml ... ?>
  Comment,                   // <!-- ... -->
  OtherDeclaration,          // <! ... >
  ProcessingInstruction,     // <? ... ?>
  Element,                   // < ... >
  CharacterData,
};

// A node of a read-only request document. Texts are code page 936. A node belongs to its
// document and is valid only while the document lives. Not thread-safe; a document is
// never shared between requests.
class TXmlNode {
 public:
  TXmlNode(TXmlNodeKind kind, TXmlDoc* document, TXmlNode* parent);
  TXmlNode(const TXmlNode&) = delete;
  TXmlNode& operator=(const TXmlNode&) = delete;

  TXmlNodeKind Kind() const { return kind_; }
  // Element name; "xml" for the XML declaration.
  const std::string& Name() const { return name_; }
  // The node's text as it stood in the document, references not resolved.
  const std::string& RawValue() const { return value_; }
  // Attributes in document order as (name, raw value) pairs; the raw value keeps its quotes.
  const std::vector<std::pair<std::string, std::string>>& Attributes() const { return attributes_; }
  TXmlNode* Parent() const { return parent_; }
  TXmlDoc* Document() const { return document_; }

  // The value of the first attribute whose name matches without regard to letter case, with
  // its quotes removed, doubled quotes inside made single, and references resolved; empty
  // when there is no such attribute.
  std::string AttributeValue(std::string_view name) const;

  int ChildCount() const { return static_cast<int>(children_.size()); }
  // The child at a zero-based position counted over all children (comments, CDATA sections,
  // processing instructions and character data included), or nullptr out of range.
  TXmlNode* ChildAt(int position) const;

  // The value with references resolved, not trimmed.
  std::string ValueText() const;
  // The raw value as a signed 32-bit integer; raises ConvertError for any other text.
  int32_t ValueInteger() const;
  // As ValueInteger, giving defaultValue instead of an error.
  int32_t ValueIntegerOr(int32_t defaultValue) const;

 private:
  friend class XmlReader;

  TXmlNodeKind kind_;
  std::string name_;
  std::string value_;
  std::vector<std::pair<std::string, std::string>> attributes_;
  std::vector<std::unique_ptr<TXmlNode>> children_;
  TXmlNode* parent_;
  TXmlDoc* document_;
};

// A request document: an ordered list of top-level nodes that it owns. Not thread-safe.
class TXmlDoc {
 public:
  // Holds an XML declaration with version "1.0" and encoding "windows-1252".
  TXmlDoc();
  TXmlDoc(const TXmlDoc&) = delete;
  TXmlDoc& operator=(const TXmlDoc&) = delete;
  ~TXmlDoc();

  // Replaces the content with the nodes read from text (code page 936). Raises
  // XmlParseError with the reader's message when the text is not acceptable; the
  // document is then empty.
  void ParseText(std::string_view text);

  // The first top-level element, or nullptr.
  TXmlNode* RootElement() const;

  const std::vector<std::unique_ptr<TXmlNode>>& TopLevelNodes() const { return nodes_; }

 private:
  friend class XmlReader;

  std::vector<std::unique_ptr<TXmlNode>> nodes_;
};

// Resolves the five named references and numeric references to values 0 to 254 in a raw
// value; anything else stays as written.
std::string ResolveReferences(std::string_view raw);

}  // namespace keydesk
