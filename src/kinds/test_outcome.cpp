#include "kinds/test_outcome.h"

#include "platform/code_page.h"

namespace keydesk {

std::string TestOutcomeText(std::string_view actionUtf8, bool succeeded, std::string_view details) {
  std::string text = AnsiFromUtf8(std::string(actionUtf8) + (succeeded ? "成功" : "失败"));
  if (!details.empty()) {
    text += AnsiFromUtf8("：");
    text += details;
  }
  return text;
}

std::string TestDoneText(std::string_view actionUtf8) {
  return AnsiFromUtf8("已执行 " + std::string(actionUtf8));
}

}  // namespace keydesk
