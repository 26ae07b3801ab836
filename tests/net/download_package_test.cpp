// The package download against scripted servers: the requests, the completion tests of the
// body loop, the progress it shows, and every way a server can let it down.

#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "download_fixture.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/pump.h"

namespace brimsel::test {
namespace {

using platform::Utf8ToGbk;

// Installs a message pump for the length of a test.
class PumpScope {
 public:
  explicit PumpScope(platform::MessagePump pump) { previous_ = platform::SetMessagePump(std::move(pump)); }
  ~PumpScope() { platform::SetMessagePump(previous_); }

 private:
  platform::MessagePump previous_;
};

// A server whose HEAD reply is `head`, and whose GET reply is `get`; each then closes.
ScriptedServer::Script Replies(std::string head, std::string get) {
  return [head, get](ServerConnection& connection, int) {
    const std::string request = connection.ReadRequest();
    connection.Send(request.starts_with("HEAD ") ? head : get);
  };
}

// A server whose GET reply sends the first 4096 bytes of `package`, waits until the
// download has shown that chunk (the first pump), and then does `then`.
class FirstChunkServer {
 public:
  using Then = std::function<void(ServerConnection&, const std::string& package)>;
  explicit FirstChunkServer(std::string package) : package_(std::move(package)) {}

  ScriptedServer::Script Script(Then then) {
    return [package = package_, shown = shown_, then](ServerConnection& connection, int) {
      const std::string request = connection.ReadRequest();
      const auto size = static_cast<std::int64_t>(package.size());
      if (request.starts_with("HEAD ")) {
        connection.Send(HttpReplyHead(200, size));
        return;
      }
      connection.Send(HttpReplyHead(206, size) + package.substr(0, 4096));
      if (shown.wait_for(10s) == std::future_status::ready) then(connection, package);
    };
  }
  // The pump to install: the first call releases the server.
  platform::MessagePump Pump() {
    return [this] {
      if (++pumps_ == 1) firstShown_.set_value();
    };
  }
  int Pumps() const { return pumps_; }

 private:
  std::string package_;
  std::promise<void> firstShown_;
  std::shared_future<void> shown_ = firstShown_.get_future().share();
  int pumps_ = 0;
};

TEST_F(DownloadTest, BothRequestsByteForByteAndThePackageArrivesWhole) {
  const std::string package = PackageBytes(20000);
  StartServer(PackageServer(package));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(Download());
  EXPECT_EQ(LocalBytes(), package);
  EXPECT_FALSE(socket_.Active());

  const std::string host = server_->Address();
  const std::string agent = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 1.0.3705)\r\n";
  ASSERT_EQ(server_->Requests().size(), 2u);
  EXPECT_EQ(server_->Requests()[0], "HEAD /update/Brimsel.zip HTTP/1.1\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n" +
                                        agent + "Host: " + host + "\r\n\r\n");
  EXPECT_EQ(server_->Requests()[1],
            "GET /update/Brimsel.zip HTTP/1.1\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n" +
                agent + "RANGE: bytes=0-\r\nHost: " + host + "\r\n\r\n");
  EXPECT_EQ(server_->ConnectionCount(), 2);
}

TEST_F(DownloadTest, SchemeInCapitalsOrNoneMakesTheSameRequests) {
  StartServer(PackageServer(PackageBytes(100)));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(DownloadPackage(socket_, view_, "HTTP://" + server_->Address() + "/update/Brimsel.zip", LocalPath()));
  EXPECT_TRUE(DownloadPackage(socket_, view_, server_->Address() + "/update/Brimsel.zip", LocalPath()));
  const auto requests = server_->Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0], requests[2]);
  EXPECT_EQ(requests[1], requests[3]);
  EXPECT_TRUE(requests[0].starts_with("HEAD /update/Brimsel.zip HTTP/1.1\r\n"));
}

