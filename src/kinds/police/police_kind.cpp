#include "kinds/police/police_kind.h"

#include "devices/base_police.h"
#include "kinds/police/police_message_handler.h"
#include "kinds/test_dialogs.h"
#include "platform/code_page.h"

namespace keydesk {

PoliceKind::PoliceKind(TLogFile& log, std::unique_ptr<TBasePolice> police)
    : Kind(*FindInterfaceKind(kPoliceKind)), log_(log), police_(std::move(police)) {}

PoliceKind::~PoliceKind() = default;

std::unique_ptr<TMessageHandler> PoliceKind::CreateHandler() {
  return std::make_unique<TPoliceMessageHandler>(log_, police_.get());
}

void PoliceKind::ShowOptions() {
  if (police_ != nullptr) police_->ShowOptions();
}

void PoliceKind::ShowTest(TestDialogs& dialogs) {
  if (police_ == nullptr) return;
  // The fragment can only be built from a guest; without one, say so rather than show
  // nothing at all.
  const TGuest* guest = police_->GetGuest();
  dialogs.ShowText(guest != nullptr ? GuestToXml(*guest) : AnsiFromUtf8(kNoGuestText));
}

Kind::OptionsDialog PoliceKind::Options() const {
  return police_ != nullptr ? OptionsDialog::NothingToSet : OptionsDialog::None;
}

std::optional<std::string> PoliceKind::TestText() {
  if (police_ == nullptr) return std::nullopt;
  // The fragment can only be built from a guest; without one, say so rather than show
  // nothing at all.
  const TGuest* guest = police_->GetGuest();
  return guest != nullptr ? GuestToXml(*guest) : AnsiFromUtf8(kNoGuestText);
}

}  // namespace keydesk
