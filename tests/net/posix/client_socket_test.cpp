// The Linux socket reads ahead what the kernel holds; Winsock serves each receive itself.
#include "platform/client_socket.h"

#include <gtest/gtest.h>

#include <string>

#include "net/net_test_support.h"

namespace brimsel::test {
namespace {

using platform::TWinSocketStream;
using ClientSocketServerTest = ConnectedSocketTest;

// What one receive took from the kernel beyond its count is handed out by the next ones,
// in order, and counts as data to wait for; a new connection starts with nothing of it.
TEST_F(ClientSocketServerTest, BytesTakenBeyondAReceiveServeTheNextOnes) {
  Connect([](ServerConnection& connection, int) {
    connection.Send("abcdefgh");
    connection.WaitForClientClose();
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  TWinSocketStream stream(socket_, 1000);
  char bytes[8] = {};
  ASSERT_TRUE(stream.WaitForData(1000));
  EXPECT_EQ(socket_.ReceiveBuf(bytes, 1), 1);
  EXPECT_EQ(socket_.Buffered(), 7u);  // one send of eight bytes arrives whole on loopback
  EXPECT_TRUE(stream.WaitForData(0));
  EXPECT_EQ(socket_.ReceiveBuf(bytes + 1, 7), 7);
  EXPECT_EQ(std::string(bytes, 8), "abcdefgh");
  socket_.SetActive(false);
  EXPECT_EQ(socket_.Buffered(), 0u);
}

}  // namespace
}  // namespace brimsel::test
