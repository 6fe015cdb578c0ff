#include "app/application.h"

#include <filesystem>

#include "core/interface_kind.h"
#include "doorlock/drevan_library.h"
#include "doorlock/drevan_lift_doorlock.h"
#include "devices/simulated_hand.h"
#include "devices/simulated_member.h"
#include "platform/paths.h"
#include "devices/simulated_police.h"

namespace keydesk {
namespace {

TOption LoadedOption(const std::string& fileName) {
  TOption option(fileName);
  option.Load();
  return option;
}

TSysOption LoadedSysOption(const std::string& fileName) {
  TSysOption sysOption(fileName);
  sysOption.Load();
  return sysOption;
}

}  // namespace

Application::Application(StartupSettings settings)
    : settings_(std::move(settings)),
      option_(LoadedOption(PathInFolder(settings_.Folder, "Option.ini"))),
      sysOption_(LoadedSysOption(PathInFolder(settings_.Folder, "Option.ini"))),
      log_(TLogFile::DailyFileName(settings_.Folder, clock_.Now()), sysOption_, clock_),
      recordStore_(PathInFolder(settings_.Folder, TDoorlockRecordManager::kFileName), log_),
      context_{sysOption_, option_, log_, recordStore_, clock_} {
  recordStore_.Open();
  context_.InterfaceKind = settings_.InterfaceKind;
  // The vendor library is bound for every kind, as the program is linked against it.
  library_ = std::make_unique<DrevanLibrary>(settings_.CardLibraryPath);
  if (!settings_.InstallDevice) return;
  switch (settings_.InterfaceKind) {
    case kDoorlockKind:
      doorlock_ = std::make_unique<TDrevanLiftDoorlock>(*library_, option_, log_,
                                                        settings_.ShowDoorlockOptions);
      doorlock_->OpenPort();
      context_.Doorlock = doorlock_.get();
      break;
    // The devices of the other kinds are not part of the system; simulated ones stand in so
    // that every kind can be run end to end.
    case kPoliceKind:
      police_ = std::make_unique<SimulatedPolice>(settings_.Folder, settings_.ShowDeviceOptions);
      context_.Police = police_.get();
      break;
    case kMemberKind:
      member_ = std::make_unique<SimulatedMember>(settings_.Folder, settings_.ShowDeviceOptions);
      context_.Member = member_.get();
      break;
    case kHandKind:
      hand_ = std::make_unique<SimulatedHand>(settings_.Folder, settings_.ShowDeviceOptions);
      context_.Hand = hand_.get();
      break;
  }
}

Application::~Application() {
  context_.Doorlock = nullptr;
  context_.Hand = nullptr;
  context_.Member = nullptr;
  context_.Police = nullptr;
}

void Application::Shutdown() {
  if (doorlock_ != nullptr) doorlock_->ClosePort();
}

}  // namespace keydesk
