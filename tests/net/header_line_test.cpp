#include "net/header_line.h"

#include <gtest/gtest.h>

#include <string>

#include "net_test_support.h"
#include "platform/client_socket.h"
#include "support/scripted_server.h"

namespace brimsel {
namespace {

using platform::TClientSocket;
using test::ScriptedServer;
using test::ServerConnection;

class HeaderLineTest : public ::testing::Test {
 protected:
  // Starts a server that sends `bytes` and then closes (or keeps quiet when `thenClose` is false).
  void Serve(std::string bytes, bool thenClose = true) {
    server_ = std::make_unique<ScriptedServer>(test::kNetTestBlock, [bytes, thenClose](ServerConnection& c, int) {
      c.Send(bytes);
      if (!thenClose) c.WaitForClientClose();
    });
    if (!server_->Listening()) return;
    socket_.SetHost(server_->Address());
    socket_.SetPort(80);
    socket_.SetActive(true);
  }

  std::unique_ptr<ScriptedServer> server_;
  TClientSocket socket_;
};

TEST_F(HeaderLineTest, LinesComeWithTheirTerminatorAndTheBodyIsLeftUntouched) {
  Serve("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nBODY");
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "Content-Length: 4\r\n");
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "\r\n");
  char body[16] = {};
  EXPECT_EQ(socket_.ReceiveBuf(body, sizeof body), 4);
  EXPECT_EQ(std::string(body, 4), "BODY");
}

TEST_F(HeaderLineTest, BareLineFeedDoesNotEndALine) {
  Serve("A: b\nC: d\r\n");
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "A: b\nC: d\r\n");
}

TEST_F(HeaderLineTest, IncompleteLineBeforeTheServerClosesGivesEmptyText) {
  Serve("HTTP/1.1 200");
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "");
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "");
  EXPECT_TRUE(socket_.Active());
}

TEST_F(HeaderLineTest, SilenceGivesEmptyTextAfterTheWait) {
  Serve("HTTP/1.1 2", false);
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_EQ(ReadHeaderLine(socket_, 100, "\r\n"), "");
}

TEST_F(HeaderLineTest, LineThatNeverEndsIsCutAtTheLimit) {
  Serve(std::string(3 * kMaxHeaderLine, 'x') + "\r\n", false);
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "");
  // Exactly the limit was taken, nothing more.
  char rest[64];
  EXPECT_EQ(socket_.ReceiveBuf(rest, sizeof rest), 64);
}

}  // namespace
}  // namespace brimsel
