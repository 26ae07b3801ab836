#include "net/fetch_page.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <thread>

#include "net_test_support.h"
#include "support/environment.h"
#include "support/scripted_server.h"

namespace brimsel {
namespace {

using test::HttpReply;
using test::ScriptedServer;
using test::ServerConnection;
using namespace std::chrono_literals;

TEST(NormalizeUrlTest, HttpSchemeInAnyLetterCaseIsKeptAndAnythingElseGetsHttpInFront) {
  const struct {
    const char* url;
    const char* normal;
  } rows[] = {
      {"http://a.example/x", "http://a.example/x"},   {"HTTP://a.example/x", "HTTP://a.example/x"},
      {"hTTp://a.example/x", "hTTp://a.example/x"},   {"a.example/x", "http://a.example/x"},
      {"https://a.example/x", "http://https://a.example/x"}, {"ftp://a.example/x", "http://ftp://a.example/x"},
      {"http:/a", "http://http:/a"},
  };
  for (const auto& row : rows) EXPECT_EQ(NormalizeUrl(row.url), row.normal) << row.url;
}

TEST(FetchPageTest, BodiesComeBackWholeWhateverTheStatusAndDirect) {
  std::string exact(1024, 'x');  // exactly one full read
  for (std::size_t i = 0; i < exact.size(); ++i) exact[i] = static_cast<char>('a' + i % 26);
  const std::string nul("before\0middle\0\0after\xB2\xE2", 22);
  std::string longBody;
  for (int i = 0; longBody.size() < 300000; ++i) longBody += std::to_string(i) + ",";
  ScriptedServer server(test::kNetTestBlock, test::ServeFiles({{"/exact", exact},
                                                                {"/nul", nul},
                                                                {"/long", longBody},
                                                                {"/empty", ""},
                                                                {"/update/getver.asp?soft=Brimsel", "ok"}}));
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  const struct {
    std::string url;
    std::string page;
  } rows[] = {
      {server.Url("/exact"), exact},
      {server.Url("/nul"), nul},
      {server.Url("/long"), longBody},
      {server.Url("/empty"), ""},
      {server.Url("/update/test.html"), "<html><body>404 Not Found</body></html>"},  // the error page's text
      {server.Address() + "/update/getver.asp?soft=Brimsel", "ok"},                    // no scheme: over HTTP
  };
  // Proxy settings of the environment are ignored: the fetch goes direct.
  const std::string proxy = std::string("http://") + test::kRefusingHost + ":3128";
  for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY"}) test::SetEnvironment(name, proxy);
  for (const auto& row : rows) EXPECT_EQ(FetchPage(row.url), row.page) << row.url;
  for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY"}) test::UnsetEnvironment(name);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), std::size(rows));  // one request each
  EXPECT_TRUE(requests.back().starts_with("GET /update/getver.asp?soft=Brimsel HTTP/1.1\r\n"));
}

TEST(FetchPageTest, EmptyUnreachableOrMalformedUrlGivesEmptyText) {
  EXPECT_EQ(FetchPage(""), "");
  EXPECT_EQ(FetchPage(std::string("http://") + test::kRefusingHost + "/update/test.html"), "");
  EXPECT_EQ(FetchPage("http://"), "");
  EXPECT_EQ(FetchPage("http://no-such-host.invalid/x"), "");
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
  int pumps = 0;
  test::PumpScope pump([&pumps] { ++pumps; });
  EXPECT_EQ(FetchPage(server.Url("/")), "late");
  // One pump after each of the two reads at least, and several while waiting.
  EXPECT_GE(pumps, 6);
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
