// The reason a download failed, kept beside its Boolean result for the log and for
// updtool check.
#include <gtest/gtest.h>

#include "net/download_fixture.h"
#include "net/net_test_support.h"
#include "support/scripted_server.h"

namespace brimsel::test {
namespace {

class DownloadOutcomeTest : public StagingTest {};

TEST_F(DownloadOutcomeTest, EachFailureKeepsItsReason) {
  const std::string package = PackageBytes(5000);
  const struct {
    const char* head;
    std::string headReply;
    std::string getReply;
    bool thenSilent;
    DownloadOutcome outcome;
  } rows[] = {
      {"complete", HttpReplyHead(200, 5000), HttpReply(206, package), false, DownloadOutcome::Complete},
      {"404", HttpReplyHead(404, 0), "", false, DownloadOutcome::HeadRefused},
      {"no length", "HTTP/1.1 200 OK\r\n\r\n", "", false, DownloadOutcome::HeadNoLength},
      {"cut head", "HTTP/1.1 200 OK\r\nContent-Le", "", false, DownloadOutcome::HeadIncomplete},
      {"cut get", HttpReplyHead(200, 5000), "HTTP/1.1 206 Partial", false, DownloadOutcome::GetIncomplete},
      {"get 404", HttpReplyHead(200, 5000), HttpReply(404, "gone"), false, DownloadOutcome::GetRefused},
      {"closed early", HttpReplyHead(200, 5000), HttpReplyHead(206, 5000) + package.substr(0, 100), false,
       DownloadOutcome::BodyClosedEarly},
      {"silent", HttpReplyHead(200, 5000), HttpReplyHead(206, 5000) + package.substr(0, 100), true,
       DownloadOutcome::BodyTooSlow},
      {"range short", HttpReplyHead(200, 5000), HttpReply(206, package.substr(0, 1000)), false,
       DownloadOutcome::BodyShort},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.head);
    ScriptedServer server(kNetTestBlock, [&row](ServerConnection& connection, int) {
      connection.Send(connection.ReadRequest().starts_with("HEAD ") ? row.headReply : row.getReply);
      if (row.thenSilent) connection.WaitForClientClose();
    });
    BRIMSEL_SKIP_UNLESS_LISTENING(server);
    const DownloadReport report = DownloadPackageReporting(socket_, view_, server.Url("/update/Brimsel.zip"),
                                                           LocalPath(), ShortWaits(500));
    EXPECT_EQ(report.outcome, row.outcome) << DescribeDownload(report);
  }
  const DownloadReport refused = DownloadPackageReporting(
      socket_, view_, std::string("http://") + kRefusingHost + "/update/Brimsel.zip", LocalPath());
  EXPECT_EQ(refused.outcome, DownloadOutcome::Failed);
  EXPECT_FALSE(refused.detail.empty()) << "the socket's error text is kept";
}

}  // namespace
}  // namespace brimsel::test
