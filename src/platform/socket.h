#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace keydesk {

// The system's handle of a socket: a descriptor, or a SOCKET on Windows.
#if defined(_WIN32)
using NativeSocket = std::uintptr_t;
#else
using NativeSocket = int;
#endif
inline constexpr NativeSocket kNoSocket = static_cast<NativeSocket>(-1);

// An IPv4 address in host byte order, and a port.
struct Ipv4Endpoint {
  uint32_t Address = 0;
  uint16_t Port = 0;
};
inline constexpr uint32_t kAnyAddress = 0;                // 0.0.0.0: every local address
inline constexpr uint32_t kLoopbackAddress = 0x7F000001;  // 127.0.0.1

// An owned TCP socket. Receive and Send belong to one thread at a time; Shutdown may be
// called from any other thread to end a blocked Receive or Accept, and is safe against a
// concurrent Close because both run under mutex_.
class Socket {
 public:
  Socket() = default;
  explicit Socket(NativeSocket fd) : fd_(fd) {}
  ~Socket();
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool IsOpen() const;
  // The handle, for waiting on it (poll); kNoSocket when closed.
  NativeSocket NativeHandle() const { return Descriptor(); }
  void Close();
  // Ends both directions, waking a thread blocked in Receive or Accept. On POSIX the
  // descriptor stays owned until Close; Winsock wakes a blocked call only by closing the
  // socket, so there it is closed at once.
  void Shutdown();

  // Up to size bytes; 0 when the peer has closed. Raises SocketError, or TimeoutError when
  // the receive time limit ran out first.
  size_t Receive(char* buffer, size_t size);
  // What the peer has done with its side, asked without waiting or taking any byte: bytes
  // waiting to be read (a next request) count as a peer still there. The owner's thread only.
  enum class PeerState {
    Open,
    Ended,  // it has shut its sending side: closed, or only shut down for sending
    Reset,  // the connection is reset or broken
  };
  PeerState Peer() const;
  // How long one Receive may wait for bytes; zero waits for ever. The owner's thread only.
  void SetReceiveTimeout(std::chrono::milliseconds limit);
  // How long a send may wait for the peer to take bytes before SendAll raises SocketError;
  // zero waits for ever. The owner's thread only.
  void SetSendTimeout(std::chrono::milliseconds limit);
  // Every byte, or SocketError. Never raises SIGPIPE.
  void SendAll(std::string_view bytes);

  // A listening socket on all local IPv4 addresses. Port 0 lets the system choose. A port
  // held only by connections in TIME_WAIT is bound, as on Windows; a port on which another
  // socket listens is not. Raises SocketError: "Could not bind socket. Address and port are already
  // in use." or "Socket Error # %d\r\n%s".
  static Socket Listen(uint16_t port, int backlog) { return Listen(kAnyAddress, port, backlog); }
  // The same on one local address only.
  static Socket Listen(uint32_t address, uint16_t port, int backlog);
  // The next connection, and its peer in *peer when given; a closed Socket once the listener
  // has been shut down. A pending connection for which the process has no descriptor left is
  // taken on a descriptor kept in reserve and closed at once, so that the listener neither
  // spins nor sleeps while the table is full: Accept then returns a closed Socket with
  // *dropped set when dropped is given, and otherwise goes on to the next connection.
  Socket Accept(Ipv4Endpoint* peer = nullptr, bool* dropped = nullptr);
  uint16_t LocalPort() const;

  // A connection to address:port, from the local address from (any when kAnyAddress).
  // Raises SocketError.
  static Socket Connect(uint32_t address, uint16_t port, uint32_t from = kAnyAddress);
  // A connection to 127.0.0.1 (tests and tools). Raises SocketError.
  static Socket ConnectLoopback(uint16_t port) { return Connect(kLoopbackAddress, port); }

 private:
  NativeSocket Descriptor() const;

  mutable std::mutex mutex_;
  bool receiveLimited_ = false;  // whether SetReceiveTimeout set a limit; the owner's
  NativeSocket fd_ = kNoSocket;  // guarded by mutex_ for Close and Shutdown; read freely by the
                                 // owner
};

// "Socket Error # %d\r\n%s" with the error number and the system's text for it.
std::string SocketErrorText(int error);

}  // namespace keydesk
