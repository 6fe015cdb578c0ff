#pragma once

#include <functional>
#include <string>

#include "doorlock/base_doorlock.h"
#include "platform/mutex.h"

namespace keydesk {

class DrevanLibrary;
class SharedOption;
class TLogFile;
struct TOption;

// The door lock driver for the lift-capable lock model: writes and reads the guest-room,
// lift and power-switch blocks of a guest card through the vendor's card library, taking
// its settings afresh from the door lock options at every call and logging every step.
//
// Thread-safe: the encoder is one serial device, so card operations and beeps are
// serialised by deviceMutex_.
class TDrevanLiftDoorlock final : public TBaseDoorlock {
 public:
  // The smallest lift floor buffer handed to Read_Guest_Lift, whatever the options say:
  // the options do not bound what the library writes there.
  static constexpr int kMinLiftDataCapacity = 512;

  TDrevanLiftDoorlock(const DrevanLibrary& library, const SharedOption& option, TLogFile& log);

  bool OpenPort() override;
  void Beep() override;
  bool ClosePort() override;
  bool WriteCard(const std::string& RegisterId, const std::string& RoomBuildingCode,
                 const std::string& RoomFloorCode, const std::string& RoomNo,
                 const std::string& GuestName, DateTime BeginDate, DateTime BeginTime,
                 DateTime EndDate, DateTime EndTime, bool IsCopy, int64_t& CardNo) override;
  // Stops before anything is written when the start stamp does not fit the card, or
  // Report.BeforeWrite says so. A card whose later block failed, or that read back other than
  // written (VerifyAfterWrite), gets its guest-room block written again with a validity in
  // 2000, so that it opens no door, and read back to see that it did.
  bool WriteCardReported(const std::string& RegisterId, const std::string& RoomBuildingCode,
                         const std::string& RoomFloorCode, const std::string& RoomNo,
                         const std::string& GuestName, DateTime BeginDate, DateTime BeginTime,
                         DateTime EndDate, DateTime EndTime, bool IsCopy, int64_t& CardNo,
                         TWriteReport& Report) override;
  bool ReadCard(int64_t& CardNo) override;
  bool EraseCard() override;
  bool ReadCardDetails(int64_t& CardNo, TCardDetails& Details) override;

  // The capacity, in characters, of the lift floor buffer for these options.
  static int LiftDataCapacity(const TOption& option);

 private:
  void BeepLocked(const TOption& option) REQUIRES(deviceMutex_);
  // Writes the card's guest-room block again with a validity long ended and reads it back:
  // whether the card now holds that.
  // line receives what the log is to say of it.
  bool VoidGuestRoomBlock(const TOption& option, int32_t cardNo, const std::string& RoomNo,
                          std::string& line) REQUIRES(deviceMutex_);

  const DrevanLibrary& library_;
  const SharedOption& option_;
  TLogFile& log_;
  Mutex deviceMutex_;  // serialises every call into the card library
};

}  // namespace keydesk
