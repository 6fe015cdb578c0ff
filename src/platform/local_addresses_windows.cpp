#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <array>
#include <memory>

#include "platform/local_addresses.h"
#include "platform/winsock_windows.h"

namespace keydesk {

// The addresses the computer's own name resolves to are those of its adapters that are up.
std::vector<uint32_t> LocalIpv4Addresses() {
  std::vector<uint32_t> addresses{INADDR_LOOPBACK};
  if (StartWinsock() != 0) return addresses;
  std::array<char, 256> name{};
  if (gethostname(name.data(), static_cast<int>(name.size() - 1)) != 0) return addresses;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* list = nullptr;
  if (getaddrinfo(name.data(), nullptr, &hints, &list) != 0) return addresses;
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owned(list, freeaddrinfo);
  for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) continue;
    const uint32_t address =
        ntohl(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) {
      addresses.push_back(address);
    }
  }
  return addresses;
}

}  // namespace keydesk
