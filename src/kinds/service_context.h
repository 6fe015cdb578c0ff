#pragma once

namespace keydesk {

class Clock;
class ServiceStatus;
class SharedOption;
class TDoorlockRecordManager;
class TLogFile;
class TSysOption;

// The process-wide objects that the kinds' handlers and test operations share. Created once
// by start-up and handed to whoever needs them, instead of hidden globals. The referenced
// objects state their own thread-safety.
struct ServiceContext {
  TSysOption& SysOption;
  SharedOption& Option;  // the door lock options
  TLogFile& Log;
  TDoorlockRecordManager& RecordStore;
  const Clock& LocalClock;
  ServiceStatus& Status;  // what the operator sees of the running service
};

}  // namespace keydesk
