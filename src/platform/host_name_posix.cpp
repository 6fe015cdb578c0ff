#include <unistd.h>

#include <array>

#include "platform/host_name.h"

namespace keydesk {

std::string HostName() {
  std::array<char, 256> name{};
  if (gethostname(name.data(), name.size() - 1) != 0) return {};
  return name.data();
}

}  // namespace keydesk
