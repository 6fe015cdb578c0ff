#include "devices/simulated_police.h"

#include <array>

#include "platform/new_file.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

constexpr const char* kSection = "Guest";

// The keys of [Guest], in the record's order.
struct GuestKey {
  const char* Name;
  std::string TGuest::*Field;
};

constexpr std::array<GuestKey, 12> kKeys = {{
    {"RoomNo", &TGuest::RoomNo},
    {"EnterTime", &TGuest::EnterTime},
    {"IdCardTypeID", &TGuest::IdCardTypeID},
    {"IdCardNo", &TGuest::IdCardNo},
    {"Name", &TGuest::Name},
    {"Nationality", &TGuest::Nationality},
    {"GenderID", &TGuest::GenderID},
    {"SalutationID", &TGuest::SalutationID},
    {"CountryCode", &TGuest::CountryCode},
    {"ProvinceCode", &TGuest::ProvinceCode},
    {"Address", &TGuest::Address},
    {"Birthday", &TGuest::Birthday},
}};

}  // namespace

SimulatedPolice::SimulatedPolice(const std::string& folder)
    : SimulatedDevice({}), file_(PathInFolder(folder, kGuestFileName)) {}

const TGuest* SimulatedPolice::GetGuest() {
  // Only a plain file: reading a pipe put in its place would block the request.
  std::string reason;
  if (ExaminePath(file_.Path(), &reason) != PathState::File) return nullptr;
  std::vector<std::string_view> names;
  for (const GuestKey& key : kKeys) names.push_back(key.Name);
  // One reading of the file, so a registration being replaced never mixes two guests.
  const std::optional<std::vector<std::string>> values = file_.ReadStrings(kSection, names, "");
  if (!values) return nullptr;
  TGuest guest;
  for (size_t i = 0; i < kKeys.size(); ++i) guest.*kKeys[i].Field = (*values)[i];

  MutexLock lock(deviceMutex_);
  for (const auto& kept : guests_) {
    if (*kept == guest) return kept.get();
  }
  guests_.push_back(std::make_unique<const TGuest>(std::move(guest)));
  return guests_.back().get();
}

}  // namespace keydesk
