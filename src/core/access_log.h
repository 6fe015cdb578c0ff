#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/connection_refusal.h"
#include "core/stamped_line_writer.h"
#include "platform/file_system.h"
#include "platform/socket.h"

namespace keydesk {

class Clock;
class LogRetention;
class ServiceStatus;

// Who asked what of the interface: one line per connection event in AccessYYYYMMDD.log beside
// the daily log (the day of the event), UTF-8, written whatever WriteLog says. A line is the
// time to the millisecond, the peer's address and port, the kind, the event and its fields:
//
//   2026-12-08 21:03:04.123 127.0.0.1:51234 doorlock request type="IssueCard" room="010208"
//     register="R0001" result="200" card="5301" ms=12      (one line in the file)
//   2026-12-08 21:03:05.002 127.0.0.2:40112 doorlock refused reason=not-allowed
//   2026-12-08 21:03:06.010 127.0.0.3:40200 doorlock closed reason=too-many-connections
//     ms=61234 for=127.0.0.1:51300                          (one line in the file)
//
// What the operator did at the desk stands among them with "desk" for the peer and the name
// of the user the operating system says is logged on:
//
//   2026-12-08 21:04:00.500 desk doorlock password result=wrong failures=2 wait=2 user="clerk"
//   2026-12-08 21:04:09.000 desk doorlock password result=changed saved=yes user="clerk"
//   2026-12-08 21:04:30.000 desk doorlock setting section="Network" key="AllowedHosts"
//     old="127.0.0.1" new="127.0.0.1, 10.0.0.5" user="clerk"  (one line in the file)
//
// Every text field is quoted, and a control character, NUL, backslash, double quote or byte
// that is no code page 936 character inside it is written as \xNN (a backslash as \\), so
// that no request can forge a line or a field.
//
// Thread-safe; lines are written in groups as the daily log's are.
class AccessLog {
 public:
  using Refusal = ConnectionRefusal;

  // What one request came to; the texts are code page 936, as the request gave them.
  struct Request {
    std::string_view Type;
    std::string_view RoomKey;
    std::string_view RegisterId;
    std::string_view ResultCode;
    std::string_view CardNo;
    bool Answered = false;
    bool ClientGone = false;  // not answered because the client had gone: answered=client-gone
    std::string_view Error;   // why it ended without a response, if it raised an error
    std::chrono::milliseconds Taken{0};  // from the request's NUL to the response sent
  };

  // kind names the interface kind in every line. Without enabled nothing is written. clock,
  // files, status and retention (both may be null) must outlive the log.
  AccessLog(std::string folder, std::string kind, bool enabled, const Clock& clock,
            const FileSystem& files = RealFileSystem(), ServiceStatus* status = nullptr,
            LogRetention* retention = nullptr);

  static std::string FileName(std::string_view folder, DateTime day);

  // more: refusals of the same host left out since its last line (see TcpListener).
  void Refused(const Ipv4Endpoint& peer, Refusal why, int more = 0);
  void Served(const Ipv4Endpoint& peer, const Request& request);
  // A request that did not arrive whole within its time limit (idle: none had begun).
  void TimedOut(const Ipv4Endpoint& peer, bool idle, std::chrono::milliseconds waited);
  // A connection waiting for a request, closed after waited so that newcomer could be taken
  // in although the cap was reached.
  void ClosedForRoom(const Ipv4Endpoint& peer, Refusal cap, std::chrono::milliseconds waited,
                     const Ipv4Endpoint& newcomer);
  // A request longer than the longest one allowed.
  void Oversized(const Ipv4Endpoint& peer, size_t bytes);

  // A key saved at the desk, its values as the file holds them (code page 936).
  struct SettingChange {
    std::string_view Section;
    std::string_view Key;
    std::string_view Old;
    std::string_view New;
    bool Hidden = false;  // a password's: its values are left out (value=hidden)
  };

  // The operator's doings, with user the operating system's name (code page 936) for who is
  // logged on. A wrong administrator password, the failures-th in a row, and the wait it
  // starts; a password is never written, only the fact.
  void PasswordRefused(std::string_view user, int failures, std::chrono::seconds wait);
  // The administrator password changed; saved: whether Option.ini holds it.
  void PasswordChanged(std::string_view user, bool saved);
  void SettingChanged(std::string_view user, const SettingChange& change);

  // A value as this log writes it: quoted, UTF-8, with the escapes above.
  static std::string Quoted(std::string_view ansi);

 private:
  static void AppendQuoted(std::string& out, std::string_view ansi);
  void Write(const Ipv4Endpoint& peer, std::string_view event);
  // who: the peer's address and port, or "desk".
  void Write(std::string_view who, std::string_view event);

  const std::string kind_;
  const bool enabled_;
  StampedLineWriter writer_;
};

}  // namespace keydesk
