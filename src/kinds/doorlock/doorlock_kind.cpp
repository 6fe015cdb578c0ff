#include "kinds/doorlock/doorlock_kind.h"

#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "doorlock/drevan_lift_doorlock.h"
#include "kinds/doorlock/doorlock_message_handler.h"
#include "kinds/doorlock/doorlock_options.h"
#include "kinds/doorlock/doorlock_test_actions.h"
#include "kinds/doorlock/doorlock_test_panel.h"
#include "kinds/kind_registry.h"

namespace keydesk {
namespace {

const InterfaceKindInfo kInfo{kDoorlockKind,
                              "MarveskOxbel门锁接口",
                              "门锁接口监听服务器已经启动...",
                              &SysOptionPortKey("doorlock"),
                              "doorlock",
                              "发卡、读卡和注销卡"};

std::unique_ptr<Kind> Make(const KindParts& parts) {
  if (!parts.InstallDevice) return std::make_unique<DoorlockKind>(parts.Context, nullptr);
  return std::make_unique<DoorlockKind>(
      parts.Context, std::make_unique<TDrevanLiftDoorlock>(parts.Library, parts.Context.Option,
                                                           parts.Context.Log));
}

}  // namespace

const KindEntry& DoorlockKindEntry() {
  static const KindEntry entry{kInfo, &Make, true};
  return entry;
}

DoorlockKind::DoorlockKind(const ServiceContext& context, std::unique_ptr<TBaseDoorlock> doorlock)
    : Kind(DoorlockKindEntry().Info),
      doorlock_(std::move(doorlock)),
      service_(context, doorlock_.get()) {}

DoorlockKind::~DoorlockKind() = default;

std::unique_ptr<TMessageHandler> DoorlockKind::CreateHandler() {
  return std::make_unique<TDoorlockMessageHandler>(service_);
}

std::unique_ptr<DeviceOptions> DoorlockKind::MakeOptions() {
  if (doorlock_ == nullptr) return nullptr;
  return std::make_unique<DoorlockOptions>(service_.Context.Option);
}

CardReader DoorlockKind::EncoderReader() {
  if (doorlock_ == nullptr) return {};
  auto actions = std::make_shared<DoorlockTestActions>(service_);
  return [actions](int64_t& CardNo, TCardDetails& Details) {
    const DoorlockTestActions::CheckedRead read = actions->ReadCardChecked();
    CardNo = read.CardNo;
    Details = read.Details;
    return read.Read;
  };
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
