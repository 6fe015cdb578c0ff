#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "doorlock/base_doorlock.h"
#include "fakes/call_count.h"
#include "platform/date_time.h"

namespace keydesk::test {

// The arguments of one WriteCard call.
struct DoorlockWrite {
  std::string registerId, roomBuildingCode, roomFloorCode, roomNo, guestName;
  DateTime beginDate, beginTime, endDate, endTime;
  bool isCopy = false;
};

// A door lock driver that answers as told: each operation returns its result, WriteCard
// leaves cardNo in CardNo, and ReadCard leaves readNo there (or CardNo as it came when
// readNo is empty), whatever the result. It records each call's name in order, and every
// write with its arguments. A reported write names the card first (BeforeWrite, which may
// stop it), runs duringWrite, and reports what report says; a read with details gives
// readDetails. Not thread-safe: for tests that call it from one thread.
class FakeDoorlock final : public TBaseDoorlock {
 public:
  bool OpenPort() override { return calls.push_back("OpenPort"), portResult; }
  void Beep() override { calls.push_back("Beep"); }
  bool ClosePort() override { return calls.push_back("ClosePort"), portResult; }
  bool WriteCard(const std::string& RegisterId, const std::string& RoomBuildingCode,
                 const std::string& RoomFloorCode, const std::string& RoomNo,
                 const std::string& GuestName, DateTime BeginDate, DateTime BeginTime,
                 DateTime EndDate, DateTime EndTime, bool IsCopy, int64_t& CardNo) override {
    calls.push_back("WriteCard");
    writes.push_back({RegisterId, RoomBuildingCode, RoomFloorCode, RoomNo, GuestName, BeginDate,
                      BeginTime, EndDate, EndTime, IsCopy});
    CardNo = cardNo;
    return writeResult;
  }
  bool WriteCardReported(const std::string& RegisterId, const std::string& RoomBuildingCode,
                         const std::string& RoomFloorCode, const std::string& RoomNo,
                         const std::string& GuestName, DateTime BeginDate, DateTime BeginTime,
                         DateTime EndDate, DateTime EndTime, bool IsCopy, int64_t& CardNo,
                         TWriteReport& Report) override {
    CardNo = cardNo;
    if (Report.BeforeWrite && !Report.BeforeWrite(CardNo)) return false;
    if (duringWrite) duringWrite();
    const bool written = WriteCard(RegisterId, RoomBuildingCode, RoomFloorCode, RoomNo, GuestName,
                                   BeginDate, BeginTime, EndDate, EndTime, IsCopy, CardNo);
    Report.Failure = report.Failure;
    Report.CardLeft = report.CardLeft;
    Report.Voided = report.Voided;
    return written;
  }
  bool ReadCardDetails(int64_t& CardNo, TCardDetails& Details) override {
    Details = readDetails;
    return ReadCard(CardNo);
  }
  bool ReadCard(int64_t& CardNo) override {
    calls.push_back("ReadCard");
    if (readNo) CardNo = *readNo;
    return readResult;
  }
  bool EraseCard() override { return calls.push_back("EraseCard"), eraseResult; }

  int Count(std::string_view operation) const { return CallCount(calls, operation); }

  int64_t cardNo = 5301;
  std::optional<int64_t> readNo = 5301;
  bool portResult = true;  // OpenPort and ClosePort
  bool writeResult = true;
  bool readResult = true;
  bool eraseResult = true;
  TWriteReport report;  // what a reported write says besides its result
  std::function<void()> duringWrite;
  TCardDetails readDetails;  // what a read with details gives
  std::vector<std::string> calls;
  std::vector<DoorlockWrite> writes;
};

}  // namespace keydesk::test
