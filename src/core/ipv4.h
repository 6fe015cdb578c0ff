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

// The hosts that may connect: single addresses and ranges in CIDR notation. Empty allows
// every host. Immutable, so thread-safe.
class AllowedHosts {
 public:
  // The entries of text, separated by commas or blanks: "192.168.1.20, 10.1.0.0/24". A range
  // whose address has host bits set is taken as the network it lies in. Raises Error naming
  // the first entry that is neither, so that a mistyped entry never reads as "any host".
  static AllowedHosts Parse(std::string_view text);

  bool AllowsAny() const { return ranges_.empty(); }
  bool Allows(uint32_t address) const;

 private:
  struct Range {
    uint32_t Network;
    uint32_t Mask;
  };
  std::vector<Range> ranges_;
};

}  // namespace keydesk
