#pragma once

#include <string>
#include <string_view>

#include "platform/mutex.h"

namespace keydesk {

// What the simulated devices share: one lock that serialises every operation (each device keeps its
// state in files that two operations at once would leave inconsistent), and a trace file with one
// line per operation called, for tests and demonstrations.
//
// Thread-safe.
class SimulatedDevice {
 public:
  // tracePath: the trace file, or empty for a device that keeps no trace.
  explicit SimulatedDevice(std::string tracePath);

 protected:
  // Appends one line; a line that cannot be written is lost and the operation goes on.
  void Trace(std::string_view line) REQUIRES(deviceMutex_);

  Mutex deviceMutex_;

 private:
  const std::string tracePath_;
};

}  // namespace keydesk
