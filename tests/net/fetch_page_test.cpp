#include "net/fetch_page.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <thread>

#include "net_test_blocks.h"
#include "platform/pump.h"
#include "support/scripted_server.h"

namespace brimsel {
namespace {

using test::HttpReply;
using test::ScriptedServer;
using test::ServerConnection;
using namespace std::chrono_literals;

// Answers every connection with the same reply.
ScriptedServer::Script Answer(std::string reply) {
  return [reply](ServerConnection& connection, int) {
    if (!connection.ReadRequest().empty()) connection.Send(reply);
  };
}

// Installs a message pump that counts its calls, for the length of a test.
class CountingPump {
 public:
  CountingPump() { previous_ = platform::SetMessagePump([this] { ++calls_; }); }
  ~CountingPump() { platform::SetMessagePump(previous_); }
  int Calls() const { return calls_; }

 private:
  int calls_ = 0;
  platform::MessagePump previous_;
};

TEST(NormalizeUrlTest, HttpSchemeInAnyLetterCaseIsKept) {
  EXPECT_EQ(NormalizeUrl("http://a.example/x"), "http://a.example/x");
  EXPECT_EQ(NormalizeUrl("HTTP://a.example/x"), "HTTP://a.example/x");
  EXPECT_EQ(NormalizeUrl("hTTp://a.example/x"), "hTTp://a.example/x");
}

TEST(NormalizeUrlTest, AnythingElseGetsHttpInFront) {
  EXPECT_EQ(NormalizeUrl("a.example/x"), "http://a.example/x");
  EXPECT_EQ(NormalizeUrl("https://a.example/x"), "http://https://a.example/x");
  EXPECT_EQ(NormalizeUrl("ftp://a.example/x"), "http://ftp://a.example/x");
  EXPECT_EQ(NormalizeUrl("http:/a"), "http://http:/a");
}

TEST(FetchPageTest, EmptyUrlGivesEmptyTextWithoutAnyRequest) { EXPECT_EQ(FetchPage(""), ""); }

TEST(FetchPageTest, BodyOfExactly1024BytesComesBackWhole) {
  std::string body(1024, 'x');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
  ScriptedServer server(test::kNetTestBlock, Answer(HttpReply(200, body)));
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  EXPECT_EQ(FetchPage(server.Url("/update/test.html")), body);
}

TEST(FetchPageTest, NulBytesAreKept) {
  const std::string body("before\0middle\0\0after\xB2\xE2", 22);
  ScriptedServer server(test::kNetTestBlock, Answer(HttpReply(200, body)));
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  EXPECT_EQ(FetchPage(server.Url("/")), body);
}

TEST(FetchPageTest, LongBodyArrivesInOrder) {
  std::string body;
  for (int i = 0; body.size() < 300000; ++i) body += std::to_string(i) + ",";
  ScriptedServer server(test::kNetTestBlock, Answer(HttpReply(200, body)));
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  EXPECT_EQ(FetchPage(server.Url("/")), body);
}

TEST(FetchPageTest, EmptyBodyGivesEmptyText) {
  ScriptedServer server(test::kNetTestBlock, Answer(HttpReply(200, "")));
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  EXPECT_EQ(FetchPage(server.Url("/")), "");
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(FetchPageTest, ErrorPageTextComesBack) {
  const std::string page = "<html><body>404 Not Found</body></html>";
  ScriptedServer server(test::kNetTestBlock, Answer(HttpReply(404, page)));
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  EXPECT_EQ(FetchPage(server.Url("/update/test.html")), page);
}

TEST(FetchPageTest, UnreachableOrMalformedUrlGivesEmptyText) {
  EXPECT_EQ(FetchPage(std::string("http://") + test::kRefusingHost + "/update/test.html"), "");
  EXPECT_EQ(FetchPage("http://"), "");
  EXPECT_EQ(FetchPage("http://no-such-host.invalid/x"), "");
}

TEST(FetchPageTest, UrlWithoutSchemeIsFetchedOverHttp) {
  ScriptedServer server(test::kNetTestBlock, Answer(HttpReply(200, "ok")));
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  EXPECT_EQ(FetchPage(server.Address() + "/update/getver.asp?soft=Brimsel"), "ok");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_TRUE(server.Requests()[0].starts_with("GET /update/getver.asp?soft=Brimsel HTTP/1.1\r\n"));
}

TEST(FetchPageTest, RedirectsAreFollowed) {
  ScriptedServer server(test::kNetTestBlock, [](ServerConnection& connection, int index) {
    if (connection.ReadRequest().empty()) return;
    connection.Send(index == 0 ? HttpReply(302, "moved", "Location: /there\r\n") : HttpReply(200, "arrived"));
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  EXPECT_EQ(FetchPage(server.Url("/here")), "arrived");
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_TRUE(server.Requests()[1].starts_with("GET /there HTTP/1.1\r\n"));
}

TEST(FetchPageTest, ProxySettingsOfTheEnvironmentAreIgnored) {
  ScriptedServer server(test::kNetTestBlock, Answer(HttpReply(200, "direct")));
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  const std::string proxy = std::string("http://") + test::kRefusingHost + ":3128";
  ::setenv("http_proxy", proxy.c_str(), 1);
  ::setenv("HTTP_PROXY", proxy.c_str(), 1);
  ::setenv("ALL_PROXY", proxy.c_str(), 1);
  const std::string page = FetchPage(server.Url("/"));
  ::unsetenv("http_proxy");
  ::unsetenv("HTTP_PROXY");
  ::unsetenv("ALL_PROXY");
  EXPECT_EQ(page, "direct");
}

TEST(FetchPageTest, EndlessReplyIsCutAtTheCap) {
  ScriptedServer server(test::kNetTestBlock, [](ServerConnection& connection, int) {
    if (connection.ReadRequest().empty()) return;
    connection.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
    connection.SendUntilClientGoes(std::string(64 * 1024, 'z'));
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  const std::string page = FetchPage(server.Url("/"));
  EXPECT_EQ(page.size(), kMaxPageSize);
  EXPECT_EQ(page.find_first_not_of('z'), std::string::npos);
}

TEST(FetchPageTest, WindowIsPumpedWhileTheServerIsSlowToAnswer) {
  // The server thinks for a while before it answers; the pump must keep running meanwhile,
  // not only once per chunk read.
  ScriptedServer server(test::kNetTestBlock, [](ServerConnection& connection, int) {
    if (connection.ReadRequest().empty()) return;
    std::this_thread::sleep_for(600ms);
    connection.Send(HttpReply(200, "late"));
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  CountingPump pump;
  EXPECT_EQ(FetchPage(server.Url("/")), "late");
  // One pump after each of the two reads at least, and several while waiting.
  EXPECT_GE(pump.Calls(), 6);
}

TEST(FetchPageTest, CutConnectionReturnsWhatArrived) {
  ScriptedServer server(test::kNetTestBlock, [](ServerConnection& connection, int) {
    if (connection.ReadRequest().empty()) return;
    // Fewer bytes than announced, then the end: the failed read ends the page.
    connection.Send(test::HttpReplyHead(200, 100) + "only part");
    connection.Close();
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  EXPECT_EQ(FetchPage(server.Url("/")), "only part");
}

}  // namespace
}  // namespace brimsel
