#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/store_choice.h"
#include "core/access_log.h"
#include "core/log_file.h"
#include "core/log_retention.h"
#include "core/network_option.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "doorlock/option.h"
#include "kinds/service_context.h"
#include "platform/clock.h"
#include "store/record_store.h"

namespace keydesk {

class DrevanLibrary;
class Kind;

struct StartupSettings {
  std::string Folder;  // stands in for the executable's folder
  int InterfaceKind = 1;
  // Install the kind's device: the door lock driver for 1, a simulated device keeping its
  // files in Folder for 2 to 4.
  bool InstallDevice = true;
  std::string CardLibraryPath;  // the vendor card library to load
};

// The process-wide objects in start-up order: door lock options, system options, the network
// options, log and access log, record store (the one [Store] of Option.ini chooses); then the
// card library and the interface
// kind with its device: the door lock driver, its port opened, or the simulated hand-tag,
// member-card or police device. Members are freed in reverse order on every path, also when a later
// step of start-up raises.
//
// Created, shut down and destroyed on the main thread; what it owns is shared with
// connection threads through Context() and Kind(), each object stating its own
// thread-safety.
class Application {
 public:
  // Raises LibraryError when the card library or one of its functions is missing, and Error
  // for a number that is no interface kind, a network option that cannot be read or a record
  // store that cannot be had.
  explicit Application(StartupSettings settings);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  const ServiceContext& Context() const { return context_; }
  keydesk::Kind& Kind() { return *kind_; }
  const StartupSettings& Settings() const { return settings_; }

  // The orderly end after the window has closed: closes the device. Skipped when the run
  // ends with an error.
  void Shutdown();

 private:
  StartupSettings settings_;
  SystemClock clock_;
  ServiceStatus status_;
  SharedOption option_;
  TSysOption sysOption_;
  const NetworkOption network_;
  const std::string logFileName_;  // the day's log, named once for the whole run
  LogRetention retention_;
  TLogFile log_;
  AccessLog access_;
  const StoreChoice storeChoice_;
  const std::unique_ptr<RecordStore> recordStore_;
  const ServiceContext context_;
  std::unique_ptr<DrevanLibrary> library_;
  std::unique_ptr<keydesk::Kind> kind_;
};

}  // namespace keydesk
