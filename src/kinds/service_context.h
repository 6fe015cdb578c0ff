#pragma once

namespace keydesk {

class AccessLog;
class Clock;
struct NetworkOption;
class ServiceStatus;
class RecordStore;
class SharedOption;
class TLogFile;
class TSysOption;

// The process-wide objects that the kinds' handlers and test operations, and the interface
// server, share. Created once by start-up and handed to whoever needs them, instead of hidden
// globals. The referenced objects state their own thread-safety.
struct ServiceContext {
  TSysOption& SysOption;
  SharedOption& Option;  // the door lock options
  TLogFile& Log;
  keydesk::RecordStore& RecordStore;  // Client.mdb, or the store several desks share
  const Clock& LocalClock;
  ServiceStatus& Status;         // what the operator sees of the running service
  const NetworkOption& Network;  // who may connect, and for how long
  AccessLog& Access;             // who asked what
};

}  // namespace keydesk