TEST_F(DownloadTest, LeftoverPackageIsDeletedAndTheRangeStartsAtZero) {
  const std::string package = PackageBytes(3000);
  folder_.Write("Brimsel.zip", std::string(1000, 'L'));
  StartServer(PackageServer(package));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(Download());
  EXPECT_EQ(LocalBytes(), package);
  ASSERT_EQ(server_->Requests().size(), 2u);
  EXPECT_EQ(RangeStartOf(server_->Requests()[1]), 0);
}

// The append path is taken only when the leftover survives the deletion and can still be
// written, which no honest file on this platform does (a read-only file can be neither
// deleted nor written). So it is tested where it begins: the download that keeps the file.
TEST_F(DownloadTest, KeptFileIsAppendedToFromItsSize) {
  const std::string package = PackageBytes(5000);
  folder_.Write("Brimsel.zip", package.substr(0, 1000));
  StartServer(PackageServer(package));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(ContinuePackageDownload(socket_, view_, PackageUrl(), LocalPath()));
  ASSERT_EQ(server_->Requests().size(), 2u);
  EXPECT_NE(server_->Requests()[1].find("\r\nRANGE: bytes=1000-\r\n"), std::string::npos);
  EXPECT_EQ(LocalBytes(), package);
  EXPECT_EQ(view_.labels.back(), Utf8ToGbk("已完成 4,000/4,000 字节"));
}

TEST_F(DownloadTest, KeptFileThatIsAlreadyCompleteEndsWithoutReceiving) {
  const std::string package = PackageBytes(2000);
  folder_.Write("Brimsel.zip", package);
  StartServer(PackageServer(package));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(ContinuePackageDownload(socket_, view_, PackageUrl(), LocalPath()));
  EXPECT_EQ(LocalBytes(), package);
  EXPECT_TRUE(view_.labels.empty());
}

TEST_F(DownloadTest, KeptFileWhoseSizeEqualsTheRangeLengthIsCompletedNotCutShort) {
  // 1000 bytes kept of a 2000-byte package: the range length equals the start offset, and
  // the bytes that follow are the rest of the package.
  const std::string package = PackageBytes(2000);
  folder_.Write("Brimsel.zip", package.substr(0, 1000));
  StartServer(PackageServer(package));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(ContinuePackageDownload(socket_, view_, PackageUrl(), LocalPath()));
  EXPECT_EQ(LocalBytes(), package);
}

TEST_F(DownloadTest, ServerThatIgnoresTheRangeRewritesTheKeptFileFromTheStart) {
  const std::string package = PackageBytes(3000);
  folder_.Write("Brimsel.zip", std::string(1000, 'K'));
  StartServer(Replies(HttpReplyHead(200, 3000), HttpReply(200, package)));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(ContinuePackageDownload(socket_, view_, PackageUrl(), LocalPath()));
  EXPECT_EQ(LocalBytes(), package);
}

TEST_F(DownloadTest, ProgressLabelAndBarFollowEveryChunk) {
  const std::string package = PackageBytes(5000);
  // The second chunk leaves the server only once the first has been shown.
  FirstChunkServer chunks(package);
  StartServer(chunks.Script([](ServerConnection& connection, const std::string& all) { connection.Send(all.substr(4096)); }));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  PumpScope pump(chunks.Pump());
  EXPECT_TRUE(Download());
  EXPECT_EQ(LocalBytes(), package);
  EXPECT_EQ(view_.labels,
            (std::vector<std::string>{Utf8ToGbk("已完成 4,096/5,000 字节"), Utf8ToGbk("已完成 5,000/5,000 字节")}));
  EXPECT_EQ(view_.max, 5000);
  EXPECT_EQ(view_.positions, (std::vector<int>{4096, 5000}));
  EXPECT_EQ(chunks.Pumps(), 2);
}

