#include "wire/xml_doc.h"

#include <algorithm>

#include "platform/conversions.h"
#include "platform/errors.h"

namespace keydesk {
namespace {

constexpr std::string_view kNoRootElement = "No root element found in xml";
constexpr std::string_view kMissingElementName = "Missing element name";
constexpr std::string_view kMissingCloseTag = "Missing close tag in element %s";
constexpr std::string_view kMissingDataAfterLess = "Missing data after \"<\" in element %s";
constexpr std::string_view kMissingGreaterInCloseTag = "Missing \">\" in close tag of element %s";
constexpr std::string_view kIncorrectCloseTag = "Incorrect close tag in element %s";

constexpr size_t kNotFound = std::string_view::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsBlankOnly(std::string_view text) { return std::all_of(text.begin(), text.end(), IsBlank); }

bool IsQuote(char c) { return c == '"' || c == '\''; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Length of the code page 936 character at `at`: 2 for a lead byte (0x81-0xFE) followed by a
// trail byte (0x40-0xFE but 0x7F), else 1. A trail byte can look like a letter, "[" or "]",
// so scans for those step over whole characters. Every other delimiter lies below 0x40 and
// can be searched for byte by byte.
size_t AnsiCharLength(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead >= 0x81 && lead <= 0xFE && at + 1 < text.size()) {
    const auto trail = static_cast<unsigned char>(text[at + 1]);
    if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
  }
  return 1;
}

// Names compare without regard to the case of ASCII letters; double-byte characters compare
// exactly, so a trail byte 0x41 never matches a trail byte 0x61.
bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  size_t at = 0;
  while (at < a.size()) {
    if (AnsiCharLength(a, at) == 2) {
      if (a[at] != b[at] || a[at + 1] != b[at + 1]) return false;
      at += 2;
    } else {
      if (AsciiLower(a[at]) != AsciiLower(b[at])) return false;
      ++at;
    }
  }
  return true;
}

// Position of `delimiter` at or after `from`, stepping over whole characters.
size_t FindAnsi(std::string_view text, std::string_view delimiter, size_t from) {
  for (size_t at = from; at < text.size(); at += AnsiCharLength(text, at)) {
    if (text.substr(at, delimiter.size()) == delimiter) return at;
  }
  return kNotFound;
}

// Position of the first byte of `stops` at or after `from` that is outside a quoted run (a
// double quote or an apostrophe up to the next same character).
size_t FindOutsideQuotes(std::string_view text, std::string_view stops, size_t from) {
  char quote = 0;
  for (size_t at = from; at < text.size(); at += AnsiCharLength(text, at)) {
    const char c = text[at];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (IsQuote(c)) {
      quote = c;
    } else if (stops.find(c) != kNotFound) {
      return at;
    }
  }
  return kNotFound;
}

// Splits the text of a start tag (or of an XML or stylesheet declaration) into its name and
// raw name=value attribute parts.
std::vector<std::string> SplitTag(std::string_view tag) {
  std::vector<std::string> parts;
  std::string part;
  char quote = 0;
  for (const char c : tag) {
    if (quote != 0) {
      part.push_back(c);
      if (c == quote) quote = 0;
    } else if (IsBlank(c)) {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      if (IsQuote(c)) quote = c;
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));

  // Blanks around "=" are allowed: `name = "value"` is one attribute. The two joins run as
  // separate passes, "=" first, so the quote join sees the "=" that the first one brought in.
  std::vector<std::string> joined;
  for (auto& p : parts) {
    if (!joined.empty() && p.front() == '=') {
      joined.back() += p;
    } else {
      joined.push_back(std::move(p));
    }
  }
  parts.clear();
  for (auto& p : joined) {
    if (!parts.empty() && IsQuote(p.front()) && parts.back().find('=') != std::string::npos) {
      parts.back() += p;
    } else {
      parts.push_back(std::move(p));
    }
  }
  return parts;
}

std::pair<std::string, std::string> SplitAttribute(const std::string& part) {
  const size_t equals = part.find('=');
  if (equals == std::string::npos) return {part, std::string()};
  return {part.substr(0, equals), part.substr(equals + 1)};
}

// Removes the quotes around a raw attribute value and makes doubled quotes inside single;
// text after the closing quote is dropped. An unquoted value stays as it is.
std::string Dequote(std::string_view raw) {
  if (raw.empty() || !IsQuote(raw.front())) return std::string(raw);
  const char quote = raw.front();
  std::string value;
  for (size_t at = 1; at < raw.size(); ++at) {
    if (raw[at] == quote) {
      if (at + 1 < raw.size() && raw[at + 1] == quote) {
        value.push_back(quote);
        ++at;
        continue;
      }
      break;
    }
    value.push_back(raw[at]);
  }
  return value;
}

// The byte that a numeric reference body ("#65", "#x41") stands for, or -1 when the body is
// malformed or its value lies above 254.
int NumericReference(std::string_view body) {
  if (body.size() < 2 || body[0] != '#') return -1;
  int base = 10;
  size_t at = 1;
  if (body[1] == 'x') {
    base = 16;
    at = 2;
  }
  if (at == body.size()) return -1;
  int value = 0;
  for (; at < body.size(); ++at) {
    const char c = body[at];
    int digit = -1;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    }
    if (digit < 0) return -1;
    // Saturates instead of overflowing; anything above 254 stays as written anyway.
    value = std::min(value * base + digit, 255);
  }
  return value <= 254 ? value : -1;
}

}  // namespace

