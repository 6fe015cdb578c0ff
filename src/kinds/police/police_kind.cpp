#include "kinds/police/police_kind.h"

#include "core/sys_option.h"
#include "devices/base_police.h"
#include "devices/simulated_police.h"
#include "kinds/kind_registry.h"
#include "kinds/police/police_message_handler.h"
#include "kinds/service_context.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

const InterfaceKindInfo kInfo{kPoliceKind,
                              "MarveskOxbel公安接口",
                              "公安接口监听服务器已经启动...",
                              &SysOptionPortKey("police"),
                              "police",
                              "取得当前客人的身份证号、姓名、地址和生日"};

std::unique_ptr<Kind> Make(const KindParts& parts) {
  return std::make_unique<PoliceKind>(parts.Context.Log,
                                      SimulatedDeviceIfWanted<SimulatedPolice>(parts));
}

}  // namespace

const KindEntry& PoliceKindEntry() {
  static const KindEntry entry{kInfo, &Make, false};
  return entry;
}

PoliceKind::PoliceKind(TLogFile& log, std::unique_ptr<TBasePolice> police)
    : Kind(PoliceKindEntry().Info), log_(log), police_(std::move(police)) {}

PoliceKind::~PoliceKind() = default;

std::unique_ptr<TMessageHandler> PoliceKind::CreateHandler() {
  return std::make_unique<TPoliceMessageHandler>(log_, police_.get());
}

bool PoliceKind::NothingToSet() const { return police_ != nullptr; }

std::optional<std::string> PoliceKind::TestText() {
  if (police_ == nullptr) return std::nullopt;
  // The fragment can only be built from a guest; without one, say so rather than show
  // nothing at all.
  const TGuest* guest = police_->GetGuest();
  return guest != nullptr ? GuestToXml(*guest) : AnsiFromUtf8(kNoGuestText);
}

}  // namespace keydesk
