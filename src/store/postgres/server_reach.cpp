#include "store/postgres/server_reach.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace keydesk {
namespace {

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

bool IsLoopbackV4(std::string_view address) {
  if (!StartsWith(address, "127.")) return false;
  int dots = 0;
  for (const char c : address) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return dots == 3;
}

bool IsLocalHost(std::string_view host) {
  // A socket folder (as libpq takes one: an absolute path, on Windows also with a drive), or
  // an abstract socket's name.
  if (StartsWith(host, "/") || StartsWith(host, "@")) return true;
  if (host.size() >= 3 && host[1] == ':' && (host[2] == '\\' || host[2] == '/')) return true;
  std::string lower(host);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower == "localhost" || lower == "::1" || IsLoopbackV4(lower);
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    items.push_back(list.substr(start, comma - start));
    if (comma == std::string::npos) return items;
    start = comma + 1;
  }
}

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

bool ReachesAnotherMachine(const ConnectionParameters& parameters) {
  std::string hosts = parameters.Value("host");
  std::string addresses = parameters.Value("hostaddr");
  if (hosts.empty() && addresses.empty()) {
    // A service file may name any server.
    if (!parameters.Value("service").empty() || !FromEnvironment("PGSERVICE").empty()) return true;
    hosts = FromEnvironment("PGHOST");
    addresses = FromEnvironment("PGHOSTADDR");
  }
  // Neither anywhere: libpq's default, the local socket (localhost on Windows).
  if (hosts.empty() && addresses.empty()) return false;
  const std::vector<std::string> hostList = SplitList(hosts);
  const std::vector<std::string> addressList = SplitList(addresses);
  const size_t count = std::max(hostList.size(), addressList.size());
  for (size_t i = 0; i < count; ++i) {
    // Where both are given, libpq connects to the address and checks the name.
    const std::string address = i < addressList.size() ? addressList[i] : "";
    const std::string host = i < hostList.size() ? hostList[i] : "";
    const std::string& reached = !address.empty() ? address : host;
    if (!reached.empty() && !IsLocalHost(reached)) return true;
  }
  return false;
}

}  // namespace keydesk
