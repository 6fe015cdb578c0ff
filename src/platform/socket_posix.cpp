#include "platform/socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace keydesk {

std::string SocketErrorText(int error) {
  char buffer[256];
  // The GNU strerror_r: safe on connection threads, unlike strerror.
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return "Socket Error # " + std::to_string(error) + "\r\n" + text;
}

namespace {

[[noreturn]] void ThrowSocketError(int error) { throw SocketError(SocketErrorText(error)); }

}  // namespace

void Socket::Close() {
  std::lock_guard lock(mutex_);
  if (fd_ != kNoSocket) {
    ::close(fd_);
    fd_ = kNoSocket;
  }
}

void Socket::Shutdown() {
  std::lock_guard lock(mutex_);
  if (fd_ != kNoSocket) ::shutdown(fd_, SHUT_RDWR);
}

size_t Socket::Receive(char* buffer, size_t size) {
  const int fd = Descriptor();
  for (;;) {
    const ssize_t received = ::recv(fd, buffer, size, 0);
    if (received >= 0) return static_cast<size_t>(received);
    if (errno != EINTR) ThrowSocketError(errno);
  }
}

void Socket::SendAll(std::string_view bytes) {
  const int fd = Descriptor();
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      ThrowSocketError(errno);
    }
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
}

Socket Socket::Listen(uint16_t port, int backlog) {
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.IsOpen()) ThrowSocketError(errno);
  // Connections this program served and closed wait in TIME_WAIT on its port for a minute.
  // Windows binds over them without asking; Linux only with SO_REUSEADDR, which still
  // refuses a port on which another socket listens, so a real conflict keeps failing.
  const int on = 1;
  if (::setsockopt(socket.fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
    ThrowSocketError(errno);
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(port);
  if (::bind(socket.fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (errno == EADDRINUSE) throw SocketError(std::string(kAddressInUse));
    ThrowSocketError(errno);
  }
  if (::listen(socket.fd_, backlog) != 0) ThrowSocketError(errno);
  return socket;
}

Socket Socket::Accept() {
  const int listener = Descriptor();
  for (;;) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) {
      // Responses are written in one piece; send them at once.
      const int on = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      return Socket(fd);
    }
    // Transient failures of one pending connection must not stop the listener.
    if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO || errno == EMFILE ||
        errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        ::usleep(10'000);
      }
      continue;
    }
    return Socket();  // shut down (EINVAL) or closed
  }
}

uint16_t Socket::LocalPort() const {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(Descriptor(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ThrowSocketError(errno);
  }
  return ntohs(address.sin_port);
}

Socket Socket::ConnectLoopback(uint16_t port) {
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.IsOpen()) ThrowSocketError(errno);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (::connect(socket.fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ThrowSocketError(errno);
  }
  return socket;
}

}  // namespace keydesk
