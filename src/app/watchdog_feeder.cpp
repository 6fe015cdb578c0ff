#include "app/watchdog_feeder.h"

#include "app/interface_server.h"
#include "core/service_status.h"
#include "platform/service_notify.h"

namespace keydesk {

namespace {

// Whether a call of the encoder's has been stuck for longer than limit.
bool StuckLonger(const ServiceStatus& status, std::chrono::milliseconds limit) {
  const auto since = status.Get().EncoderStuckSince;
  return since && std::chrono::steady_clock::now() - *since > limit;
}

}  // namespace

WatchdogFeeder::WatchdogFeeder(const InterfaceServer& server, const ServiceStatus& status)
    : server_(server), status_(status) {
  if (const auto interval = ServiceWatchdogInterval()) {
    thread_ = std::thread([this, interval = *interval] { Feed(interval); });
  }
}

WatchdogFeeder::~WatchdogFeeder() {
  {
    MutexLock lock(mutex_);
    stopping_ = true;
  }
  stopped_.SignalAll();
  if (thread_.joinable()) thread_.join();
}

void WatchdogFeeder::Feed(std::chrono::microseconds interval) {
  const auto limit = std::chrono::duration_cast<std::chrono::milliseconds>(interval);
  MutexLock lock(mutex_);
  while (!stopping_) {
    if (server_.Accepting(limit) && !StuckLonger(status_, limit)) {
      NotifyServiceManager("WATCHDOG=1");
    }
    const auto next = std::chrono::steady_clock::now() + interval / 2;
    while (!stopping_ && stopped_.WaitUntil(mutex_, next)) {
    }
  }
}

}  // namespace keydesk