TEST_F(DownloadTest, ConfirmedCloseStopsAtTheNextPass) {
  const std::string package = PackageBytes(50000);
  auto clientGone = std::make_shared<std::promise<bool>>();
  std::future<bool> gone = clientGone->get_future();
  FirstChunkServer chunks(package);
  StartServer(chunks.Script([clientGone](ServerConnection& connection, const std::string&) {
    clientGone->set_value(connection.WaitForClientClose());
  }));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  view_.cancel = true;  // a flag left from before is cleared at the start
  PumpScope pump([&, release = chunks.Pump()] {
    release();
    view_.cancel = true;
  });
  EXPECT_FALSE(Download());
  EXPECT_EQ(view_.labels.size(), 1u);
  EXPECT_EQ(LocalBytes(), package.substr(0, 4096));
  EXPECT_FALSE(socket_.Active());
  ASSERT_EQ(gone.wait_for(10s), std::future_status::ready);
  EXPECT_TRUE(gone.get());
}

TEST_F(DownloadTest, ServerClosingBeforeTheEndFailsInsteadOfSpinning) {
  const std::string package = PackageBytes(5000);
  StartServer(Replies(HttpReplyHead(200, 5000), HttpReplyHead(206, 5000) + package.substr(0, 3000)));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Download());
  EXPECT_EQ(LocalBytes(), package.substr(0, 3000));
  EXPECT_FALSE(socket_.Active());
}

TEST_F(DownloadTest, ServerFallingSilentInTheBodyFails) {
  const std::string package = PackageBytes(5000);
  StartServer([package](ServerConnection& connection, int) {
    const std::string request = connection.ReadRequest();
    connection.Send(request.starts_with("HEAD ") ? HttpReplyHead(200, 5000)
                                                 : HttpReplyHead(206, 5000) + package.substr(0, 100));
    connection.WaitForClientClose();
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Download(QuickLimits()));
  EXPECT_EQ(LocalBytes(), package.substr(0, 100));
}

TEST_F(DownloadTest, ResetDuringTheBodyFails) {
  const std::string package = PackageBytes(50000);
  FirstChunkServer chunks(package);
  StartServer(chunks.Script([](ServerConnection& connection, const std::string&) { connection.Reset(); }));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  PumpScope pump(chunks.Pump());
  EXPECT_FALSE(Download());
  EXPECT_EQ(LocalBytes(), package.substr(0, 4096));
  EXPECT_FALSE(socket_.Active());
}

TEST_F(DownloadTest, ServerClosingInTheHeadersFails) {
  StartServer(Replies("HTTP/1.1 200 OK\r\nContent-Len", ""));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Download());
  EXPECT_EQ(server_->ConnectionCount(), 1);
  StartServer(Replies(HttpReplyHead(200, 10), "HTTP/1.1 206 Partial Content\r\n"));
  EXPECT_FALSE(Download());
  EXPECT_EQ(LocalBytes(), "");
}

