#include "core/service_status.h"

namespace keydesk {

void ServiceStatus::SetListener(Listener listener) {
  MutexLock lock(mutex_);
  listener_ = std::move(listener);
}

void ServiceStatus::Notify(Change change) {
  Listener listener;
  Snapshot snapshot;
  {
    MutexLock lock(mutex_);
    ++snapshot_.Version;
    // Every request passes here: the listener hears of the listener and the stores only.
    if (!listener_ || change == Change::Request) return;
    listener = listener_;
    snapshot = snapshot_;
  }
  // Outside the lock: the listener may read the status again.
  listener(change, snapshot);
}

void ServiceStatus::SetEncoder(std::string description, bool simulated, std::string library) {
  MutexLock lock(mutex_);
  ++snapshot_.Version;
  snapshot_.Encoder = std::move(description);
  snapshot_.EncoderLibrary = std::move(library);
  snapshot_.SimulatedEncoder = simulated;
}

void ServiceStatus::EncoderCalled(bool succeeded) {
  MutexLock lock(mutex_);
  if (succeeded && snapshot_.EncoderFailuresInARow == 0) return;
  ++snapshot_.Version;
  snapshot_.EncoderFailuresInARow = succeeded ? 0 : snapshot_.EncoderFailuresInARow + 1;
}

void ServiceStatus::EncoderStuck(std::string reason, std::chrono::steady_clock::time_point since) {
  {
    MutexLock lock(mutex_);
    if (snapshot_.EncoderStuck == reason && snapshot_.EncoderStuckSince == since) return;
    ++snapshot_.Version;
    snapshot_.EncoderStuck = std::move(reason);
    snapshot_.EncoderStuckSince = since;
  }
  Notify(Change::Encoder);
}

void ServiceStatus::EncoderAnswersAgain() {
  {
    MutexLock lock(mutex_);
    if (!snapshot_.EncoderStuck) return;
    ++snapshot_.Version;
    snapshot_.EncoderStuck.reset();
    snapshot_.EncoderStuckSince.reset();
  }
  Notify(Change::Encoder);
}

void ServiceStatus::EncoderBusy(std::string what) {
  MutexLock lock(mutex_);
  snapshot_.EncoderBusy = std::move(what);
  snapshot_.EncoderBusySince = std::chrono::steady_clock::now();
}

void ServiceStatus::EncoderIdle() {
  MutexLock lock(mutex_);
  snapshot_.EncoderBusy.clear();
}

void ServiceStatus::LogOverBudget(std::string warning) {
  {
    MutexLock lock(mutex_);
    if (snapshot_.LogOverBudget) return;
    ++snapshot_.Version;
    snapshot_.LogOverBudget = std::move(warning);
  }
  Notify(Change::StoreFailed);
}

void ServiceStatus::SetReach(std::string listenAddress, std::string openToAnyHost,
                             std::string openThrough) {
  MutexLock lock(mutex_);
  ++snapshot_.Version;
  snapshot_.ListenAddress = std::move(listenAddress);
  snapshot_.OpenToAnyHost = std::move(openToAnyHost);
  snapshot_.OpenThrough = std::move(openThrough);
}

void ServiceStatus::SetUnverifiedStoreServer(std::string server) {
  MutexLock lock(mutex_);
  ++snapshot_.Version;
  snapshot_.UnverifiedStoreServer = std::move(server);
}

void ServiceStatus::Listened(int port) {
  {
    MutexLock lock(mutex_);
    snapshot_.Listening = true;
    snapshot_.Port = port;
    snapshot_.NotListeningReason.clear();
  }
  Notify(Change::Listener);
}

void ServiceStatus::NotListening(int port, std::string reason) {
  {
    MutexLock lock(mutex_);
    snapshot_.Listening = false;
    snapshot_.Port = port;
    snapshot_.NotListeningReason = std::move(reason);
  }
  Notify(Change::Listener);
}

void ServiceStatus::Stopped() {
  {
    MutexLock lock(mutex_);
    snapshot_.Listening = false;
  }
  Notify(Change::Listener);
}

void ServiceStatus::ConnectionRefused(uint32_t host, ConnectionRefusal why) {
  {
    MutexLock lock(mutex_);
    ++snapshot_.Version;
    for (RefusedHosts& refused : snapshot_.Refused) {
      if (refused.Host == host && refused.Why == why) {
        ++refused.Count;
        return;
      }
    }
    if (snapshot_.Refused.size() >= kRefusedHostsKept) {
      ++snapshot_.RefusedElsewhere;
      return;
    }
    snapshot_.Refused.push_back({host, why, 1});
  }
  Notify(Change::Refused);
}

void ServiceStatus::RequestEnded(DateTime time, std::string type, bool answered,
                                 std::string result) {
  {
    MutexLock lock(mutex_);
    if (answered) ++snapshot_.Answered;
    snapshot_.Last = LastRequest{time, std::move(type), answered, std::move(result)};
  }
  Notify(Change::Request);
}

std::optional<std::string>& ServiceStatus::Failure(Store store) {
  switch (store) {
    case Store::Log:
      return snapshot_.LogFailure;
    case Store::Journal:
      return snapshot_.JournalFailure;
    case Store::AccessLog:
      break;
  }
  return snapshot_.AccessLogFailure;
}

void ServiceStatus::WriteFailed(Store store, std::string reason) {
  {
    MutexLock lock(mutex_);
    std::optional<std::string>& failure = Failure(store);
    if (failure) return;  // the episode goes on; it was told once
    failure = std::move(reason);
  }
  Notify(Change::StoreFailed);
}

void ServiceStatus::WriteSucceeded(Store store) {
  {
    MutexLock lock(mutex_);
    std::optional<std::string>& failure = Failure(store);
    if (!failure) return;
    failure.reset();
  }
  Notify(Change::StoreRecovered);
}

ServiceStatus::Snapshot ServiceStatus::Get() const {
  MutexLock lock(mutex_);
  return snapshot_;
}

}  // namespace keydesk
