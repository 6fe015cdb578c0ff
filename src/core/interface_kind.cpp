#include "core/interface_kind.h"

#include <array>

#include "core/sys_option.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

const std::array<InterfaceKindInfo, 4> kKinds = {{
    {kDoorlockKind, "MarveskOxbel门锁接口", "门锁接口监听服务器已经启动...",
     &TSysOption::DoorlockPortNo, "doorlock", "发卡、读卡和注销卡"},
    {kPoliceKind, "MarveskOxbel公安接口", "公安接口监听服务器已经启动...",
     &TSysOption::PolicePortNo, "police", "取得当前客人的身份证号、姓名、地址和生日"},
    {kMemberKind, "MarveskOxbel会员卡接口", "会员卡接口监听服务器已经启动...",
     &TSysOption::MemberPortNo, "member", "写、读和打印会员卡"},
    {kHandKind, "MarveskOxbel手牌接口", "手牌接口监听服务器已经启动...", &TSysOption::HandPortNo,
     "hand", "发、读和注销手牌"},
}};

}  // namespace

std::string NotListeningLine(int port, std::string_view reason) {
  return AnsiFromUtf8("接口监听服务器没有运行（端口 " + std::to_string(port) + "）：") +
         std::string(reason);
}

const InterfaceKindInfo* FindInterfaceKind(int kind) {
  for (const InterfaceKindInfo& info : kKinds) {
    if (info.Number == kind) return &info;
  }
  return nullptr;
}

}  // namespace keydesk
