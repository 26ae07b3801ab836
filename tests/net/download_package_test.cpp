// The package download against scripted servers: the requests, the completion tests of the
// body loop, the progress it shows, and every way a server can let it down.

#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "download_fixture.h"
#include "net_test_support.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "support/scripted_server.h"

namespace brimsel::test {
namespace {

using platform::Utf8ToGbk;

// A server that answers HEAD with the package's length and a ranged GET with the rest of
// the package (206, or 200 from byte 0).
ScriptedServer::Script PackageServer(std::string package) {
  return ServeFiles({{"/update/Brimsel.zip", std::move(package)}});
}

// A server whose HEAD reply is `head` and whose GET reply is `get`; after either it closes,
// or with `thenSilent` keeps the connection open and says nothing more.
ScriptedServer::Script Replies(std::string head, std::string get, bool thenSilent = false) {
  return [head, get, thenSilent](ServerConnection& connection, int) {
    connection.Send(connection.ReadRequest().starts_with("HEAD ") ? head : get);
    if (thenSilent) connection.WaitForClientClose();
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
  // The pump to install: the first call once `shown` holds releases the server (the
  // window is pumped before the body too, while it waits for the replies).
  platform::MessagePump Pump(std::function<bool()> shown) {
    return [this, shown = std::move(shown)] {
      ++pumps_;
      if (!released_ && shown()) {
        released_ = true;
        firstShown_.set_value();
      }
    };
  }
  int Pumps() const { return pumps_; }

 private:
  std::string package_;
  std::promise<void> firstShown_;
  std::shared_future<void> shown_ = firstShown_.get_future().share();
  int pumps_ = 0;
  bool released_ = false;
};

class DownloadTest : public StagingTest {
 protected:
  void StartServer(ScriptedServer::Script script) {
    server_ = std::make_unique<ScriptedServer>(kNetTestBlock, std::move(script));
  }
  std::string PackageUrl() const { return server_->Url("/update/Brimsel.zip"); }
  bool Download(const DownloadLimits& limits = {}) {
    return DownloadPackage(socket_, view_, PackageUrl(), LocalPath(), limits);
  }
  bool Continue() { return ContinuePackageDownload(socket_, view_, PackageUrl(), LocalPath()); }
  std::function<bool()> FirstChunkShown() {
    return [this] { return !view_.labels.empty(); };
  }

  std::unique_ptr<ScriptedServer> server_;
};

TEST_F(DownloadTest, BothRequestsByteForByteAndThePackageArrivesWhole) {
  const std::string package = PackageBytes(20000);
  StartServer(PackageServer(package));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(Download());
  EXPECT_EQ(LocalBytes(), package);
  EXPECT_FALSE(socket_.Active());
  EXPECT_EQ(server_->ConnectionCount(), 2);

  const std::string host = server_->Address();
  const std::string agent = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; .NET CLR 1.0.3705)\r\n";
  const std::vector<std::string> requests = {
      "HEAD /update/Brimsel.zip HTTP/1.1\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n" + agent + "Host: " +
          host + "\r\n\r\n",
      "GET /update/Brimsel.zip HTTP/1.1\r\nAccept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n" +
          agent + "RANGE: bytes=0-\r\nHost: " + host + "\r\n\r\n"};
  EXPECT_EQ(server_->Requests(), requests);

  // The scheme in capitals or none makes the same requests, and a leftover package is
  // deleted: the range starts at zero again.
  folder_.Write("Brimsel.zip", std::string(30000, 'L'));
  EXPECT_TRUE(DownloadPackage(socket_, view_, "HTTP://" + host + "/update/Brimsel.zip", LocalPath()));
  EXPECT_TRUE(DownloadPackage(socket_, view_, host + "/update/Brimsel.zip", LocalPath()));
  EXPECT_EQ(LocalBytes(), package);
  EXPECT_EQ(server_->Requests(), (std::vector<std::string>{requests[0], requests[1], requests[0], requests[1],
                                                           requests[0], requests[1]}));
}

// The append path is taken only when the leftover survives the deletion and can still be
// written, which no honest file on this platform does (a read-only file can be neither
// deleted nor written). So it is tested where it begins: the download that keeps the file.
TEST_F(DownloadTest, KeptFileIsCompletedFromItsSize) {
  const std::string package = PackageBytes(5000);
  StartServer(PackageServer(package));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  // At 2500 the range length equals the start offset, and the bytes that follow are still
  // the rest of the package; a complete file ends without receiving.
  const struct {
    std::size_t kept;
    std::vector<std::string> labels;
  } rows[] = {{1000, {Utf8ToGbk("已完成 4,000/4,000 字节")}}, {2500, {Utf8ToGbk("已完成 2,500/2,500 字节")}}, {5000, {}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.kept);
    folder_.Write("Brimsel.zip", package.substr(0, row.kept));
    view_.labels.clear();
    EXPECT_TRUE(Continue());
    EXPECT_EQ(LocalBytes(), package);
    EXPECT_EQ(view_.labels, row.labels);
    if (row.kept < package.size()) {
      EXPECT_NE(server_->Requests().back().find("\r\nRANGE: bytes=" + std::to_string(row.kept) + "-\r\n"),
                std::string::npos);
    }
  }
}

TEST_F(DownloadTest, ARangeFromElsewhereThanAskedIsNotWritten) {
  const std::string package = PackageBytes(5000);
  folder_.Write("Brimsel.zip", package.substr(0, 1000));
  // Asked for the bytes from 1000 on, the server sends the whole package as a range.
  StartServer(Replies(HttpReplyHead(200, 5000), HttpReply(206, package, "Content-Range: bytes 0-4999/5000\r\n")));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(Continue());
  EXPECT_EQ(LocalBytes(), package.substr(0, 1000));
}

TEST_F(DownloadTest, ServerThatIgnoresTheRangeRewritesTheKeptFileFromTheStart) {
  const std::string package = PackageBytes(3000);
  folder_.Write("Brimsel.zip", std::string(1000, 'K'));
  StartServer(Replies(HttpReplyHead(200, 3000), HttpReply(200, package)));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(Continue());
  EXPECT_EQ(LocalBytes(), package);
}

TEST_F(DownloadTest, ProgressLabelAndBarFollowEveryChunk) {
  const std::string package = PackageBytes(5000);
  // The second chunk leaves the server only once the first has been shown.
  FirstChunkServer chunks(package);
  StartServer(chunks.Script([](ServerConnection& connection, const std::string& all) { connection.Send(all.substr(4096)); }));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  PumpScope pump(chunks.Pump(FirstChunkShown()));
  EXPECT_TRUE(Download());
  EXPECT_EQ(LocalBytes(), package);
  EXPECT_EQ(view_.labels,
            (std::vector<std::string>{Utf8ToGbk("已完成 4,096/5,000 字节"), Utf8ToGbk("已完成 5,000/5,000 字节")}));
  EXPECT_EQ(view_.max, 5000);
  EXPECT_EQ(view_.positions, (std::vector<int>{4096, 5000}));
  EXPECT_GE(chunks.Pumps(), 2);  // and while the replies are awaited
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
  PumpScope pump([&, release = chunks.Pump(FirstChunkShown())] {
    release();
    view_.cancel = !view_.labels.empty();
  });
  EXPECT_FALSE(Download());
  EXPECT_EQ(view_.labels.size(), 1u);
  EXPECT_EQ(LocalBytes(), package.substr(0, 4096));
  EXPECT_FALSE(socket_.Active());
  ASSERT_EQ(gone.wait_for(10s), std::future_status::ready);
  EXPECT_TRUE(gone.get());
}

TEST_F(DownloadTest, ResetDuringTheBodyFails) {
  const std::string package = PackageBytes(50000);
  FirstChunkServer chunks(package);
  StartServer(chunks.Script([](ServerConnection& connection, const std::string&) { connection.Reset(); }));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  PumpScope pump(chunks.Pump(FirstChunkShown()));
  EXPECT_FALSE(Download());
  EXPECT_EQ(LocalBytes(), package.substr(0, 4096));
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

// Header lines without end, trickled or at full speed, and a Close while the reply is
// awaited: each ends the download with false while the server is still sending, never by
// the server's own limit of 30 s.
TEST_F(DownloadTest, HeaderBlockIsBoundedInBytesAndTimeAndCloseStopsItsWait) {
  const struct {
    const char* name;
    std::chrono::milliseconds gap;  // between two header lines
    bool closeWhilePumping;
  } rows[] = {{"trickled", 20ms, false}, {"flooded", 0ms, false}, {"closed", 20ms, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto clientLeft = std::make_shared<std::promise<bool>>();
    StartServer([clientLeft, gap = row.gap](ServerConnection& connection, int) {
      connection.ReadRequest();
      const auto limit = std::chrono::steady_clock::now() + 30s;
      bool sent = connection.Send("HTTP/1.1 200 OK\r\n");
      while (sent && std::chrono::steady_clock::now() < limit) {
        sent = connection.Send("X-Again: and again\r\n");
        if (gap > 0ms) std::this_thread::sleep_for(gap);
      }
      clientLeft->set_value(!sent);
    });
    BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
    int pumps = 0;
    PumpScope pump([&] { view_.cancel = row.closeWhilePumping && ++pumps == 3; });
    DownloadLimits limits;
    limits.headerBlockMs = row.closeWhilePumping ? 60000 : 500;
    EXPECT_FALSE(Download(limits));
    EXPECT_FALSE(socket_.Active());
    EXPECT_TRUE(clientLeft->get_future().get());
    server_.reset();
  }
}

// A body that the server sends in batches, one batch for each pump of the client's window,
// while each pump moves the pace rule's clock on by a second: the trickle's rate in the
// rule's time is `batch` bytes a second, however busy the machine.
class PumpPacedServer {
 public:
  PumpPacedServer(std::string package, std::size_t batch)
      : shared_(std::make_shared<Shared>()), package_(std::move(package)), batch_(batch) {}

  ScriptedServer::Script Script() const {
    return [shared = shared_, package = package_, batch = batch_](ServerConnection& connection, int) {
      const auto size = static_cast<std::int64_t>(package.size());
      if (connection.ReadRequest().starts_with("HEAD ")) {
        connection.Send(HttpReplyHead(200, size));
        return;
      }
      // Releases that came before the body was asked for count from here on.
      int sent = shared->Releases();
      if (!connection.Send(HttpReplyHead(206, size))) return;
      for (std::size_t at = 0; at < package.size(); at += batch) {
        if (!shared->WaitForRelease(sent++, connection)) return;
        if (!connection.Send(std::string_view(package).substr(at, batch))) return;
      }
      connection.WaitForClientClose();
    };
  }
  platform::MessagePump Pump() {
    return [this] {
      ++seconds_;
      shared_->Release();
    };
  }
  PaceRule Rule() const {
    PaceRule rule;
    rule.now = [this] { return start_ + std::chrono::seconds(seconds_); };
    return rule;
  }

 private:
  struct Shared {
    int Releases() {
      const std::lock_guard lock(mutex);
      return releases;
    }
    void Release() {
      const std::lock_guard lock(mutex);
      ++releases;
      released.notify_all();
    }
    // False when the client leaves, or no release beyond `count` comes within 20 s.
    bool WaitForRelease(int count, ServerConnection& connection) {
      for (int slice = 0; slice < 400; ++slice) {
        std::unique_lock lock(mutex);
        if (released.wait_for(lock, 50ms, [&] { return releases > count; })) return true;
        lock.unlock();
        if (connection.WaitForClientClose(0ms)) return false;
      }
      return false;
    }
    std::mutex mutex;
    std::condition_variable released;
    int releases = 0;
  };
  std::shared_ptr<Shared> shared_;
  std::string package_;
  std::size_t batch_;
  const PaceRule::Clock::time_point start_ = PaceRule::Clock::now();
  int seconds_ = 0;
};

// Fewer than 1 KiB in 30 s ends the download as a failure that keeps what came, for the
// resume; a slow but steady body arrives whole.
TEST_F(DownloadTest, BodyBelowAKibibyteIn30SecondsFailsAndKeepsWhatCame) {
  const std::string package = PackageBytes(16000);
  const struct {
    std::size_t batch;  // bytes a second
    DownloadOutcome outcome;
  } rows[] = {{10, DownloadOutcome::BodyTooSlow}, {400, DownloadOutcome::Complete}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.batch);
    PumpPacedServer paced(package, row.batch);
    StartServer(paced.Script());
    BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
    PumpScope pump(paced.Pump());
    DownloadLimits limits;
    limits.pace = paced.Rule();
    const DownloadReport report = DownloadPackageReporting(socket_, view_, PackageUrl(), LocalPath(), limits);
    EXPECT_EQ(report.outcome, row.outcome) << DescribeDownload(report);
    EXPECT_EQ(LocalBytes(), package.substr(0, static_cast<std::size_t>(report.received)));
    if (row.outcome == DownloadOutcome::BodyTooSlow) {
      EXPECT_GT(report.received, 0);
      EXPECT_LT(report.received, 2000);
      EXPECT_NE(DescribeDownload(report).find("fewer than 1024 bytes in 30 s"), std::string::npos);
    }
    EXPECT_FALSE(socket_.Active());
    server_.reset();
  }
}

// A server that accepts no connection (its queue is full), or that falls silent in the
// body: the window is pumped while the download waits, and a Close confirmed meanwhile
// ends the wait at once.
TEST_F(DownloadTest, ConfirmedCloseEndsTheWaitForAConnectionOrTheBody) {
  for (const bool inBody : {false, true}) {
    SCOPED_TRACE(inBody ? "body" : "connect");
    const std::string package = PackageBytes(50000);
    auto clientLeft = std::make_shared<std::promise<bool>>();
    StartServer([=](ServerConnection& connection, int index) {
      if (!inBody) {  // the first connection is held and never answered; the rest queue up
        if (index == 0) connection.WaitForClientClose(30s);
        return;
      }
      const bool head = connection.ReadRequest().starts_with("HEAD ");
      connection.Send(HttpReplyHead(head ? 200 : 206, 50000) + (head ? "" : package.substr(0, 100)));
      if (!head) clientLeft->set_value(connection.WaitForClientClose(30s));
    });
    BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
    // Connections that fill the server's queue, until one of them is not accepted.
    std::vector<std::unique_ptr<platform::TClientSocket>> queued;
    bool queueFull = inBody;
    for (int i = 0; i < 64 && !queueFull; ++i) {
      auto filler = std::make_unique<platform::TClientSocket>();
      bool giveUp = false;
      int waits = 0;
      PumpScope pump([&] { giveUp = ++waits == 5; });
      filler->SetCancelFlag(&giveUp);
      filler->SetHost(server_->Address());
      filler->SetPort(80);
      try {
        filler->SetActive(true);
        queued.push_back(std::move(filler));
      } catch (const Exception&) {
        queueFull = giveUp;
      }
    }
    ASSERT_TRUE(queueFull);

    // Close is confirmed at the third pump of the wait in question.
    int pumps = 0;
    PumpScope pump([&] { view_.cancel = view_.cancel || ((!inBody || !view_.labels.empty()) && ++pumps == 3); });
    const DownloadReport report = DownloadPackageReporting(socket_, view_, PackageUrl(), LocalPath());
    EXPECT_EQ(report.outcome, DownloadOutcome::Cancelled) << DescribeDownload(report);
    EXPECT_EQ(pumps, 3);
    EXPECT_EQ(LocalBytes(), inBody ? package.substr(0, 100) : "");
    EXPECT_FALSE(socket_.Active());
    if (inBody) {
      EXPECT_TRUE(clientLeft->get_future().get());
    }
    queued.clear();
    server_.reset();
  }
}

TEST_F(DownloadTest, SlowHeadersStillWork) {
  const std::string package = PackageBytes(3000);
  StartServer([package](ServerConnection& connection, int) {
    const bool head = connection.ReadRequest().starts_with("HEAD ");
    connection.SendSlowly(HttpReplyHead(head ? 200 : 206, 3000), 1ms);
    if (!head) connection.Send(package);
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_TRUE(Download());
  EXPECT_EQ(LocalBytes(), package);
}

// One reply to the HEAD and one to the GET, and what the download makes of them. Every
// failure leaves exactly the bytes the server promised and sent, and the socket closed.
struct ReplyCase {
  std::string name;
  std::string head;
  std::string get;
  bool thenSilent;  // the server keeps the connection open, saying nothing (short waits)
  bool complete;
  std::string saved;
  int connections;  // -1: not checked
};

void PrintTo(const ReplyCase& row, std::ostream* out) { *out << row.name; }

std::vector<ReplyCase> ReplyCases() {
  const std::string p3000 = PackageBytes(3000);
  const std::string p5000 = PackageBytes(5000);
  const std::string page = "<html>404 Not Found</html>";
  const std::string silentHead = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n";
  std::vector<ReplyCase> cases = {
      {"ServerClosingBeforeTheEndFailsInsteadOfSpinning", HttpReplyHead(200, 5000),
       HttpReplyHead(206, 5000) + p5000.substr(0, 3000), false, false, p5000.substr(0, 3000), -1},
      {"ServerFallingSilentInTheBodyFails", HttpReplyHead(200, 5000), HttpReplyHead(206, 5000) + p5000.substr(0, 100),
       true, false, p5000.substr(0, 100), -1},
      {"ServerClosingInTheHeadReplyFails", "HTTP/1.1 200 OK\r\nContent-Len", "", false, false, "", 1},
      {"ServerClosingInTheGetReplyHeadersFails", HttpReplyHead(200, 10), "HTTP/1.1 206 Partial Content\r\n", false,
       false, "", -1},
      {"ServerFallingSilentInTheHeadersFails", silentHead, silentHead, true, false, "", 1},
      // "Content-Length:3000" has no blank after the colon and is not recognised.
      {"HeadReplyWithoutContentLengthFails", "HTTP/1.1 200 OK\r\nContent-Length:3000\r\n\r\n", HttpReply(206, p3000),
       false, false, "", 1},
      {"GetReplyWithoutContentLengthFails", HttpReplyHead(200, 3000), "HTTP/1.1 206 Partial Content\r\n\r\n" + p3000,
       false, false, "", -1},
      {"RangeLengthShortOfThePackageFails", HttpReplyHead(200, 5000), HttpReplyHead(206, 1000) + p5000, false, false,
       p5000.substr(0, 1000), -1},
      {"NotFoundIsNoPackage", HttpReplyHead(404, page.size()), HttpReply(404, page), false, false, "", -1},
      {"NotFoundAfterTheHeadIsNoPackage", HttpReplyHead(200, page.size()), HttpReply(404, page), false, false, "", -1},
      {"ContentLengthInAnyLetterCaseWithBlanksAndTheLastOneCounting",
       "HTTP/1.1 200 OK\r\ncontent-length: 5\r\nCONTENT-LENGTH:   3000  \r\n\r\n",
       "HTTP/1.1 206 Partial Content\r\nContent-length: 3000\r\n\r\n" + p3000, false, true, p3000, -1},
      {"EmptyPackageAnnouncedAsSuchIsComplete", HttpReplyHead(200, 0), HttpReply(200, ""), false, true, "", -1},
  };
  for (const auto& [value, kind] : {std::pair{"abc", "Letters"}, {"99999999999", "TooBig"}, {"-5", "Negative"},
                                    {"1e3", "Exponent"}}) {
    cases.push_back({std::string("ContentLengthThatIsNoNumberFails_") + kind,
                     std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + value + "\r\n\r\n", HttpReply(206, ""), false,
                     false, "", 1});
  }
  return cases;
}

class DownloadReplyTest : public DownloadTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(DownloadReplyTest, EndsAsTheRepliesDeserve) {
  const ReplyCase& row = GetParam();
  StartServer(Replies(row.head, row.get, row.thenSilent));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  // Short waits, for the servers that fall silent on purpose.
  EXPECT_EQ(Download(row.thenSilent ? ShortWaits(200) : DownloadLimits{}), row.complete);
  EXPECT_EQ(LocalBytes(), row.saved);
  EXPECT_FALSE(socket_.Active());
  if (row.connections >= 0) {
    EXPECT_EQ(server_->ConnectionCount(), row.connections);
  }
}

INSTANTIATE_TEST_SUITE_P(Replies, DownloadReplyTest, ::testing::ValuesIn(ReplyCases()),
                         [](const ::testing::TestParamInfo<ReplyCase>& named) { return named.param.name; });

TEST_F(DownloadTest, UnreachableOrUnknownHostFailsWithoutRaising) {
  EXPECT_FALSE(DownloadPackage(socket_, view_, std::string("http://") + kRefusingHost + "/update/Brimsel.zip",
                               LocalPath()));
  EXPECT_TRUE(platform::FileExists(LocalPath()));
  EXPECT_FALSE(DownloadPackage(socket_, view_, "http://no-such-host.invalid/update/Brimsel.zip", LocalPath()));
  EXPECT_FALSE(socket_.Active());
}

TEST_F(DownloadTest, FileThatCannotBeCreatedOrDeletedFailsBeforeConnecting) {
  StartServer(PackageServer(PackageBytes(100)));
  BRIMSEL_SKIP_UNLESS_LISTENING(*server_);
  EXPECT_FALSE(DownloadPackage(socket_, view_, PackageUrl(), folder_.WinPath() + "missing\\Brimsel.zip"));
  // A read-only leftover is kept.
  folder_.Write("Brimsel.zip", "old");
  ASSERT_TRUE(platform::SetFileAttributes(LocalPath(), platform::kAttributeReadOnly));
  EXPECT_FALSE(Download());
  EXPECT_EQ(LocalBytes(), "old");
  EXPECT_EQ(server_->ConnectionCount(), 0);
}

}  // namespace
}  // namespace brimsel::test
