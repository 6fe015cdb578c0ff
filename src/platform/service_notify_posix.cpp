#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/service_notify.h"

namespace keydesk {

void NotifyServiceManager(std::string_view state) {
  const char* name = std::getenv("NOTIFY_SOCKET");
  if (name == nullptr || name[0] == '\0') return;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t length = std::strlen(name);
  if (length >= sizeof address.sun_path) return;
  std::memcpy(address.sun_path, name, length);
  // "@name" is a socket in the abstract namespace, whose name starts with a NUL.
  if (address.sun_path[0] == '@') address.sun_path[0] = '\0';
  const int socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return;
  const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
  ::sendto(socket, state.data(), state.size(), MSG_NOSIGNAL,
           reinterpret_cast<const sockaddr*>(&address), size);
  ::close(socket);
}

std::optional<std::chrono::microseconds> ServiceWatchdogInterval() {
  const char* usec = std::getenv("WATCHDOG_USEC");
  if (usec == nullptr) return std::nullopt;
  // Meant for another process when it names one.
  if (const char* pid = std::getenv("WATCHDOG_PID");
      pid != nullptr && std::strtoll(pid, nullptr, 10) != getpid()) {
    return std::nullopt;
  }
  const long long microseconds = std::strtoll(usec, nullptr, 10);
  if (microseconds <= 0) return std::nullopt;
  return std::chrono::microseconds(microseconds);
}

}  // namespace keydesk
