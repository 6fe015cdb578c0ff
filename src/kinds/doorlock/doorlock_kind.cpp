#include "kinds/doorlock/doorlock_kind.h"

#include "doorlock/base_doorlock.h"
#include "kinds/doorlock/doorlock_message_handler.h"
#include "kinds/doorlock/doorlock_test_panel.h"
#include "kinds/test_dialogs.h"

namespace keydesk {

DoorlockKind::DoorlockKind(const ServiceContext& context, std::unique_ptr<TBaseDoorlock> doorlock)
    : Kind(*FindInterfaceKind(kDoorlockKind)),
      doorlock_(std::move(doorlock)),
      service_(context, doorlock_.get()) {}

DoorlockKind::~DoorlockKind() = default;

std::unique_ptr<TMessageHandler> DoorlockKind::CreateHandler() {
  return std::make_unique<TDoorlockMessageHandler>(service_);
}

void DoorlockKind::ShowOptions() {
  if (doorlock_ != nullptr) doorlock_->ShowOptions();
}

void DoorlockKind::ShowTest(TestDialogs& dialogs) {
  if (doorlock_ != nullptr) dialogs.ShowDoorlockTest(service_);
}

Kind::OptionsDialog DoorlockKind::Options() const {
  return doorlock_ != nullptr ? OptionsDialog::Doorlock : OptionsDialog::None;
}

std::unique_ptr<TestPanel> DoorlockKind::MakeTestPanel() {
  if (doorlock_ == nullptr) return nullptr;
  return std::make_unique<TestPanel>(DoorlockTestPanel(service_));
}

void DoorlockKind::OpenDevice() {
  if (doorlock_ != nullptr) doorlock_->OpenPort();
}

void DoorlockKind::CloseDevice() {
  if (doorlock_ != nullptr) doorlock_->ClosePort();
}

}  // namespace keydesk
