#pragma once

#include <memory>
#include <string>

#include "app/application.h"
#include "app/desk.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "fixed_clock.h"
#include "kinds/kind_registry.h"
#include "kinds/service_context.h"
#include "sim_environment.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"

namespace keydesk::test {

// The real start-up objects in a fresh folder for an interface kind (door lock unless given):
// Option.ini listening on a port the system chooses, Client.mdb, the simulated drevan.dll with
// its files in the folder, the kind's device, and the desk over them that a window shows. For
// the desk's password guard a minute passes at every look at the time, so that a right password
// after a wrong one is checked at once.
class WindowTestApplication {
 public:
  explicit WindowTestApplication(int kind = kDoorlockKind) {
    TSysOption sysOption(dir_.File("Option.ini"));
    *sysOption.PortField(*FindInterfaceKind(kind)->Port) = 0;
    sysOption.SaveDoorlockRecord = true;
    sysOption.Save();
    std::string error;
    TDoorlockRecordManager::CreateDatabase(dir_.File(TDoorlockRecordManager::kFileName), error);
    StartupSettings settings;
    settings.Folder = dir_.Path().string();
    settings.CardLibraryPath = kCardLibraryPath;
    settings.InterfaceKind = kind;
    application_ = std::make_unique<Application>(std::move(settings));
    desk_ = std::make_unique<keydesk::Desk>(*application_, time_.Now());
  }

  Application& App() { return *application_; }
  const ServiceContext& Context() const { return application_->Context(); }
  keydesk::Kind& Kind() { return application_->Kind(); }
  keydesk::Desk& Desk() { return *desk_; }
  // The port the listener took, once the window has started it.
  int Port() const { return application_->Context().Status.Get().Port; }
  std::string File(const std::string& name) const { return dir_.File(name); }

 private:
  TempDir dir_;
  SimEnvironment sim_{dir_.File("SimCard.txt"), dir_.File("trace.txt")};
  std::unique_ptr<Application> application_;
  SteadyTime time_{std::chrono::minutes(1)};
  std::unique_ptr<keydesk::Desk> desk_;
};

}  // namespace keydesk::test
