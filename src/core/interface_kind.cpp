#include "core/interface_kind.h"

#include <array>

#include "core/sys_option.h"
#include "platform/code_page.h"
#include "platform/errors.h"

namespace keydesk {
namespace {

const std::array<InterfaceKindInfo, 4> kKinds = {{
    {kDoorlockKind, "MarveskOxbel门锁接口", "门锁接口监听服务器已经启动...",
     &TSysOption::DoorlockPortNo, "DoorlockPortNo", "doorlock", "发卡、读卡和注销卡"},
    {kPoliceKind, "MarveskOxbel公安接口", "公安接口监听服务器已经启动...",
     &TSysOption::PolicePortNo, "PolicePortNo", "police",
     "取得当前客人的身份证号、姓名、地址和生日"},
    {kMemberKind, "MarveskOxbel会员卡接口", "会员卡接口监听服务器已经启动...",
     &TSysOption::MemberPortNo, "MemberPortNo", "member", "写、读和打印会员卡"},
    {kHandKind, "MarveskOxbel手牌接口", "手牌接口监听服务器已经启动...", &TSysOption::HandPortNo,
     "HandPortNo", "hand", "发、读和注销手牌"},
}};

}  // namespace

std::string NotListeningLine(int port, std::string_view reason) {
  return AnsiFromUtf8("接口监听服务器没有运行（端口 " + std::to_string(port) + "）：") +
         std::string(reason);
}

std::string NotListeningAdvice(const InterfaceKindInfo& kind, int port, std::string_view reason) {
  if (reason != kAddressInUse) return {};
  return AnsiFromUtf8(
      "端口 " + std::to_string(port) +
      " 已被另一个程序占用（也许是另一个 keydesk）：请关闭那个程序，或在 Option.ini "
      "的 [SysOption] " +
      kind.PortKey + " 中换一个端口，然后重新启动 keydesk。");
}

const InterfaceKindInfo* FindInterfaceKind(int kind) {
  for (const InterfaceKindInfo& info : kKinds) {
    if (info.Number == kind) return &info;
  }
  return nullptr;
}

}  // namespace keydesk
