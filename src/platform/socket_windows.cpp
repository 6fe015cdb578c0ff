#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>
#include <iterator>

#include "platform/errors.h"
#include "platform/socket.h"
#include "platform/wide_text_windows.h"

namespace keydesk {

std::string SocketErrorText(int error) {
  return "Socket Error # " + std::to_string(error) + "\r\n" +
         SystemErrorText(static_cast<DWORD>(error));
}

namespace {

[[noreturn]] void ThrowSocketError(int error) { throw SocketError(SocketErrorText(error)); }

// Winsock is started once, by the first socket of the process, and kept until it ends.
void StartWinsock() {
  static const int failure = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (failure != 0) ThrowSocketError(failure);
}

// How Windows says that another socket holds the port: WSAEACCES when that socket claimed it
// exclusively, as this system's listener does.
constexpr int kPortTaken[] = {WSAEADDRINUSE, WSAEACCES};

bool IsPortTaken(int error) {
  return std::find(std::begin(kPortTaken), std::end(kPortTaken), error) != std::end(kPortTaken);
}

// Winsock counts in int; larger pieces go in turns.
int Chunk(size_t size) { return static_cast<int>(std::min<size_t>(size, INT_MAX)); }

}  // namespace

void Socket::Close() {
  std::lock_guard lock(mutex_);
  if (fd_ != kNoSocket) {
    ::closesocket(fd_);
    fd_ = kNoSocket;
  }
}

void Socket::Shutdown() {
  std::lock_guard lock(mutex_);
  if (fd_ == kNoSocket) return;
  // shutdown() tells the peer; a blocked accept() or recv() of another thread returns only
  // when the socket is closed.
  ::shutdown(fd_, SD_BOTH);
  ::closesocket(fd_);
  fd_ = kNoSocket;
}

size_t Socket::Receive(char* buffer, size_t size) {
  const SOCKET socket = Descriptor();
  const int received = ::recv(socket, buffer, Chunk(size), 0);
  if (received >= 0) return static_cast<size_t>(received);
  const int error = WSAGetLastError();
  // Shut down by another thread while waiting: the connection has ended, as on POSIX.
  if (!IsOpen()) return 0;
  ThrowSocketError(error);
}

void Socket::SendAll(std::string_view bytes) {
  const SOCKET socket = Descriptor();
  while (!bytes.empty()) {
    const int sent = ::send(socket, bytes.data(), Chunk(bytes.size()), 0);
    if (sent == SOCKET_ERROR) ThrowSocketError(WSAGetLastError());
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
}

Socket Socket::Listen(uint16_t port, int backlog) {
  StartWinsock();
  Socket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.IsOpen()) ThrowSocketError(WSAGetLastError());
  // Windows binds over this program's own connections in TIME_WAIT without being asked, and
  // SO_REUSEADDR there would let another program bind the same port and take its
  // connections; the port is claimed exclusively instead.
  const BOOL on = TRUE;
  if (::setsockopt(socket.fd_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
                   sizeof on) != 0) {
    ThrowSocketError(WSAGetLastError());
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(port);
  if (::bind(socket.fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    const int error = WSAGetLastError();
    if (IsPortTaken(error)) throw SocketError(std::string(kAddressInUse));
    ThrowSocketError(error);
  }
  if (::listen(socket.fd_, backlog) != 0) ThrowSocketError(WSAGetLastError());
  return socket;
}

Socket Socket::Accept() {
  const SOCKET listener = Descriptor();
  for (;;) {
    const SOCKET accepted = ::accept(listener, nullptr, nullptr);
    if (accepted != INVALID_SOCKET) {
      // Responses are written in one piece; send them at once.
      const BOOL on = TRUE;
      ::setsockopt(accepted, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                   sizeof on);
      return Socket(accepted);
    }
    const int error = WSAGetLastError();
    // Transient failures of one pending connection must not stop the listener.
    if (error == WSAECONNRESET || error == WSAEMFILE || error == WSAENOBUFS) {
      if (error != WSAECONNRESET) ::Sleep(10);
      continue;
    }
    return Socket();  // shut down or closed
  }
}

uint16_t Socket::LocalPort() const {
  sockaddr_in address{};
  int length = sizeof address;
  if (::getsockname(Descriptor(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ThrowSocketError(WSAGetLastError());
  }
  return ntohs(address.sin_port);
}

Socket Socket::ConnectLoopback(uint16_t port) {
  StartWinsock();
  Socket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.IsOpen()) ThrowSocketError(WSAGetLastError());
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (::connect(socket.fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ThrowSocketError(WSAGetLastError());
  }
  return socket;
}

}  // namespace keydesk
