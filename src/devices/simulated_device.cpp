#include "devices/simulated_device.h"

#include "platform/field_file.h"

namespace keydesk {

SimulatedDevice::SimulatedDevice(std::string tracePath) : tracePath_(std::move(tracePath)) {}

void SimulatedDevice::Trace(std::string_view line) {
  if (tracePath_.empty()) return;
  AppendToFile(tracePath_, std::string(line) + "\r\n");
}

}  // namespace keydesk
