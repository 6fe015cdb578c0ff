// The Winsock side of the socket seam, over real sockets on 127.0.0.1.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/errors.h"
#include "platform/socket.h"

namespace keydesk {
namespace {

TEST(SocketWindows, ListenerAcceptsAndBothSidesTalk) {
  Socket listener = Socket::Listen(0, 15);
  const uint16_t port = listener.LocalPort();
  ASSERT_NE(port, 0);
  Socket client = Socket::ConnectLoopback(port);
  Socket served = listener.Accept();
  ASSERT_TRUE(served.IsOpen());
  client.SendAll(std::string("request\0", 8));
  char buffer[16] = {};
  size_t got = 0;
  while (got < 8) got += served.Receive(buffer + got, sizeof buffer - got);
  EXPECT_EQ(std::string(buffer, got), std::string("request\0", 8));
  served.SendAll("reply");
  served.Close();
  std::string reply;
  for (size_t n; (n = client.Receive(buffer, sizeof buffer)) > 0;) reply.append(buffer, n);
  EXPECT_EQ(reply, "reply");
}

TEST(SocketWindows, APortInUseGivesTheSystemsBindText) {
  Socket first = Socket::Listen(0, 15);
  try {
    Socket::Listen(first.LocalPort(), 15);
    FAIL() << "a second listener bound the same port";
  } catch (const SocketError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Could not bind socket. Address and port are already in use.");
  }
}

TEST(SocketWindows, OtherFailuresCarryTheErrorNumberAndTheSystemsText) {
  uint16_t closedPort = 0;
  {
    Socket listener = Socket::Listen(0, 15);
    closedPort = listener.LocalPort();
  }
  try {
    Socket::ConnectLoopback(closedPort);
    FAIL() << "connected to a closed port";
  } catch (const SocketError& error) {
    const std::string text = error.what();
    EXPECT_EQ(text.rfind("Socket Error # 10061\r\n", 0), 0u) << text;  // WSAECONNREFUSED
    EXPECT_GT(text.size(), std::string("Socket Error # 10061\r\n").size()) << text;
  }
  EXPECT_EQ(SocketErrorText(10048).rfind("Socket Error # 10048\r\n", 0), 0u);
}

TEST(SocketWindows, ShutdownWakesABlockedAcceptAndABlockedReceive) {
  Socket listener = Socket::Listen(0, 15);
  Socket accepted;
  std::thread acceptor([&] { accepted = listener.Accept(); });
  listener.Shutdown();
  acceptor.join();
  EXPECT_FALSE(accepted.IsOpen());

  Socket other = Socket::Listen(0, 15);
  Socket client = Socket::ConnectLoopback(other.LocalPort());
  Socket served = other.Accept();
  size_t received = 1;
  std::thread reader([&] {
    char byte;
    received = served.Receive(&byte, 1);
  });
  served.Shutdown();
  reader.join();
  EXPECT_EQ(received, 0u) << "a receive ended by Shutdown sees the connection end";
}

}  // namespace
}  // namespace keydesk
