#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/ipv4.h"
#include "core/option_key.h"

namespace keydesk {

// Who may reach the interface's port and for how long: the keys of [Network] in Option.ini,
// with [Log] KeepDays, which bounds what a flood of requests leaves on the disk. Without
// these keys keydesk listens and serves as it always has, but for the bounds that keep one
// client from taking the port away from the PMS (the time limits and the connection caps).
// A new install starts with an Option.ini that names this machine alone (--init-db).
//
// Read once at start-up and never written by keydesk. Immutable afterwards, so connection
// threads read it freely.
struct NetworkOption {
  // Every key's default (Keys).
  NetworkOption();

  std::optional<uint32_t> ListenAddress;  // none: every local address
  std::string AllowedHostsText;           // as written, for the operator
  AllowedHosts Allowed;                   // empty: any host
  std::chrono::seconds RequestTimeout{};  // first byte to NUL; zero: no limit
  // From the connect to the first request's first byte, whatever else arrives: a connection
  // that never asks must not hold its place. IdleTimeout when set; zero: no limit.
  std::chrono::seconds FirstRequestTimeout{};
  // From a kept connection's last response to the next request's first byte: a PMS may keep
  // its connection for hours, so no limit unless IdleTimeout is set.
  std::chrono::seconds IdleTimeout{};
  int MaxConnections = 0;         // zero: no limit
  int MaxConnectionsPerHost = 0;  // zero: no limit
  bool AccessLog = false;
  // [SysOption]: how long one call of the card library may take before the encoder counts as
  // hung; zero: no limit.
  std::chrono::seconds EncoderTimeout{};
  int KeepDays = 0;  // [Log]: daily and access logs older than this are removed; zero keeps all
  // [Log]: the daily log's size past which request texts are left out of it; zero: no bound.
  int MaxDayMB = 0;

  // The descriptions of the keys, in the order they are read.
  static std::span<const OptionKey> Keys();

  // The keys of the file at path; a missing file, section, key or empty value gives the
  // default. Raises Error naming the key and its value when a value cannot be read, and
  // when the file is there but cannot be read: neither may widen access.
  static NetworkOption Load(const std::string& path);

  // Checks one key's value as Load would read it; raises the same Error naming the key.
  // An empty value (the default) always passes.
  static void CheckValue(std::string_view section, std::string_view key, const std::string& value);
};

}  // namespace keydesk