// Reads a text into nodes. Element content is read with an explicit stack of open elements
// rather than by recursion, so deep nesting cannot exhaust the thread's stack; trees are torn
// down the same way (Release).
class XmlReader {
 public:
  XmlReader(TXmlDoc* document, std::string_view text) : document_(document), text_(text) {}

  // Appends the text's top-level nodes to `nodes`. Raises XmlParseError; `nodes` may then
  // hold a partial tree, which the caller releases.
  void Read(std::vector<std::unique_ptr<TXmlNode>>& nodes);

  // Frees a list of trees without recursion.
  static void Release(std::vector<std::unique_ptr<TXmlNode>>& nodes);

  static std::unique_ptr<TXmlNode> NewXmlDeclaration(TXmlDoc* document);

 private:
  struct OpenElement {
    TXmlNode* node;
    std::string pending;  // text read since the last node that began with "<"
  };

  static bool IsEmptyNode(const TXmlNode& node) {
    return node.name_.empty() && node.value_.empty() && node.attributes_.empty() &&
           node.children_.empty();
  }

  static void AddChild(TXmlNode* parent, std::unique_ptr<TXmlNode> child) {
    if (!IsEmptyNode(*child)) parent->children_.push_back(std::move(child));
  }

  bool At(std::string_view prefix) const { return text_.substr(pos_).starts_with(prefix); }

  std::unique_ptr<TXmlNode> NewNode(TXmlNodeKind kind, TXmlNode* parent) const {
    return std::make_unique<TXmlNode>(kind, document_, parent);
  }

  void ReadContent(TXmlNode* element);
  void CloseElement(OpenElement& open);
  std::unique_ptr<TXmlNode> ReadMarkup(TXmlNode* parent, bool inSubset, bool* opened);
  std::unique_ptr<TXmlNode> ReadStartTag(TXmlNode* parent, bool* opened);
  std::unique_ptr<TXmlNode> ReadDelimited(TXmlNodeKind kind, TXmlNode* parent, size_t openLength,
                                          std::string_view close);
  std::unique_ptr<TXmlNode> ReadDeclaration(TXmlNodeKind kind, TXmlNode* parent, size_t openLength);
  std::unique_ptr<TXmlNode> ReadTagDeclaration(TXmlNodeKind kind, TXmlNode* parent,
                                               size_t openLength, std::string_view name);
  std::unique_ptr<TXmlNode> ReadDocumentType(TXmlNode* parent);

  TXmlDoc* document_;
  std::string_view text_;
  size_t pos_ = 0;
};

void XmlReader::Read(std::vector<std::unique_ptr<TXmlNode>>& nodes) {
  for (;;) {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    if (pos_ == text_.size()) break;
    // Stray characters before or between top-level nodes, a byte-order mark among them, are
    // passed over.
    if (text_[pos_] != '<') {
      ++pos_;
      continue;
    }
    bool opened = false;
    auto node = ReadMarkup(nullptr, false, &opened);
    TXmlNode* element = node.get();
    if (!IsEmptyNode(*node)) nodes.push_back(std::move(node));
    if (opened) ReadContent(element);
  }
  const bool hasElement = std::any_of(nodes.begin(), nodes.end(), [](const auto& node) {
    return node->kind_ == TXmlNodeKind::Element;
  });
  if (!hasElement) throw XmlParseError(std::string(kNoRootElement));
}

