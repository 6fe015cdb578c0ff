#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"
#include "platform/mutex.h"

namespace keydesk {

std::string SocketErrorText(int error) {
  char buffer[256];
  // The GNU strerror_r: safe on connection threads, unlike strerror.
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return "Socket Error # " + std::to_string(error) + "\r\n" + text;
}

namespace {

[[noreturn]] void ThrowSocketError(int error) { throw SocketError(SocketErrorText(error)); }

sockaddr_in SocketAddress(uint32_t address, uint16_t port) {
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socketAddress.sin_addr.s_addr = htonl(address);
  socketAddress.sin_port = htons(port);
  return socketAddress;
}

// A descriptor held back for the moment the process has no other: the listener gives it up to
// accept the pending connection and close it, instead of leaving it pending and trying again.
// The accepted connection's slot becomes the next reserve at once (dup3 of a second descriptor
// kept for this), so that no other thread can take it in between.
class ReserveDescriptor {
 public:
  // Accepts a pending connection on the reserve and closes it, giving its peer; false when
  // there was no reserve to give up or no connection was taken.
  bool DropPending(int listener, Ipv4Endpoint* peer) EXCLUDES(mutex_) {
    MutexLock lock(mutex_);
    if (fd_ < 0) fd_ = Copy();
    if (fd_ < 0) return false;
    ::close(fd_);
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const int accepted = ::accept4(listener, reinterpret_cast<sockaddr*>(&address), &length,
                                   SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (accepted < 0) {
      fd_ = Copy();
      return false;
    }
    if (peer != nullptr) *peer = {ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
    // Closes the connection and keeps its slot in one step.
    if (::dup3(template_, accepted, O_CLOEXEC) >= 0) {
      fd_ = accepted;
    } else {
      ::close(accepted);
      fd_ = Copy();
    }
    return true;
  }

 private:
  int Copy() const { return template_ >= 0 ? ::fcntl(template_, F_DUPFD_CLOEXEC, 0) : -1; }

  Mutex mutex_;
  const int template_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  int fd_ GUARDED_BY(mutex_) = Copy();
};

ReserveDescriptor& Reserve() {
  static ReserveDescriptor reserve;
  return reserve;
}

// Waits until a connection is pending on the listener (or it is shut down).
void WaitForPending(int listener) {
  pollfd pending{listener, POLLIN, 0};
  while (::poll(&pending, 1, -1) < 0 && errno == EINTR) {
  }
}

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
    if (errno == EAGAIN || errno == EWOULDBLOCK) throw TimeoutError(SocketErrorText(errno));
    if (errno != EINTR) ThrowSocketError(errno);
  }
}

Socket::PeerState Socket::Peer() const {
  const int fd = Descriptor();
  if (fd == kNoSocket) return PeerState::Reset;
  char byte;
  for (;;) {
    const ssize_t got = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (got > 0) return PeerState::Open;
    if (got == 0) return PeerState::Ended;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return PeerState::Open;
    if (errno != EINTR) return PeerState::Reset;
  }
}

namespace {

void SetTimeout(int fd, int option, std::chrono::milliseconds limit) {
  const auto count = limit.count() > 0 ? limit.count() : 0;
  timeval value{static_cast<time_t>(count / 1000), static_cast<suseconds_t>(count % 1000 * 1000)};
  if (::setsockopt(fd, SOL_SOCKET, option, &value, sizeof value) != 0) ThrowSocketError(errno);
}

}  // namespace

void Socket::SetReceiveTimeout(std::chrono::milliseconds limit) {
  SetTimeout(Descriptor(), SO_RCVTIMEO, limit);
  receiveLimited_ = limit.count() > 0;
}

void Socket::SetSendTimeout(std::chrono::milliseconds limit) {
  SetTimeout(Descriptor(), SO_SNDTIMEO, limit);
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

Socket Socket::Listen(uint32_t address, uint16_t port, int backlog) {
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.IsOpen()) ThrowSocketError(errno);
  // Connections this program served and closed wait in TIME_WAIT on its port for a minute.
  // Windows binds over them without asking; Linux only with SO_REUSEADDR, which still
  // refuses a port on which another socket listens, so a real conflict keeps failing.
  const int on = 1;
  if (::setsockopt(socket.fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
    ThrowSocketError(errno);
  }
  const sockaddr_in local = SocketAddress(address, port);
  if (::bind(socket.fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    if (errno == EADDRINUSE) throw SocketError(std::string(kAddressInUse));
    ThrowSocketError(errno);
  }
  if (::listen(socket.fd_, backlog) != 0) ThrowSocketError(errno);
  Reserve();  // held from now on, for the moment the descriptors run out
  return socket;
}

Socket Socket::Accept(Ipv4Endpoint* peer, bool* dropped) {
  const int listener = Descriptor();
  sockaddr_in address{};
  const auto accept = [&] {
    socklen_t length = sizeof address;
    return ::accept4(listener, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
  };
  for (;;) {
    int fd = accept();
    if (fd < 0 && (errno == EMFILE || errno == ENFILE)) {
      // The table is full, and accept says so before any connection is pending: wait for
      // one, then drop it on the reserve unless a descriptor has come free meanwhile.
      WaitForPending(listener);
      fd = accept();
      if (fd < 0 && (errno == EMFILE || errno == ENFILE)) {
        if (Reserve().DropPending(listener, peer)) {
          if (dropped == nullptr) continue;
          *dropped = true;
          return Socket();
        }
        ::usleep(10'000);  // not even the reserve could be had: wait for a descriptor
        continue;
      }
    }
    if (fd >= 0) {
      // Responses are written in one piece; send them at once.
      const int on = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      if (peer != nullptr) *peer = {ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
      return Socket(fd);
    }
    // Transient failures of one pending connection must not stop the listener.
    if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) continue;
    if (errno == ENOBUFS || errno == ENOMEM) {
      ::usleep(10'000);
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

Socket Socket::Connect(uint32_t address, uint16_t port, uint32_t from) {
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.IsOpen()) ThrowSocketError(errno);
  if (from != kAnyAddress) {
    const sockaddr_in local = SocketAddress(from, 0);
    if (::bind(socket.fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
      ThrowSocketError(errno);
    }
  }
  const sockaddr_in remote = SocketAddress(address, port);
  if (::connect(socket.fd_, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
    ThrowSocketError(errno);
  }
  return socket;
}

}  // namespace keydesk
