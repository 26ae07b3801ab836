#include "net/header_line.h"

#include <gtest/gtest.h>

#include <string>

#include "net_test_support.h"

namespace brimsel::test {
namespace {

// A server that sends `bytes` and then closes, or keeps quiet when `thenClose` is false.
ScriptedServer::Script Sends(std::string bytes, bool thenClose = true) {
  return [bytes, thenClose](ServerConnection& connection, int) {
    connection.Send(bytes);
    if (!thenClose) connection.WaitForClientClose();
  };
}

using HeaderLineTest = ConnectedSocketTest;

TEST_F(HeaderLineTest, LinesComeWithTheirTerminatorAndTheBodyIsLeftUntouched) {
  Connect(Sends("HTTP/1.1 200 OK\r\nA: b\nC: d\r\n\r\nBODY"));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "A: b\nC: d\r\n");  // a bare line feed ends no line
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "\r\n");
  char body[16] = {};
  EXPECT_EQ(socket_.ReceiveBuf(body, sizeof body), 4);
  EXPECT_EQ(std::string(body, 4), "BODY");
}

TEST_F(HeaderLineTest, IncompleteLineBeforeTheServerClosesGivesEmptyText) {
  Connect(Sends("HTTP/1.1 200"));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "");
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "");
  EXPECT_TRUE(socket_.Active());
}

TEST_F(HeaderLineTest, SilenceGivesEmptyTextAfterTheWait) {
  Connect(Sends("HTTP/1.1 2", false));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_EQ(ReadHeaderLine(socket_, 100, "\r\n"), "");
}

TEST_F(HeaderLineTest, LineThatNeverEndsIsCutAtTheLimit) {
  Connect(Sends(std::string(3 * kMaxHeaderLine, 'x') + "\r\n", false));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_EQ(ReadHeaderLine(socket_, 1000, "\r\n"), "");
  // Exactly the limit was taken, nothing more.
  char rest[64];
  EXPECT_EQ(socket_.ReceiveBuf(rest, sizeof rest), 64);
}

}  // namespace
}  // namespace brimsel::test
