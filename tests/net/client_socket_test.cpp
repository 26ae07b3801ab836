#include "platform/client_socket.h"

#include <gtest/gtest.h>

#include <string>

#include "net_test_support.h"
#include "platform/exception.h"

namespace brimsel::test {
namespace {

using platform::TClientSocket;
using platform::TWinSocketStream;

std::string ReceiveAll(TClientSocket& socket) {
  std::string all;
  char buffer[4096];
  while (const int n = socket.ReceiveBuf(buffer, sizeof buffer)) all.append(buffer, static_cast<std::size_t>(n));
  return all;
}

// Connects to an echoing server through each of `hosts`.
void ExpectEchoOver(const std::string& serverAddress, std::initializer_list<const char*> hosts) {
  ScriptedServer server(serverAddress, [](ServerConnection& connection, int) {
    const std::string request = connection.ReadRequest();
    if (!request.empty()) connection.Send(request);
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  for (const char* host : hosts) {
    TClientSocket socket;
    socket.SetHost(host);
    socket.SetPort(server.Port());
    socket.SetActive(true);
    ASSERT_TRUE(socket.Active()) << host;
    socket.SendText("PING\r\n\r\n");
    EXPECT_EQ(ReceiveAll(socket), "PING\r\n\r\n") << host;
  }
}

TEST(ClientSocketTest, ConnectsToDottedAddressesAndNames) { ExpectEchoOver("127.0.0.1", {"127.0.0.1", "localhost"}); }

TEST(ClientSocketTest, ConnectsOverIpv6) { ExpectEchoOver("::1", {"::1", "[::1]"}); }

TEST(ClientSocketTest, RefusedOrUnresolvableHostRaisesAndStaysInactive) {
  TClientSocket socket;
  socket.SetPort(80);
  for (const char* host : {kRefusingHost, "no-such-host.invalid"}) {
    socket.SetHost(host);
    EXPECT_THROW(socket.SetActive(true), Exception) << host;
    EXPECT_FALSE(socket.Active()) << host;
  }
}

using ClientSocketServerTest = ConnectedSocketTest;

TEST_F(ClientSocketServerTest, GracefulCloseByTheServerLeavesTheSocketActive) {
  Connect([](ServerConnection& connection, int) { connection.Close(); });
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  char byte = 0;
  EXPECT_EQ(socket_.ReceiveBuf(&byte, 1), 0);
  EXPECT_EQ(socket_.ReceiveBuf(&byte, 1), 0);
  EXPECT_TRUE(socket_.Active());
  TWinSocketStream stream(socket_, 1000);
  EXPECT_TRUE(stream.WaitForData(1000));  // the end of the stream counts as readable
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  socket_.SetActive(false);
  EXPECT_FALSE(socket_.Active());
  socket_.SetActive(false);  // closing twice does nothing
  EXPECT_FALSE(socket_.Active());
}

TEST_F(ClientSocketServerTest, ResetDropsTheConnectionAndRaises) {
  Connect([](ServerConnection& connection, int) {
    connection.ReadRequest();
    connection.Reset();
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  socket_.SendText("X\r\n\r\n");
  char buffer[16];
  EXPECT_THROW(socket_.ReceiveBuf(buffer, sizeof buffer), Exception);
  EXPECT_FALSE(socket_.Active());
  EXPECT_FALSE(socket_.Connected());
}

TEST_F(ClientSocketServerTest, WaitForDataHonoursItsLimit) {
  // The server says nothing until the client has gone.
  Connect([](ServerConnection& connection, int) { connection.WaitForClientClose(); });
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  TWinSocketStream stream(socket_, 50);
  EXPECT_FALSE(stream.WaitForData(50));
  char byte = 0;
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  EXPECT_TRUE(socket_.Active());
}

TEST_F(ClientSocketServerTest, SendTextSendsEveryByte) {
  // More than the socket buffers hold, so that the send has to block and go on.
  const std::string big = std::string(512 * 1024, 'q') + "\r\n\r\n";
  Connect([](ServerConnection& connection, int) { connection.Send(std::to_string(connection.ReadRequest().size())); });
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  socket_.SendText(big);
  EXPECT_EQ(ReceiveAll(socket_), std::to_string(big.size()));
}

}  // namespace
}  // namespace brimsel::test
