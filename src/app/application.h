#pragma once

#include <functional>
#include <memory>
#include <string>

#include "kinds/service_context.h"
#include "core/log_file.h"
#include "core/sys_option.h"
#include "doorlock/option.h"
#include "platform/clock.h"
#include "store/doorlock_record_manager.h"

namespace keydesk {

class DrevanLibrary;
class SimulatedHand;
class SimulatedMember;
class SimulatedPolice;
class TDrevanLiftDoorlock;

struct StartupSettings {
  std::string Folder;  // stands in for the executable's folder
  int InterfaceKind = 1;
  // Install the kind's device: the door lock driver for 1, a simulated device keeping its
  // files in Folder for 2 to 4.
  bool InstallDevice = true;
  std::string CardLibraryPath;                // the vendor card library to load
  std::function<void()> ShowDoorlockOptions;  // opens the door lock options dialog, if any
  // Opens the options dialog of the simulated device of kinds 2 to 4, if any.
  std::function<void()> ShowDeviceOptions;
};

// The process-wide objects in start-up order: door lock options, system options, log,
// record store; then the card library and the kind's device: the door lock driver, its port
// opened, or the simulated hand-tag, member-card or police device. Members are freed in
// reverse order on every path, also when a later step of start-up raises.
//
// Created, shut down and destroyed on the main thread; what it owns is shared with
// connection threads through Context(), each object stating its own thread-safety.
class Application {
 public:
  // Raises LibraryError when the card library or one of its functions is missing.
  explicit Application(StartupSettings settings);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  AppContext& Context() { return context_; }
  const StartupSettings& Settings() const { return settings_; }

  // The orderly end after the window has closed: closes the driver's port. Skipped when the
  // run ends with an error.
  void Shutdown();

 private:
  StartupSettings settings_;
  SystemClock clock_;
  SharedOption option_;
  TSysOption sysOption_;
  TLogFile log_;
  TDoorlockRecordManager recordStore_;
  AppContext context_;
  std::unique_ptr<DrevanLibrary> library_;
  std::unique_ptr<TDrevanLiftDoorlock> doorlock_;
  std::unique_ptr<SimulatedHand> hand_;
  std::unique_ptr<SimulatedMember> member_;
  std::unique_ptr<SimulatedPolice> police_;
};

}  // namespace keydesk
