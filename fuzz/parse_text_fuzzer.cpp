// Feeds arbitrary text to the XML reader and walks whatever it accepts.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/errors.h"
#include "wire/xml_doc.h"

namespace {

void Walk(const keydesk::TXmlNode& node, int depth) {
  (void)node.ValueText();
  (void)node.AttributeValue("type");
  (void)node.ValueIntegerOr(-1);
  if (depth > 64) return;
  for (int i = 0; i < node.ChildCount(); ++i) Walk(*node.ChildAt(i), depth + 1);
  if (node.ChildAt(node.ChildCount()) != nullptr || node.ChildAt(-1) != nullptr) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  keydesk::TXmlDoc document;
  try {
    document.ParseText(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const keydesk::XmlParseError&) {
    return 0;
  }
  const keydesk::TXmlNode* root = document.RootElement();
  if (root == nullptr) __builtin_trap();  // accepted text always has a root element
  for (const auto& node : document.TopLevelNodes()) Walk(*node, 0);
  return 0;
}
