#pragma once

#include <functional>
#include <string>

#include "devices/base_hand.h"
#include "devices/simulated_device.h"
#include "platform/field_file.h"

namespace keydesk {

// A hand-tag encoder simulated with files in a folder, so that the hand-tag kind can be run
// and tested without hardware. Files (see FieldFile for the format, texts code page 936):
//   SimHand.txt        the tag lying on the encoder, field HandNo; absent: no tag
//   SimHandSerial.txt  field LastHandNo, the last number handed out
//   SimHandTrace.txt   one line per operation called, for tests and demonstrations
// Writing hands out the next number (1, 2, ...) and stores it before the tag, so numbers
// keep increasing across runs. The port is not simulated: opening and closing succeed and
// change nothing.
//
// Thread-safe: every operation runs under the device lock.
class SimulatedHand final : public TBaseHand, private SimulatedDevice {
 public:
  static constexpr const char* kCardFileName = "SimHand.txt";
  static constexpr const char* kSerialFileName = "SimHandSerial.txt";
  static constexpr const char* kTraceFileName = "SimHandTrace.txt";

  explicit SimulatedHand(const std::string& folder);

  bool OpenPort() override;
  void Beep() override;
  bool ClosePort() override;
  // False when the number or the tag cannot be stored; HandNo then holds the number tried,
  // if one was handed out.
  bool WriteCard(std::string& HandNo) override;
  // False when no tag lies on the encoder.
  bool ReadCard(std::string& HandNo) override;
  // Removes the tag and gives the number it carried; false when there is none.
  bool EraseCard(std::string& HandNo) override;

 private:
  const FieldFile card_;
  const FieldFile serial_;
};

}  // namespace keydesk
