#pragma once

#include <atomic>
#include <mutex>

namespace keydesk {

class Clock;
class SharedOption;
class TBaseDoorlock;
class TBaseHand;
class TBaseMember;
class TBasePolice;
class TDoorlockRecordManager;
class TLogFile;
class TSysOption;

// The process-wide objects that handlers, the intake and the user interface share. Created
// once by start-up and handed to whoever needs them, instead of hidden globals.
//
// The referenced objects state their own thread-safety. The installed device references are
// atomic because start-up installs them while nothing else runs yet but the user interface
// and connection threads read them later; KeepConnection is written by one connection's
// thread and read by all others.
struct AppContext {
  AppContext(TSysOption& sysOption, SharedOption& option, TLogFile& log,
             TDoorlockRecordManager& recordStore, const Clock& localClock)
      : SysOption(sysOption),
        Option(option),
        Log(log),
        RecordStore(recordStore),
        LocalClock(localClock) {}

  TSysOption& SysOption;
  SharedOption& Option;
  TLogFile& Log;
  TDoorlockRecordManager& RecordStore;
  const Clock& LocalClock;

  // 1 door lock, 2 police, 3 member card, 4 hand tag; fixed at start-up.
  int InterfaceKind = 1;
  std::atomic<TBaseDoorlock*> Doorlock{nullptr};
  std::atomic<TBaseHand*> Hand{nullptr};
  std::atomic<TBaseMember*> Member{nullptr};
  std::atomic<TBasePolice*> Police{nullptr};
  std::atomic<bool> KeepConnection{false};

  // Serialises the part of a card issue that reads and then writes a room's last check-in
  // time, so two cards for one room at the same moment cannot interleave their store calls.
  std::mutex RoomTimeMutex;
};

}  // namespace keydesk
