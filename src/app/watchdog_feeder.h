#pragma once

#include <chrono>
#include <thread>

#include "platform/mutex.h"

namespace keydesk {

class InterfaceServer;

// Feeds the service manager's watchdog ("WATCHDOG=1" twice in each interval) while the
// listener takes connections, so that a listener which stopped taking them goes unfed and the
// manager restarts the service. Does nothing when the manager watches nothing.
class WatchdogFeeder {
 public:
  // server must outlive the feeder, and must not be stopped before the feeder is.
  explicit WatchdogFeeder(const InterfaceServer& server);
  // Stops feeding and waits for its thread.
  ~WatchdogFeeder();
  WatchdogFeeder(const WatchdogFeeder&) = delete;
  WatchdogFeeder& operator=(const WatchdogFeeder&) = delete;

 private:
  void Feed(std::chrono::microseconds interval);

  const InterfaceServer& server_;
  Mutex mutex_;
  CondVar stopped_;
  bool stopping_ GUARDED_BY(mutex_) = false;
  std::thread thread_;
};

}  // namespace keydesk
