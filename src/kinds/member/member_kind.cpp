#include "kinds/member/member_kind.h"

#include "devices/base_member.h"
#include "kinds/member/member_message_handler.h"
#include "kinds/member/member_test_actions.h"
#include "kinds/member/member_test_panel.h"
#include "kinds/service_context.h"
#include "kinds/test_dialogs.h"

namespace keydesk {

MemberKind::MemberKind(const ServiceContext& context, std::unique_ptr<TBaseMember> member)
    : Kind(*FindInterfaceKind(kMemberKind)), context_(context), member_(std::move(member)) {}

MemberKind::~MemberKind() = default;

std::unique_ptr<TMessageHandler> MemberKind::CreateHandler() {
  return std::make_unique<TMemberMessageHandler>(context_.Log, member_.get());
}

void MemberKind::ShowOptions() {
  if (member_ != nullptr) member_->ShowOptions();
}

void MemberKind::ShowTest(TestDialogs& dialogs) {
  if (member_ != nullptr) dialogs.ShowMemberTest(MemberTestActions(member_.get()));
}

Kind::OptionsDialog MemberKind::Options() const {
  return member_ != nullptr ? OptionsDialog::NothingToSet : OptionsDialog::None;
}

std::unique_ptr<TestPanel> MemberKind::MakeTestPanel() {
  if (member_ == nullptr) return nullptr;
  return std::make_unique<TestPanel>(MemberTestPanel(member_.get(), context_));
}

}  // namespace keydesk