void XmlReader::ReadContent(TXmlNode* element) {
  std::vector<OpenElement> open;
  open.push_back({element, std::string()});
  while (!open.empty()) {
    OpenElement& current = open.back();
    const size_t less = text_.find('<', pos_);
    if (less == kNotFound) {
      throw XmlParseError(Substitute(kMissingCloseTag, current.node->name_));
    }
    current.pending.append(text_.substr(pos_, less - pos_));
    pos_ = less;

    size_t next = less + 1;
    while (next < text_.size() && IsBlank(text_[next])) ++next;
    if (next == text_.size()) {
      throw XmlParseError(Substitute(kMissingDataAfterLess, current.node->name_));
    }
    if (text_[next] == '/') {
      const size_t greater = text_.find('>', next + 1);
      if (greater == kNotFound) {
        throw XmlParseError(Substitute(kMissingGreaterInCloseTag, current.node->name_));
      }
      if (!SameText(Trim(text_.substr(next + 1, greater - next - 1)), current.node->name_)) {
        throw XmlParseError(Substitute(kIncorrectCloseTag, current.node->name_));
      }
      pos_ = greater + 1;
      CloseElement(current);
      open.pop_back();
      continue;
    }

    TXmlNode* parent = current.node;
    if (!IsBlankOnly(current.pending)) {
      auto data = NewNode(TXmlNodeKind::CharacterData, parent);
      data->value_ = std::move(current.pending);
      parent->children_.push_back(std::move(data));
    }
    current.pending.clear();
    bool opened = false;
    auto child = ReadMarkup(parent, false, &opened);
    TXmlNode* childElement = child.get();
    AddChild(parent, std::move(child));
    // `current` is not used past this point: the push may move it.
    if (opened) open.push_back({childElement, std::string()});
  }
}

void XmlReader::CloseElement(OpenElement& open) {
  TXmlNode* node = open.node;
  auto& children = node->children_;
  const bool returnAtEnd = open.pending.find('\r') != std::string::npos;
  if (!IsBlankOnly(open.pending)) {
    auto data = NewNode(TXmlNodeKind::CharacterData, node);
    data->value_ = std::move(open.pending);
    children.push_back(std::move(data));
  }
  const bool hasMarkupChild = std::any_of(children.begin(), children.end(), [](const auto& child) {
    return child->kind_ != TXmlNodeKind::CharacterData;
  });
  // Only the text after the last child read from a "<" decides, yet every character-data
  // child is trimmed: that is how line-broken documents lose their line ends.
  if (hasMarkupChild && returnAtEnd) {
    for (auto& child : children) {
      if (child->kind_ != TXmlNodeKind::CharacterData) continue;
      std::string& value = child->value_;
      const size_t end = value.find_last_not_of("\r\n ");
      value.erase(end == std::string::npos ? 0 : end + 1);
    }
  }
  if (!children.empty() && children.front()->kind_ == TXmlNodeKind::CharacterData) {
    node->value_ = std::move(children.front()->value_);
    children.erase(children.begin());
  }
}

// Reads the node that begins at the "<" at pos_, trying the kinds in their fixed order.
// For an element whose content follows, sets *opened; the caller reads the content.
// Inside a document type's internal subset, a nested document type is read as a plain
// declaration and a start tag is passed over (gives nullptr), so nothing there recurses.
std::unique_ptr<TXmlNode> XmlReader::ReadMarkup(TXmlNode* parent, bool inSubset, bool* opened) {
  *opened = false;
  if (At("<![CDATA[")) return ReadDelimited(TXmlNodeKind::CData, parent, 9, "]]>");
  if (At("<!DOCTYPE")) {
    if (inSubset) return ReadDeclaration(TXmlNodeKind::DocumentType, parent, 9);
    return ReadDocumentType(parent);
  }
  if (At("<!ELEMENT")) return ReadDeclaration(TXmlNodeKind::ElementDeclaration, parent, 9);
  if (At("<!ATTLIST")) return ReadDeclaration(TXmlNodeKind::AttributeListDeclaration, parent, 9);
  if (At("<!ENTITY")) return ReadDeclaration(TXmlNodeKind::EntityDeclaration, parent, 8);
  if (At("<!NOTATION")) return ReadDeclaration(TXmlNodeKind::NotationDeclaration, parent, 10);
  if (At("<?xml-stylesheet")) {
    return ReadTagDeclaration(TXmlNodeKind::StyleSheet, parent, 16, "xml-stylesheet");
  }
  if (At("<?xml")) return ReadTagDeclaration(TXmlNodeKind::XmlDeclaration, parent, 5, "xml");
  if (At("<!--")) return ReadDelimited(TXmlNodeKind::Comment, parent, 4, "-->");
  if (At("<!")) return ReadDelimited(TXmlNodeKind::OtherDeclaration, parent, 2, ">");
  if (At("<?")) return ReadDelimited(TXmlNodeKind::ProcessingInstruction, parent, 2, "?>");
  if (inSubset) {
    const size_t greater = FindOutsideQuotes(text_, ">", pos_ + 1);
    pos_ = greater == kNotFound ? text_.size() : greater + 1;
    return nullptr;
  }
  return ReadStartTag(parent, opened);
}

