#include "kinds/hand/hand_kind.h"

#include "devices/base_hand.h"
#include "kinds/hand/hand_message_handler.h"
#include "kinds/hand/hand_test_actions.h"
#include "kinds/hand/hand_test_panel.h"
#include "kinds/service_context.h"
#include "kinds/test_dialogs.h"

namespace keydesk {

HandKind::HandKind(const ServiceContext& context, std::unique_ptr<TBaseHand> hand)
    : Kind(*FindInterfaceKind(kHandKind)), context_(context), hand_(std::move(hand)) {}

HandKind::~HandKind() = default;

std::unique_ptr<TMessageHandler> HandKind::CreateHandler() {
  return std::make_unique<THandMessageHandler>(context_.Log, hand_.get());
}

void HandKind::ShowOptions() {
  if (hand_ != nullptr) hand_->ShowOptions();
}

void HandKind::ShowTest(TestDialogs& dialogs) {
  if (hand_ != nullptr) dialogs.ShowHandTest(HandTestActions(hand_.get(), context_.LocalClock));
}

// A simulated device has nothing to set; saying so beats a command that seems dead.
Kind::OptionsDialog HandKind::Options() const {
  return hand_ != nullptr ? OptionsDialog::NothingToSet : OptionsDialog::None;
}

std::unique_ptr<TestPanel> HandKind::MakeTestPanel() {
  if (hand_ == nullptr) return nullptr;
  return std::make_unique<TestPanel>(HandTestPanel(hand_.get(), context_));
}

}  // namespace keydesk
