#include "client/response_document.h"

#include "platform/code_page.h"
#include "platform/errors.h"
#include "wire/decode_utf8.h"
#include "wire/xml_doc.h"

namespace keydesk::client {
namespace {

// keydesk's responses nest two levels at most (the police guest); deeper elements of a
// response from something else are not shown, so that reading needs no unbounded recursion.
constexpr int kDeepestLevel = 8;

std::vector<ResponseField> ElementsOf(const TXmlNode& parent, int level) {
  std::vector<ResponseField> fields;
  if (level > kDeepestLevel) return fields;
  for (int i = 0; i < parent.ChildCount(); ++i) {
    const TXmlNode& child = *parent.ChildAt(i);
    if (child.Kind() != TXmlNodeKind::Element) continue;
    fields.push_back({Utf8FromAnsi(child.Name()), Utf8FromAnsi(child.ValueText()),
                      ElementsOf(child, level + 1)});
  }
  return fields;
}

}  // namespace

std::string ResponseDocument::FieldValue(std::string_view name) const {
  for (const ResponseField& field : Fields) {
    if (field.Name == name) return field.Value;
  }
  return {};
}

ResponseDocument ReadResponseDocument(std::string_view bytes) {
  const std::u16string text = DecodeUtf8(bytes);
  if (text.empty() && !bytes.empty()) throw Error("the response is not UTF-8 text");
  TXmlDoc document;
  document.ParseText(AnsiFromUnicode(text));
  const TXmlNode& root = *document.RootElement();
  return {Utf8FromAnsi(root.Name()), ElementsOf(root, 1)};
}

}  // namespace keydesk::client
