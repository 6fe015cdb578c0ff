#include "devices/simulated_device.h"

#include "platform/field_file.h"

namespace keydesk {

SimulatedDevice::SimulatedDevice(std::string tracePath, std::function<void()> showOptions)
    : tracePath_(std::move(tracePath)), showOptions_(std::move(showOptions)) {}

void SimulatedDevice::ShowDeviceOptions() const {
  if (showOptions_) showOptions_();
}

void SimulatedDevice::Trace(std::string_view line) {
  if (tracePath_.empty()) return;
  AppendToFile(tracePath_, std::string(line) + "\r\n");
}

}  // namespace keydesk
