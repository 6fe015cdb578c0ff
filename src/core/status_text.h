#pragma once

#include <string>

#include "core/service_status.h"

namespace keydesk {

// What the front ends show of the service status, in code page 936, so that every front end
// (and --headless) says the same.

// Listening, and on which address and port; or not, and why.
std::string ListenerStatusText(const ServiceStatus::Snapshot& status);
// Whether the listener's state is an alarm: it failed to listen, so no PMS is served.
bool ListenerAlarm(const ServiceStatus::Snapshot& status);
// The encoder in use; the simulator is named as such, so that no desk mistakes it for the
// real encoder.
// After kEncoderAlarmFailures card operations in a row that the encoder did not carry out,
// it says so and what to check.
std::string EncoderStatusText(const ServiceStatus::Snapshot& status);
// Whether the encoder's state is an alarm: it has not carried out the last few card
// operations, so cards are probably not being made.
inline constexpr int kEncoderAlarmFailures = 3;
bool EncoderAlarm(const ServiceStatus::Snapshot& status);
// Requests answered since start, and the last request's time, type and result.
std::string RequestStatusText(const ServiceStatus::Snapshot& status);
// The warning while the log, the journal or the access log cannot be written; empty while all
// can.
std::string StoreWarningText(const ServiceStatus::Snapshot& status);
// The standing warning while any host on the network may connect: no allowed hosts, "any" or
// a range wider than a /8; empty otherwise.
std::string AccessWarningText(const ServiceStatus::Snapshot& status);
// Why connections were refused, UTF-8: "不在允许的主机中".
const char* RefusalReasonText(ConnectionRefusal why);
// One host's refusals for one reason: "拒绝了 127.0.0.2 的 3 次连接：不在允许的主机中".
std::string RefusedHostsText(const ServiceStatus::RefusedHosts& refused);
// The connections refused since start, the hosts refused most first and the rest summed up;
// empty while none was.
std::string RefusalText(const ServiceStatus::Snapshot& status);
// The standing warning while the record store's server is reached without verifying its
// certificate ([Store] VerifyServer=0); empty otherwise.
std::string UnverifiedStoreWarningText(const ServiceStatus::Snapshot& status);
// Every warning the operator must see at a glance: the access warnings, the store warning and
// the connections refused.
std::string WarningText(const ServiceStatus::Snapshot& status);

}  // namespace keydesk
