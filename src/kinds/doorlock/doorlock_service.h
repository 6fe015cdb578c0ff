#pragma once

#include <atomic>
#include <memory>

#include "doorlock/encoder_access.h"
#include "kinds/service_context.h"
#include "platform/mutex.h"

namespace keydesk {

class TBaseDoorlock;

// What door lock requests and the door lock test dialog share: the process-wide objects,
// the installed driver, KeepConnection and the lock of the room-time rule.
//
// Thread-safe: the driver states its own thread-safety; KeepConnection is written by one
// connection's thread and read by all others.
struct DoorlockService {
  // Defined where the options are known: the encoder's call limit is one of them.
  DoorlockService(const ServiceContext& context, TBaseDoorlock* doorlock);
  DoorlockService(const DoorlockService&) = delete;
  DoorlockService& operator=(const DoorlockService&) = delete;

  const ServiceContext Context;
  // The installed driver, for the whole run; null when started without one.
  TBaseDoorlock* const Doorlock;
  // The way to the driver: turns, deadlines and the call limit. Null without a driver.
  const std::unique_ptr<EncoderAccess> Encoder;
  // Set by an IssueCard request with a twelfth field; keeps every door lock connection open
  // after its request, from any client, until a later IssueCard clears it.
  std::atomic<bool> KeepConnection{false};
  // Serialises the part of a card issue that reads and then writes a room's last check-in
  // time, so two cards for one room at the same moment cannot interleave their store calls.
  Mutex RoomTimeMutex;
};

}  // namespace keydesk
