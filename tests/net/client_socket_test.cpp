#include "platform/client_socket.h"

#include <gtest/gtest.h>

#include <string>

#include "net_test_support.h"
#include "platform/exception.h"
#include "support/scripted_server.h"

namespace brimsel::platform {
namespace {

using test::ScriptedServer;
using test::ServerConnection;

// Echoes the request head back, then closes.
void EchoHead(ServerConnection& connection, int) {
  const std::string request = connection.ReadRequest();
  if (!request.empty()) connection.Send(request);
}

std::string ReceiveAll(TClientSocket& socket) {
  std::string all;
  char buffer[4096];
  while (const int n = socket.ReceiveBuf(buffer, sizeof buffer)) all.append(buffer, static_cast<std::size_t>(n));
  return all;
}

void ExpectEchoOver(const std::string& host, const ScriptedServer& server) {
  TClientSocket socket;
  socket.SetHost(host);
  socket.SetPort(server.Port());
  socket.SetActive(true);
  ASSERT_TRUE(socket.Active());
  socket.SendText("PING\r\n\r\n");
  EXPECT_EQ(ReceiveAll(socket), "PING\r\n\r\n");
}

TEST(ClientSocketTest, ConnectsToDottedAddressesAndNames) {
  ScriptedServer server("127.0.0.1", EchoHead);
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  ExpectEchoOver("127.0.0.1", server);
  ExpectEchoOver("localhost", server);
}

TEST(ClientSocketTest, ConnectsOverIpv6) {
  ScriptedServer server("::1", EchoHead);
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  ExpectEchoOver("::1", server);
  ExpectEchoOver("[::1]", server);
}

TEST(ClientSocketTest, GracefulCloseByTheServerLeavesTheSocketActive) {
  ScriptedServer server(test::kNetTestBlock, [](ServerConnection& connection, int) { connection.Close(); });
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  TClientSocket socket;
  socket.SetHost(server.Address());
  socket.SetPort(80);
  socket.SetActive(true);
  char byte = 0;
  EXPECT_EQ(socket.ReceiveBuf(&byte, 1), 0);
  EXPECT_EQ(socket.ReceiveBuf(&byte, 1), 0);
  EXPECT_TRUE(socket.Active());
  TWinSocketStream stream(socket, 1000);
  EXPECT_TRUE(stream.WaitForData(1000));  // the end of the stream counts as readable
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  socket.SetActive(false);
  EXPECT_FALSE(socket.Active());
  socket.SetActive(false);  // closing twice does nothing
  EXPECT_FALSE(socket.Active());
}

TEST(ClientSocketTest, ResetDropsTheConnectionAndRaises) {
  ScriptedServer server(test::kNetTestBlock, [](ServerConnection& connection, int) {
    connection.ReadRequest();
    connection.Reset();
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  TClientSocket socket;
  socket.SetHost(server.Address());
  socket.SetPort(80);
  socket.SetActive(true);
  socket.SendText("X\r\n\r\n");
  char buffer[16];
  EXPECT_THROW(socket.ReceiveBuf(buffer, sizeof buffer), Exception);
  EXPECT_FALSE(socket.Active());
  EXPECT_FALSE(socket.Connected());
}

TEST(ClientSocketTest, RefusedOrUnresolvableHostRaisesAndStaysInactive) {
  TClientSocket socket;
  socket.SetHost(test::kRefusingHost);
  socket.SetPort(80);
  EXPECT_THROW(socket.SetActive(true), Exception);
  EXPECT_FALSE(socket.Active());
  socket.SetHost("no-such-host.invalid");
  EXPECT_THROW(socket.SetActive(true), Exception);
  EXPECT_FALSE(socket.Active());
}

TEST(ClientSocketTest, WaitForDataHonoursItsLimit) {
  ScriptedServer server(test::kNetTestBlock, [](ServerConnection& connection, int) {
    // Says nothing until the client has gone.
    connection.WaitForClientClose();
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  TClientSocket socket;
  socket.SetHost(server.Address());
  socket.SetPort(80);
  socket.SetActive(true);
  TWinSocketStream stream(socket, 50);
  EXPECT_FALSE(stream.WaitForData(50));
  char byte = 0;
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  EXPECT_TRUE(socket.Active());
}

TEST(ClientSocketTest, SendTextSendsEveryByte) {
  // More than the socket buffers hold, so that the send has to block and go on.
  const std::string big = std::string(512 * 1024, 'q') + "\r\n\r\n";
  ScriptedServer server(test::kNetTestBlock, [](ServerConnection& connection, int) {
    connection.Send(std::to_string(connection.ReadRequest().size()));
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  TClientSocket socket;
  socket.SetHost(server.Address());
  socket.SetPort(80);
  socket.SetActive(true);
  socket.SendText(big);
  EXPECT_EQ(ReceiveAll(socket), std::to_string(big.size()));
}

}  // namespace
}  // namespace brimsel::platform
