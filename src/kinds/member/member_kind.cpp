#include "kinds/member/member_kind.h"

#include "core/sys_option.h"
#include "devices/base_member.h"
#include "devices/simulated_member.h"
#include "kinds/kind_registry.h"
#include "kinds/member/member_message_handler.h"
#include "kinds/member/member_test_actions.h"
#include "kinds/member/member_test_panel.h"
#include "kinds/service_context.h"

namespace keydesk {
namespace {

const InterfaceKindInfo kInfo{kMemberKind,
                              "MarveskOxbel会员卡接口",
                              "会员卡接口监听服务器已经启动...",
                              &SysOptionPortKey("member"),
                              "member",
                              "写、读和打印会员卡"};

std::unique_ptr<Kind> Make(const KindParts& parts) {
  return std::make_unique<MemberKind>(parts.Context,
                                      SimulatedDeviceIfWanted<SimulatedMember>(parts));
}

}  // namespace

const KindEntry& MemberKindEntry() {
  static const KindEntry entry{kInfo, &Make, false};
  return entry;
}

MemberKind::MemberKind(const ServiceContext& context, std::unique_ptr<TBaseMember> member)
    : Kind(MemberKindEntry().Info), context_(context), member_(std::move(member)) {}

MemberKind::~MemberKind() = default;

std::unique_ptr<TMessageHandler> MemberKind::CreateHandler() {
  return std::make_unique<TMemberMessageHandler>(context_.Log, member_.get());
}

bool MemberKind::NothingToSet() const { return member_ != nullptr; }

std::unique_ptr<TestPanel> MemberKind::MakeTestPanel() {
  if (member_ == nullptr) return nullptr;
  return std::make_unique<TestPanel>(MemberTestPanel(member_.get(), context_));
}

}  // namespace keydesk
