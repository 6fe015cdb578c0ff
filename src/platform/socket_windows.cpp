#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>
#include <iterator>

#include "platform/errors.h"
#include "platform/socket.h"
#include "platform/wide_text_windows.h"
#include "platform/winsock_windows.h"

namespace keydesk {

int StartWinsock() {
  static const int failure = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  return failure;
}

std::string SocketErrorText(int error) {
  return "Socket Error # " + std::to_string(error) + "\r\n" +
         SystemErrorText(static_cast<DWORD>(error));
}

namespace {

[[noreturn]] void ThrowSocketError(int error) { throw SocketError(SocketErrorText(error)); }

// Winsock is started by the first socket of the process.
void StartWinsockOrRaise() {
  if (const int failure = StartWinsock(); failure != 0) ThrowSocketError(failure);
}

// How Windows says that another socket holds the port: WSAEACCES when that socket claimed it
// exclusively, as this system's listener does.
constexpr int kPortTaken[] = {WSAEADDRINUSE, WSAEACCES};

bool IsPortTaken(int error) {
  return std::find(std::begin(kPortTaken), std::end(kPortTaken), error) != std::end(kPortTaken);
}

sockaddr_in SocketAddress(uint32_t address, uint16_t port) {
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socketAddress.sin_addr.s_addr = htonl(address);
  socketAddress.sin_port = htons(port);
  return socketAddress;
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
  // Without a limit set, the same code means a connection that died (no acknowledgement).
  if (error == WSAETIMEDOUT && receiveLimited_) throw TimeoutError(SocketErrorText(error));
  ThrowSocketError(error);
}

Socket::PeerState Socket::Peer() const {
  const SOCKET socket = Descriptor();
  if (socket == kNoSocket) return PeerState::Reset;
  // Winsock has no MSG_DONTWAIT: look first whether a read would return at once.
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket, &readable);
  timeval now{0, 0};
  const int ready = ::select(0, &readable, nullptr, nullptr, &now);
  if (ready == 0) return PeerState::Open;
  if (ready == SOCKET_ERROR) return PeerState::Reset;
  char byte;
  const int got = ::recv(socket, &byte, 1, MSG_PEEK);
  if (got > 0) return PeerState::Open;
  if (got == 0) return PeerState::Ended;
  return WSAGetLastError() == WSAEWOULDBLOCK ? PeerState::Open : PeerState::Reset;
}

namespace {

void SetTimeout(SOCKET socket, int option, std::chrono::milliseconds limit) {
  const DWORD value = static_cast<DWORD>(limit.count() > 0 ? limit.count() : 0);
  if (::setsockopt(socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&value),
                   sizeof value) != 0) {
    ThrowSocketError(WSAGetLastError());
  }
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
  const SOCKET socket = Descriptor();
  while (!bytes.empty()) {
    const int sent = ::send(socket, bytes.data(), Chunk(bytes.size()), 0);
    if (sent == SOCKET_ERROR) ThrowSocketError(WSAGetLastError());
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
}

Socket Socket::Listen(uint32_t address, uint16_t port, int backlog) {
  StartWinsockOrRaise();
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
  const sockaddr_in local = SocketAddress(address, port);
  if (::bind(socket.fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    const int error = WSAGetLastError();
    if (IsPortTaken(error)) throw SocketError(std::string(kAddressInUse));
    ThrowSocketError(error);
  }
  if (::listen(socket.fd_, backlog) != 0) ThrowSocketError(WSAGetLastError());
  return socket;
}

Socket Socket::Accept(Ipv4Endpoint* peer, bool* /*dropped: never on Windows*/) {
  const SOCKET listener = Descriptor();
  for (;;) {
    sockaddr_in address{};
    int length = sizeof address;
    const SOCKET accepted = ::accept(listener, reinterpret_cast<sockaddr*>(&address), &length);
    if (accepted != INVALID_SOCKET) {
      // Responses are written in one piece; send them at once.
      const BOOL on = TRUE;
      ::setsockopt(accepted, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                   sizeof on);
      if (peer != nullptr) *peer = {ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
      return Socket(accepted);
    }
    const int error = WSAGetLastError();
    // Transient failures of one pending connection must not stop the listener. Winsock has no
    // descriptor table to run out of: WSAEMFILE and WSAENOBUFS mean the system is short of
    // memory for sockets, which only time mends.
    if (error == WSAECONNRESET) continue;
    if (error == WSAEMFILE || error == WSAENOBUFS) {
      ::Sleep(10);
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

Socket Socket::Connect(uint32_t address, uint16_t port, uint32_t from) {
  StartWinsockOrRaise();
  Socket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.IsOpen()) ThrowSocketError(WSAGetLastError());
  if (from != kAnyAddress) {
    const sockaddr_in local = SocketAddress(from, 0);
    if (::bind(socket.fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
      ThrowSocketError(WSAGetLastError());
    }
  }
  const sockaddr_in remote = SocketAddress(address, port);
  if (::connect(socket.fd_, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
    ThrowSocketError(WSAGetLastError());
  }
  return socket;
}

}  // namespace keydesk