std::unique_ptr<TXmlNode> XmlReader::ReadStartTag(TXmlNode* parent, bool* opened) {
  const size_t from = pos_ + 1;
  const size_t greater = FindOutsideQuotes(text_, ">", from);
  std::string_view tag = text_.substr(from, (greater == kNotFound ? text_.size() : greater) - from);
  const bool empty = greater != kNotFound && tag.ends_with('/');
  if (empty) tag.remove_suffix(1);
  auto parts = SplitTag(tag);
  if (parts.empty()) throw XmlParseError(std::string(kMissingElementName));
  auto node = NewNode(TXmlNodeKind::Element, parent);
  node->name_ = std::move(parts.front());
  for (size_t i = 1; i < parts.size(); ++i) node->attributes_.push_back(SplitAttribute(parts[i]));
  if (greater == kNotFound) throw XmlParseError(Substitute(kMissingCloseTag, node->name_));
  pos_ = greater + 1;
  *opened = !empty;
  return node;
}

// Comments, CDATA sections, processing instructions and other declarations: the text up to
// the closing delimiter is the value. Without one, the rest of the text is.
std::unique_ptr<TXmlNode> XmlReader::ReadDelimited(TXmlNodeKind kind, TXmlNode* parent,
                                                   size_t openLength, std::string_view close) {
  const size_t from = pos_ + openLength;
  const size_t end = FindAnsi(text_, close, from);
  auto node = NewNode(kind, parent);
  node->value_ = std::string(text_.substr(from, (end == kNotFound ? text_.size() : end) - from));
  pos_ = end == kNotFound ? text_.size() : end + close.size();
  return node;
}

// DTD declarations end at a ">" outside quotes, since entity values may hold ">".
std::unique_ptr<TXmlNode> XmlReader::ReadDeclaration(TXmlNodeKind kind, TXmlNode* parent,
                                                     size_t openLength) {
  const size_t from = pos_ + openLength;
  const size_t end = FindOutsideQuotes(text_, ">", from);
  auto node = NewNode(kind, parent);
  node->value_ = std::string(text_.substr(from, (end == kNotFound ? text_.size() : end) - from));
  pos_ = end == kNotFound ? text_.size() : end + 1;
  return node;
}

// XML and stylesheet declarations: the text up to "?>" is split into attributes like a
// start tag. The encoding named there does not change how the text is read.
std::unique_ptr<TXmlNode> XmlReader::ReadTagDeclaration(TXmlNodeKind kind, TXmlNode* parent,
                                                        size_t openLength, std::string_view name) {
  const size_t from = pos_ + openLength;
  const size_t end = FindAnsi(text_, "?>", from);
  auto node = NewNode(kind, parent);
  node->name_ = std::string(name);
  for (const auto& part :
       SplitTag(text_.substr(from, (end == kNotFound ? text_.size() : end) - from))) {
    node->attributes_.push_back(SplitAttribute(part));
  }
  pos_ = end == kNotFound ? text_.size() : end + 2;
  return node;
}

