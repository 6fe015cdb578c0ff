#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace keydesk::test {

// A service manager's notification socket: what keydesk tells it, one datagram each.
class NotifySocket {
 public:
  explicit NotifySocket(const std::string& path) : path_(path) {
    descriptor_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    EXPECT_EQ(bind(descriptor_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  }
  ~NotifySocket() { close(descriptor_); }
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  // The next message, or empty when none came within ten seconds.
  std::string Next() { return NextWithin(std::chrono::seconds(10)); }
  // The next message, or empty when none came within wait.
  std::string NextWithin(std::chrono::milliseconds wait) {
    pollfd ready{descriptor_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(wait.count())) != 1) return {};
    char buffer[256];
    const ssize_t size = recv(descriptor_, buffer, sizeof buffer, 0);
    return size > 0 ? std::string(buffer, static_cast<size_t>(size)) : std::string();
  }
  // Drops the messages that have come.
  void Drain() {
    while (!NextWithin(std::chrono::milliseconds(0)).empty()) {
    }
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  int descriptor_ = -1;
};

}  // namespace keydesk::test
