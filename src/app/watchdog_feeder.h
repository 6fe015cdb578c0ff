#pragma once

#include <chrono>
#include <thread>

#include "platform/mutex.h"

namespace keydesk {

class InterfaceServer;
class ServiceStatus;

// Feeds the service manager's watchdog ("WATCHDOG=1" twice in each interval) while the
// listener takes connections and no call of the encoder's has been stuck for longer than the
// interval, so that a listener which stopped taking them, or an encoder that hangs, goes
// unfed and the manager restarts the service. Does nothing when the manager watches nothing.
class WatchdogFeeder {
 public:
  // server and status must outlive the feeder; server must not be stopped before it.
  WatchdogFeeder(const InterfaceServer& server, const ServiceStatus& status);
  // Stops feeding and waits for its thread.
  ~WatchdogFeeder();
  WatchdogFeeder(const WatchdogFeeder&) = delete;
  WatchdogFeeder& operator=(const WatchdogFeeder&) = delete;

 private:
  void Feed(std::chrono::microseconds interval);

  const InterfaceServer& server_;
  const ServiceStatus& status_;
  Mutex mutex_;
  CondVar stopped_;
  bool stopping_ GUARDED_BY(mutex_) = false;
  std::thread thread_;
};

}  // namespace keydesk
