#include "platform/socket.h"

// What sockets do alike on every platform; the rest is in socket_posix.cpp and
// socket_windows.cpp.
namespace keydesk {

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept {
  std::lock_guard lock(other.mutex_);
  fd_ = other.fd_;
  receiveLimited_ = other.receiveLimited_;
  other.fd_ = kNoSocket;
}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    std::scoped_lock lock(mutex_, other.mutex_);
    fd_ = other.fd_;
    receiveLimited_ = other.receiveLimited_;
    other.fd_ = kNoSocket;
  }
  return *this;
}

bool Socket::IsOpen() const { return Descriptor() != kNoSocket; }

NativeSocket Socket::Descriptor() const {
  std::lock_guard lock(mutex_);
  return fd_;
}

}  // namespace keydesk
