#include "devices/simulated_member.h"

#include <filesystem>

#include "platform/conversions.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

constexpr const char* kCardNoField = "CardNo";
constexpr const char* kGuestNameField = "GuestName";
constexpr const char* kPasswordField = "Password";
constexpr const char* kExpireDateField = "ExpireDate";
constexpr const char* kScoreField = "Score";
constexpr const char* kChannelField = "Channel";

}  // namespace

SimulatedMember::SimulatedMember(const std::string& folder)
    : SimulatedDevice(PathInFolder(folder, kTraceFileName)),
      card_(PathInFolder(folder, kCardFileName)),
      printPath_(PathInFolder(folder, kPrintFileName)) {}

bool SimulatedMember::OpenPort() {
  MutexLock lock(deviceMutex_);
  Trace("OpenPort");
  return true;
}

bool SimulatedMember::ClosePort() {
  MutexLock lock(deviceMutex_);
  Trace("ClosePort");
  return true;
}

void SimulatedMember::Beep() {
  MutexLock lock(deviceMutex_);
  Trace("Beep");
}

bool SimulatedMember::WriteCard(const std::string& CardNo, const std::string& Text2,
                                const std::string& Text3, const std::string& Text4,
                                int32_t Channel) {
  MutexLock lock(deviceMutex_);
  Trace("WriteCard " + std::to_string(Channel));
  FieldRecord card;
  card.Set(kCardNoField, CardNo);
  card.Set(kGuestNameField, Text2);
  card.Set(kPasswordField, Text3);
  card.Set(kExpireDateField, Text4);
  card.Set(kScoreField, "0");
  card.Set(kChannelField, std::to_string(Channel));
  return card_.Write(card);
}

bool SimulatedMember::ReadCard(bool Flag, std::string& CardNo, std::string& Password,
                               std::string& ExpireDate, std::string& GuestName, std::string& Score,
                               int32_t Channel) {
  MutexLock lock(deviceMutex_);
  Trace("ReadCard " + std::string(Flag ? "1" : "0") + " " + std::to_string(Channel));
  const std::optional<FieldRecord> card = card_.Read();
  if (!card || card->Find(kCardNoField) == nullptr) return false;
  CardNo = card->Get(kCardNoField);
  // A card without a channel is taken for the hotel's own card.
  const int32_t cardChannel = TryStrToInt(card->Get(kChannelField)).value_or(kHotelChannel);
  if (cardChannel != Channel) return false;
  Password = card->Get(kPasswordField);
  ExpireDate = card->Get(kExpireDateField);
  GuestName = card->Get(kGuestNameField);
  Score = card->Get(kScoreField);
  return true;
}

bool SimulatedMember::PrintCard(const std::string& CardNo, const std::string& PrintText) {
  MutexLock lock(deviceMutex_);
  Trace("PrintCard");
  return AppendToFile(printPath_, "CardNo " + CardNo + "\r\n" + PrintText + "\r\n");
}

}  // namespace keydesk
