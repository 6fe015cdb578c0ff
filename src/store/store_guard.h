#pragma once

#include <functional>
#include <string>

namespace keydesk {

class ServiceStatus;
class TLogFile;

// Runs one store operation so that no error leaves it: the error's message is written to the
// log as a line of its own, and the service status hears whether the operation failed, so
// that the operator sees the journal warning while the store cannot be written.
//
// Thread-safe, as the log and the status are.
class StoreGuard {
 public:
  // status may be null: nobody is told.
  StoreGuard(TLogFile& log, ServiceStatus* status) : log_(log), status_(status) {}

  // True when body raised nothing; otherwise the error's message in *failure when given.
  // report false keeps the status out of it (start-up, when the store may not be used at all).
  bool Run(const std::function<void()>& body, bool report = true,
           std::string* failure = nullptr) const noexcept;

 private:
  TLogFile& log_;
  ServiceStatus* const status_;
};

}  // namespace keydesk
