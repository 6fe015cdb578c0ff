#include "store/record_store.h"

#include <utility>

namespace keydesk {
namespace {

class UnheldRoom final : public RoomTimes {
 public:
  UnheldRoom(RecordStore& store, std::string roomNo) : store_(store), roomNo_(std::move(roomNo)) {}

  DateTime GetLastCheckInTime() override { return store_.GetLastCheckInTime(roomNo_); }
  void SetLastCheckInTime(DateTime time) override { store_.SetLastCheckInTime(roomNo_, time); }
  void AddRoom(DateTime time) override { store_.AddRoom(roomNo_, time); }

 private:
  RecordStore& store_;
  const std::string roomNo_;
};

}  // namespace

std::unique_ptr<RoomTimes> UnheldRoomTimes(RecordStore& store, std::string RoomNo) {
  return std::make_unique<UnheldRoom>(store, std::move(RoomNo));
}

}  // namespace keydesk
