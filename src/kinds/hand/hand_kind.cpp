#include "kinds/hand/hand_kind.h"

#include "core/sys_option.h"
#include "devices/base_hand.h"
#include "devices/simulated_hand.h"
#include "kinds/hand/hand_message_handler.h"
#include "kinds/hand/hand_test_actions.h"
#include "kinds/hand/hand_test_panel.h"
#include "kinds/kind_registry.h"
#include "kinds/service_context.h"

namespace keydesk {
namespace {

const InterfaceKindInfo kInfo{
    kHandKind, "MarveskOxbel手牌接口", "手牌接口监听服务器已经启动...", &SysOptionPortKey("hand"),
    "hand",    "发、读和注销手牌"};

std::unique_ptr<Kind> Make(const KindParts& parts) {
  return std::make_unique<HandKind>(parts.Context, SimulatedDeviceIfWanted<SimulatedHand>(parts));
}

}  // namespace

const KindEntry& HandKindEntry() {
  static const KindEntry entry{kInfo, &Make, false};
  return entry;
}

HandKind::HandKind(const ServiceContext& context, std::unique_ptr<TBaseHand> hand)
    : Kind(HandKindEntry().Info), context_(context), hand_(std::move(hand)) {}

HandKind::~HandKind() = default;

std::unique_ptr<TMessageHandler> HandKind::CreateHandler() {
  return std::make_unique<THandMessageHandler>(context_.Log, hand_.get());
}

// A simulated device has nothing to set; saying so beats a command that seems dead.
bool HandKind::NothingToSet() const { return hand_ != nullptr; }

std::unique_ptr<TestPanel> HandKind::MakeTestPanel() {
  if (hand_ == nullptr) return nullptr;
  return std::make_unique<TestPanel>(HandTestPanel(hand_.get(), context_));
}

}  // namespace keydesk
