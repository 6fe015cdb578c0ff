#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keydesk {

// IPv4 addresses as the network options write them: four decimal numbers 0 to 255 joined by
// dots, each without a sign or a leading zero (so that "010" cannot be taken as octal 8 by
// one reader and as 10 by another). In host byte order.
std::optional<uint32_t> ParseIpv4(std::string_view text);
std::string Ipv4Text(uint32_t address);
// "a.b.c.d:port".
std::string EndpointText(uint32_t address, uint16_t port);

// The hosts that may connect: single addresses, ranges in CIDR notation, and "any". Empty
// allows every host. Immutable, so thread-safe.
class AllowedHosts {
 public:
  // The entry that allows every host, written out so that nobody gets it by leaving the list
  // empty; any letter case.
  static constexpr std::string_view kAnyHost = "any";
  // Ranges wider than this many leading bits (a /8) take in far more than a PMS's network.
  static constexpr uint32_t kNarrowestWideRange = 8;
  // Whether an entry is kAnyHost.
  static bool IsAnyHost(std::string_view entry);

  // The entries of text, separated by commas or blanks: "192.168.1.20, 10.1.0.0/24". Raises
  // Error naming the first entry that is no address, range or "any", and a range whose
  // address has host bits set ("10.1.0.7/24"): whether the range or the host was meant cannot
  // be told, and neither may be widened to the other.
  static AllowedHosts Parse(std::string_view text);

  // No entry at all: every host may connect.
  bool Empty() const { return ranges_.empty(); }
  // Every host may connect: no entry, "any" or a range of /0.
  bool AllowsAny() const;
  bool Allows(uint32_t address) const;
  // The first entry as written that takes in more than a /8 ("any", "0.0.0.0/0"); empty when
  // there is none.
  std::string WideEntry() const;

 private:
  struct Range {
    uint32_t Network;
    uint32_t Mask;
    uint32_t Prefix;
    std::string Text;  // as written
  };
  std::vector<Range> ranges_;
};

}  // namespace keydesk
