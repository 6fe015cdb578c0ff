#include "core/access_log.h"

#include <array>

#include "core/ipv4.h"
#include "core/service_status.h"
#include "platform/code_page.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

// Where the peer's address stands in a line of what the operator did at the desk.
constexpr std::string_view kDesk = "desk";

constexpr std::array<const char*, 5> kRefusals = {
    "not-allowed", "too-many-connections", "too-many-from-host", "no-descriptor", "no-thread"};

// Bytes written as themselves between the quotes: printable ASCII but the escape and the
// quote, and whole characters of code page 936.
bool Plain(unsigned char byte) {
  return byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"';
}

void AppendEscaped(std::string& out, unsigned char byte) {
  constexpr char kHex[] = "0123456789abcdef";
  if (byte == '\\') {
    out += "\\\\";
    return;
  }
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

}  // namespace

AccessLog::AccessLog(std::string folder, std::string kind, bool enabled, const Clock& clock,
                     const FileSystem& files, ServiceStatus* status, LogRetention* retention)
    : kind_(std::move(kind)),
      enabled_(enabled),
      writer_(
          {
              .FileName = [folder =
                               std::move(folder)](DateTime day) { return FileName(folder, day); },
              .Milliseconds = true,
              .Report = StampedLineWriter::ReportTo(status, ServiceStatus::Store::AccessLog),
              .Retention = retention,
              .KeepOpenForASecond = true,
          },
          clock, files) {}

std::string AccessLog::FileName(std::string_view folder, DateTime day) {
  return PathInFolder(folder, "Access" + FormatDateTime("yyyymmdd", day) + ".log");
}

std::string AccessLog::Quoted(std::string_view ansi) {
  std::string out;
  AppendQuoted(out, ansi);
  return out;
}

void AccessLog::AppendQuoted(std::string& out, std::string_view ansi) {
  out += '"';
  while (!ansi.empty()) {
    const auto byte = static_cast<unsigned char>(ansi[0]);
    if (Plain(byte)) {
      out += static_cast<char>(byte);
      ansi.remove_prefix(1);
    } else if (byte >= 0x80 && AnsiCharacterLength(ansi) > 0) {
      // The run of code page 936 characters, converted at once.
      size_t run = 0;
      while (run < ansi.size() && static_cast<unsigned char>(ansi[run]) >= 0x80) {
        const size_t length = AnsiCharacterLength(ansi.substr(run));
        if (length == 0) break;
        run += length;
      }
      out += Utf8FromAnsi(ansi.substr(0, run));
      ansi.remove_prefix(run);
    } else {
      AppendEscaped(out, byte);
      ansi.remove_prefix(1);
    }
  }
  out += '"';
}

void AccessLog::Write(const Ipv4Endpoint& peer, std::string_view event) {
  Write(EndpointText(peer.Address, peer.Port), event);
}

void AccessLog::Write(std::string_view who, std::string_view event) {
  std::string line;
  line.reserve(24 + who.size() + kind_.size() + event.size());
  line += who;
  line += ' ';
  line += kind_;
  line += ' ';
  line += event;
  const std::string_view view = line;
  writer_.Commit({&view, 1});
}

void AccessLog::Refused(const Ipv4Endpoint& peer, Refusal why, int more) {
  if (!enabled_) return;
  std::string event = std::string("refused reason=") + kRefusals.at(static_cast<size_t>(why));
  if (more > 0) event += " more=" + std::to_string(more);
  Write(peer, event);
}

void AccessLog::Served(const Ipv4Endpoint& peer, const Request& request) {
  if (!enabled_) return;
  std::string event;
  event.reserve(160);
  event += "request type=";
  AppendQuoted(event, request.Type);
  event += " room=";
  AppendQuoted(event, request.RoomKey);
  event += " register=";
  AppendQuoted(event, request.RegisterId);
  event += " result=";
  AppendQuoted(event, request.ResultCode);
  event += " card=";
  AppendQuoted(event, request.CardNo);
  event += request.Answered     ? " answered=yes ms="
           : request.ClientGone ? " answered=client-gone ms="
                                : " answered=no ms=";
  event += std::to_string(request.Taken.count());
  if (!request.Error.empty()) {
    event += " error=";
    AppendQuoted(event, request.Error);
  }
  Write(peer, event);
}

void AccessLog::TimedOut(const Ipv4Endpoint& peer, bool idle, std::chrono::milliseconds waited) {
  if (!enabled_) return;
  Write(peer, std::string("timeout wait=") + (idle ? "idle" : "request") +
                  " ms=" + std::to_string(waited.count()));
}

void AccessLog::ClosedForRoom(const Ipv4Endpoint& peer, Refusal cap,
                              std::chrono::milliseconds waited, const Ipv4Endpoint& newcomer) {
  if (!enabled_) return;
  Write(peer, std::string("closed reason=") + kRefusals.at(static_cast<size_t>(cap)) +
                  " ms=" + std::to_string(waited.count()) +
                  " for=" + EndpointText(newcomer.Address, newcomer.Port));
}

void AccessLog::Oversized(const Ipv4Endpoint& peer, size_t bytes) {
  if (!enabled_) return;
  Write(peer, "oversized bytes=" + std::to_string(bytes));
}

void AccessLog::PasswordRefused(std::string_view user, int failures, std::chrono::seconds wait) {
  if (!enabled_) return;
  std::string event = "password result=wrong failures=" + std::to_string(failures) +
                      " wait=" + std::to_string(wait.count()) + " user=";
  AppendQuoted(event, user);
  Write(kDesk, event);
}

void AccessLog::PasswordChanged(std::string_view user, bool saved) {
  if (!enabled_) return;
  std::string event =
      std::string("password result=changed saved=") + (saved ? "yes" : "no") + " user=";
  AppendQuoted(event, user);
  Write(kDesk, event);
}

void AccessLog::SettingChanged(std::string_view user, const SettingChange& change) {
  if (!enabled_) return;
  std::string event = "setting section=";
  AppendQuoted(event, change.Section);
  event += " key=";
  AppendQuoted(event, change.Key);
  if (change.Hidden) {
    event += " value=hidden";
  } else {
    event += " old=";
    AppendQuoted(event, change.Old);
    event += " new=";
    AppendQuoted(event, change.New);
  }
  event += " user=";
  AppendQuoted(event, user);
  Write(kDesk, event);
}

}  // namespace keydesk