TEST_F(DownloadTest, ServerFallingSilentInTheHeadersFails) {
  StartServer([](ServerConnection& connection, int) {
    connection.ReadRequest();
    connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n");
    connection.WaitForClientClose();
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Download(QuickLimits()));
  EXPECT_FALSE(socket_.Active());
}

TEST_F(DownloadTest, HeaderLineThatNeverEndsFails) {
  StartServer([](ServerConnection& connection, int) {
    connection.ReadRequest();
    connection.Send("HTTP/1.1 200 OK\r\nX-Endless: ");
    connection.SendUntilClientGoes(std::string(4096, 'e'), 10s);
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Download());
}

TEST_F(DownloadTest, SlowHeadersStillWork) {
  const std::string package = PackageBytes(3000);
  StartServer([package](ServerConnection& connection, int) {
    const std::string request = connection.ReadRequest();
    if (request.starts_with("HEAD ")) {
      connection.SendSlowly(HttpReplyHead(200, 3000), 1ms);
    } else {
      connection.SendSlowly(HttpReplyHead(206, 3000), 1ms);
      connection.Send(package);
    }
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(Download());
  EXPECT_EQ(LocalBytes(), package);
}

TEST_F(DownloadTest, ContentLengthInAnyLetterCaseWithBlanksAndTheLastOneCounting) {
  const std::string package = PackageBytes(3000);
  StartServer(Replies("HTTP/1.1 200 OK\r\ncontent-length: 5\r\nCONTENT-LENGTH:   3000  \r\n\r\n",
                      "HTTP/1.1 206 Partial Content\r\nContent-length: 3000\r\n\r\n" + package));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(Download());
  EXPECT_EQ(LocalBytes(), package);
}

TEST_F(DownloadTest, HeadReplyWithoutContentLengthFails) {
  // "Content-Length:3000" has no blank after the colon and is not recognised.
  StartServer(Replies("HTTP/1.1 200 OK\r\nContent-Length:3000\r\n\r\n", HttpReply(206, PackageBytes(3000))));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Download());
  EXPECT_EQ(LocalBytes(), "");
  EXPECT_EQ(server_->ConnectionCount(), 1);
}

TEST_F(DownloadTest, GetReplyWithoutContentLengthFails) {
  StartServer(Replies(HttpReplyHead(200, 3000), "HTTP/1.1 206 Partial Content\r\n\r\n" + PackageBytes(3000)));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Download());
  EXPECT_EQ(LocalBytes(), "");
}

TEST_F(DownloadTest, RangeLengthShortOfThePackageFails) {
  const std::string package = PackageBytes(5000);
  StartServer(Replies(HttpReplyHead(200, 5000), HttpReplyHead(206, 1000) + package));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Download());
  // Only the promised bytes were written.
  EXPECT_EQ(LocalBytes(), package.substr(0, 1000));
}

TEST_F(DownloadTest, NotFoundIsNoPackage) {
  const std::string page = "<html>404 Not Found</html>";
  StartServer(Replies(HttpReplyHead(404, page.size()), HttpReply(404, page)));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Download());
  EXPECT_EQ(LocalBytes(), "");

  StartServer(Replies(HttpReplyHead(200, page.size()), HttpReply(404, page)));
  EXPECT_FALSE(Download());
  EXPECT_EQ(LocalBytes(), "");
}

TEST_F(DownloadTest, ContentLengthThatIsNoNumberFails) {
  for (const char* value : {"abc", "99999999999", "-5", "1e3"}) {
    StartServer(Replies(std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + value + "\r\n\r\n", HttpReply(206, "")));
    BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
    EXPECT_FALSE(Download()) << value;
    EXPECT_FALSE(socket_.Active());
  }
}

TEST_F(DownloadTest, EmptyPackageAnnouncedAsSuchIsComplete) {
  StartServer(PackageServer(""));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(Download());
  EXPECT_EQ(LocalBytes(), "");
}

TEST_F(DownloadTest, UnreachableOrUnknownHostFailsWithoutRaising) {
  EXPECT_FALSE(DownloadPackage(socket_, view_, std::string("http://") + kRefusingHost + "/update/Brimsel.zip",
                               LocalPath()));
  EXPECT_TRUE(platform::FileExists(LocalPath()));
  EXPECT_FALSE(DownloadPackage(socket_, view_, "http://no-such-host.invalid/update/Brimsel.zip", LocalPath()));
  EXPECT_FALSE(socket_.Active());
}

TEST_F(DownloadTest, FileThatCannotBeCreatedFailsBeforeConnecting) {
  StartServer(PackageServer(PackageBytes(100)));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(DownloadPackage(socket_, view_, PackageUrl(), folder_.WinPath() + "missing\\Brimsel.zip"));
  EXPECT_EQ(server_->ConnectionCount(), 0);
}

TEST_F(DownloadTest, ReadOnlyLeftoverIsKeptAndTheDownloadFails) {
  folder_.Write("Brimsel.zip", "old");
  ASSERT_TRUE(platform::SetFileAttributes(LocalPath(), platform::kAttributeReadOnly));
  StartServer(PackageServer(PackageBytes(100)));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Download());
  EXPECT_EQ(LocalBytes(), "old");
  EXPECT_EQ(server_->ConnectionCount(), 0);
}

}  // namespace
}  // namespace brimsel::test
