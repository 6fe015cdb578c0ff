#include "core/interface_kind.h"

#include "platform/code_page.h"
#include "platform/errors.h"

namespace keydesk {

std::string NotListeningLine(int port, std::string_view reason) {
  return AnsiFromUtf8("接口监听服务器没有运行（端口 " + std::to_string(port) + "）：") +
         std::string(reason);
}

std::string NotListeningAdvice(const InterfaceKindInfo& kind, int port, std::string_view reason) {
  if (reason != kAddressInUse) return {};
  return AnsiFromUtf8(
      "端口 " + std::to_string(port) +
      " 已被另一个程序占用（也许是另一个 keydesk）：请关闭那个程序，或在 Option.ini "
      "的 [" +
      kind.Port->Section + "] " + kind.Port->Name + " 中换一个端口，然后重新启动 keydesk。");
}

}  // namespace keydesk
