#pragma once

#include <cstdint>
#include <vector>

namespace keydesk {

// This computer's own IPv4 addresses (host order), loopback first, each once; those the
// system will tell. For offering the addresses keydesk may listen on.
std::vector<uint32_t> LocalIpv4Addresses();

}  // namespace keydesk
