#include "devices/simulated_hand.h"

#include <cstdint>
#include <filesystem>
#include <limits>

#include "platform/conversions.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

constexpr const char* kHandNoField = "HandNo";
constexpr const char* kLastHandNoField = "LastHandNo";

}  // namespace

SimulatedHand::SimulatedHand(const std::string& folder)
    : SimulatedDevice(PathInFolder(folder, kTraceFileName)),
      card_(PathInFolder(folder, kCardFileName)),
      serial_(PathInFolder(folder, kSerialFileName)) {}

bool SimulatedHand::OpenPort() {
  MutexLock lock(deviceMutex_);
  Trace("OpenPort");
  return true;
}

void SimulatedHand::Beep() {
  MutexLock lock(deviceMutex_);
  Trace("Beep");
}

bool SimulatedHand::ClosePort() {
  MutexLock lock(deviceMutex_);
  Trace("ClosePort");
  return true;
}

bool SimulatedHand::WriteCard(std::string& HandNo) {
  MutexLock lock(deviceMutex_);
  Trace("WriteCard");
  int64_t last = 0;
  if (const std::optional<FieldRecord> stored = serial_.Read()) {
    last = TryStrToInt64(stored->Get(kLastHandNoField)).value_or(0);
  }
  const int64_t next = last >= 0 && last < std::numeric_limits<int64_t>::max() ? last + 1 : 1;
  FieldRecord serial;
  serial.Set(kLastHandNoField, std::to_string(next));
  // Stored before the tag, so that a number is never handed out twice.
  if (!serial_.Write(serial)) return false;
  HandNo = std::to_string(next);
  FieldRecord tag;
  tag.Set(kHandNoField, HandNo);
  return card_.Write(tag);
}

bool SimulatedHand::ReadCard(std::string& HandNo) {
  MutexLock lock(deviceMutex_);
  Trace("ReadCard");
  const std::optional<FieldRecord> tag = card_.Read();
  const std::string* number = tag ? tag->Find(kHandNoField) : nullptr;
  if (number == nullptr) return false;
  HandNo = *number;
  return true;
}

bool SimulatedHand::EraseCard(std::string& HandNo) {
  MutexLock lock(deviceMutex_);
  Trace("EraseCard");
  const std::optional<FieldRecord> tag = card_.Read();
  const std::string* number = tag ? tag->Find(kHandNoField) : nullptr;
  if (number == nullptr) return false;
  HandNo = *number;
  return card_.Remove();
}

}  // namespace keydesk