// The value is the text before the internal subset; the subset's declarations, comments and
// processing instructions become children. Parameter-entity references and other text
// between them are passed over.
std::unique_ptr<TXmlNode> XmlReader::ReadDocumentType(TXmlNode* parent) {
  const size_t from = pos_ + 9;
  const size_t stop = FindOutsideQuotes(text_, "[>", from);
  auto node = NewNode(TXmlNodeKind::DocumentType, parent);
  node->value_ = std::string(text_.substr(from, (stop == kNotFound ? text_.size() : stop) - from));
  if (stop == kNotFound) {
    pos_ = text_.size();
    return node;
  }
  pos_ = stop + 1;
  if (text_[stop] == '>') return node;

  while (pos_ < text_.size() && text_[pos_] != ']') {
    if (text_[pos_] != '<') {
      pos_ += AnsiCharLength(text_, pos_);
      continue;
    }
    bool opened = false;
    if (auto child = ReadMarkup(node.get(), true, &opened)) AddChild(node.get(), std::move(child));
  }
  const size_t end = FindOutsideQuotes(text_, ">", pos_);
  pos_ = end == kNotFound ? text_.size() : end + 1;
  return node;
}

void XmlReader::Release(std::vector<std::unique_ptr<TXmlNode>>& nodes) {
  std::vector<std::unique_ptr<TXmlNode>> pending = std::move(nodes);
  nodes.clear();
  while (!pending.empty()) {
    std::unique_ptr<TXmlNode> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->children_) pending.push_back(std::move(child));
    // `node` now goes with nothing below it.
  }
}

std::unique_ptr<TXmlNode> XmlReader::NewXmlDeclaration(TXmlDoc* document) {
  auto node = std::make_unique<TXmlNode>(TXmlNodeKind::XmlDeclaration, document, nullptr);
  node->name_ = "xml";
  node->attributes_ = {{"version", "\"1.0\""}, {"encoding", "\"windows-1252\""}};
  return node;
}

TXmlNode::TXmlNode(TXmlNodeKind kind, TXmlDoc* document, TXmlNode* parent)
    : kind_(kind), parent_(parent), document_(document) {}

std::string TXmlNode::AttributeValue(std::string_view name) const {
  for (const auto& [attributeName, rawValue] : attributes_) {
    if (SameText(attributeName, name)) return ResolveReferences(Dequote(rawValue));
  }
  return std::string();
}

TXmlNode* TXmlNode::ChildAt(int position) const {
  if (position < 0 || position >= ChildCount()) return nullptr;
  return children_[static_cast<size_t>(position)].get();
}

std::string TXmlNode::ValueText() const { return ResolveReferences(value_); }

// The raw value on purpose: "&#49;" is not the integer 1.
int32_t TXmlNode::ValueInteger() const { return StrToInt(value_); }

int32_t TXmlNode::ValueIntegerOr(int32_t defaultValue) const {
  return TryStrToInt(value_).value_or(defaultValue);
}

TXmlDoc::TXmlDoc() { nodes_.push_back(XmlReader::NewXmlDeclaration(this)); }

TXmlDoc::~TXmlDoc() { XmlReader::Release(nodes_); }

void TXmlDoc::ParseText(std::string_view text) {
  XmlReader::Release(nodes_);
  try {
    XmlReader(this, text).Read(nodes_);
  } catch (...) {
    XmlReader::Release(nodes_);
    throw;
  }
}

TXmlNode* TXmlDoc::RootElement() const {
  for (const auto& node : nodes_) {
    if (node->Kind() == TXmlNodeKind::Element) return node.get();
  }
  return nullptr;
}

// Everything from an "&" up to and including the next ";" is taken as one reference, even
// when another "&" stands between them; such a run is not a known name and stays as written.
std::string ResolveReferences(std::string_view raw) {
  std::string text;
  text.reserve(raw.size());
  size_t at = 0;
  while (at < raw.size()) {
    const size_t ampersand = raw.find('&', at);
    if (ampersand == kNotFound) break;
    const size_t semicolon = raw.find(';', ampersand + 1);
    if (semicolon == kNotFound) break;
    text.append(raw.substr(at, ampersand - at));
    const std::string_view body = raw.substr(ampersand + 1, semicolon - ampersand - 1);
    if (body == "amp") {
      text.push_back('&');
    } else if (body == "lt") {
      text.push_back('<');
    } else if (body == "gt") {
      text.push_back('>');
    } else if (body == "apos") {
      text.push_back('\'');
    } else if (body == "quot") {
      text.push_back('"');
    } else if (const int byte = NumericReference(body); byte >= 0) {
      text.push_back(static_cast<char>(byte));
    } else {
      text.append(raw.substr(ampersand, semicolon - ampersand + 1));
    }
    at = semicolon + 1;
  }
  text.append(raw.substr(at));
  return text;
}

}  // namespace keydesk
