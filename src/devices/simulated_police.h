#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/base_police.h"
#include "devices/simulated_device.h"
#include "platform/profile_file.h"

namespace keydesk {

// A police registration system simulated with a profile file in a folder, so that the police
// kind can be run and tested without one. SimGuest.ini holds the guest on offer in its
// section [Guest], one key per TGuest field under the field's name (RoomNo, EnterTime,
// IdCardTypeID, IdCardNo, Name, Nationality, GenderID, SalutationID, CountryCode,
// ProvinceCode, Address, Birthday), values in code page 936; a missing key reads as empty.
// Without the file there is no guest. The file is read afresh at every GetGuest, so editing
// it changes the guest on offer while the program runs.
//
// Thread-safe. Callers read a returned record without a lock while other threads call
// GetGuest again, so a record, once returned, is never changed or freed before the device
// is: every distinct registration read is kept (under the device lock), and a registration
// read again returns the record kept for it.
class SimulatedPolice final : public TBasePolice, private SimulatedDevice {
 public:
  static constexpr const char* kGuestFileName = "SimGuest.ini";

  explicit SimulatedPolice(const std::string& folder);

  const TGuest* GetGuest() override;

 private:
  const ProfileFile file_;
  std::vector<std::unique_ptr<const TGuest>> guests_ GUARDED_BY(deviceMutex_);
};

}  // namespace keydesk
