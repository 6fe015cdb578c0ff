#pragma once

#include <fstream>
#include <memory>
#include <string>

#include "app/application.h"
#include "core/sys_option.h"
#include "kinds/kind_registry.h"
#include "sim_environment.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"

namespace keydesk::test {

// The real start-up objects in a fresh folder for an interface kind (door lock unless
// given): Option.ini listening on a port the system chooses (or the one given), Client.mdb,
// the simulated encoder with its files in the folder, and the kind's device unless told not
// to. extraOptions is added to Option.ini as it stands.
class TestApplication {
 public:
  explicit TestApplication(int port = 0, int kind = kDoorlockKind, bool installDevice = true,
                           const std::string& extraOptions = "") {
    TSysOption sysOption(dir_.File("Option.ini"));
    *sysOption.PortField(*FindInterfaceKind(kind)->Port) = port;
    sysOption.Save();
    std::ofstream(dir_.File("Option.ini"), std::ios::app | std::ios::binary) << extraOptions;
    std::string error;
    TDoorlockRecordManager::CreateDatabase(dir_.File(TDoorlockRecordManager::kFileName), error);
    StartupSettings settings;
    settings.Folder = dir_.Path().string();
    settings.CardLibraryPath = kCardLibraryPath;
    settings.InterfaceKind = kind;
    settings.InstallDevice = installDevice;
    application_ = std::make_unique<Application>(std::move(settings));
  }

  Application& App() { return *application_; }
  const ServiceContext& Context() const { return application_->Context(); }
  keydesk::Kind& Kind() { return application_->Kind(); }
  std::string File(const std::string& name) const { return dir_.File(name); }
  // The port the listener took, or was to take.
  uint16_t Port() const { return static_cast<uint16_t>(Context().Status.Get().Port); }

 private:
  TempDir dir_;
  SimEnvironment sim_{dir_.File("SimCard.txt"), dir_.File("trace.txt")};
  std::unique_ptr<Application> application_;
};

}  // namespace keydesk::test
