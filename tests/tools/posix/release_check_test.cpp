// updtool release, keygen and check as a vendor runs them: what a release refuses, the
// layout it writes, and check against a good release, each broken or forged one and a
// stalling server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "archive/unzipper.h"
#include "net/update_site.h"
#include "pattern/match_first_group.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "signature/package_signature.h"
#include "support/malleated_signature.h"
#include "support/scripted_server.h"
#include "support/zip_builder.h"
#include "support/temp_dir.h"

namespace brimsel {
namespace {
namespace fs = std::filesystem;
using test::TempDir;
using namespace std::chrono_literals;

constexpr int kReleaseTestBlock = 6;

struct ToolRun {
  int exitCode = -1;
  std::string output;  // standard output and error
};

ToolRun RunUpdtool(const std::string& arguments) {
  ToolRun run;
  FILE* pipe = ::popen((BRIMSEL_BIN_DIR "/updtool " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, n);
  const int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Quoted(const fs::path& path) {
  std::string quoted(1, '\'');
  quoted.append(path.string()).push_back('\'');
  return quoted;
}

class ReleaseTest : public ::testing::Test {
 protected:
  ToolRun Release(const std::string& name, const std::string& more = "") {
    return RunUpdtool("release " + Quoted(dir_.path() / "src") + " " + name + " --site " + Quoted(Site()) + " " + more);
  }
  fs::path Site() const { return dir_.path() / "site"; }
  std::string SiteFile(const std::string& relative) const { return TempDir::Read(Site() / relative); }
  std::string Key(const char* file) const { return Quoted(fs::path(BRIMSEL_TEST_DATA_DIR) / "vendor_key" / file); }

  TempDir dir_;
};

TEST_F(ReleaseTest, RefusesWhatTheUpdaterWouldInstallWronglyBeforeWritingAnything) {
  const struct {
    std::vector<std::string> files;  // a name ending in "/" is an empty folder
    const char* date;
    const char* reason;
  } rows[] = {
      {{"a/X.txt", "b/x.TXT"}, "2026-12-7", "a/X.txt and b/x.TXT would both be installed as x.txt"},
      {{"a.txt", "empty/"}, "2026-12-7", "empty folder empty"},
      {{"a.txt"}, "2026-2-30", "is not in the short date format"},
      {{"a.txt"}, "7.12.2026", "is not in the short date format"},
      {{"\xF0\x9F\x98\x80.txt"}, "2026-12-7", "cannot hold"},
      // What Windows folds into one file or reads as another.
      {{"a/Ａ.txt", "b/ａ.txt"}, "2026-12-7", "a/Ａ.txt and b/ａ.txt would both be installed"},
      {{"Α", "α"}, "2026-12-7", "Α and α would both be installed"},
      {{"Ⅰ.txt", "ⅰ.txt"}, "2026-12-7", "would both be installed"},
      {{"LONG~1.TXT"}, "2026-12-7", "LONG~1.TXT: the name has the shape of a short alias"},
      {{"nul.txt"}, "2026-12-7", "nul.txt: the name is a device of Windows"},
      {{"x."}, "2026-12-7", "x.: the name ends in a dot"},
      {{"a?.txt"}, "2026-12-7", "a?.txt: the name holds a character Windows reserves"},
      {{}, "2026-12-7", "is empty"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.reason);
    fs::remove_all(dir_.path() / "src");
    fs::create_directories(dir_.path() / "src");
    for (const std::string& file : row.files) {
      if (file.ends_with('/')) fs::create_directories(dir_.path() / "src" / file);
      else dir_.Write("src/" + file, "content");
    }
    const ToolRun run = Release("Brimsel", std::string("--date ") + row.date);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find(row.reason), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(Site()));
  }
}

// Releases that the updater would install and that would then break every end user: its own
// files (under any folder and letter case, as the installation flattens and lowers them),
// a date after today, a date no later than the published one. --force says what it overrides.
TEST_F(ReleaseTest, RefusesWhatWouldBreakEveryEndUserUnlessForced) {
  dir_.Write("src/a.txt", "a");
  ASSERT_EQ(Release("Brimsel", "--date '2026-12-7 14:30'").exitCode, 0);
  const std::string published = SiteFile("update/getver/Brimsel.html");
  const struct {
    const char* file;  // besides a.txt
    const char* date;
    const char* reason;
  } rows[] = {
      {"cfg/UPDATE.INI", "2026-12-8", "cfg/UPDATE.INI would meet Update.ini"},
      {"Update.bat", "2026-12-8", "Update.bat would meet update.bat"},
      {"bin/batchrun", "2026-12-8", "would meet batchrun"},
      {"update.exe.new", "2026-12-8", "would meet update.exe.new"},
      {"x/Update.LOG", "2026-12-8", "would meet update.log"},
      {"update.lock", "2026-12-8", "would meet update.lock"},
      {"brimsel.zip", "2026-12-8", "would meet Brimsel.zip"},
      {nullptr, "2099-1-1", "the release date 2099-1-1 is after today"},
      {nullptr, "2026-12-7 14:30", "is not later than the one published, 2026-12-7 14:30"},
      {nullptr, "2026-12-7", "is not later than the one published"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.reason);
    fs::remove_all(dir_.path() / "src");
    dir_.Write("src/a.txt", "a");
    if (row.file != nullptr) dir_.Write(std::string("src/") + row.file, "own");
    const ToolRun run = Release("Brimsel", std::string("--date '") + row.date + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find(row.reason), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("nothing published"), std::string::npos) << run.output;
    EXPECT_EQ(SiteFile("update/getver/Brimsel.html"), published);
  }
  // update.exe is how a new updater arrives.
  dir_.Write("src/bin/Update.EXE", "new updater");
  EXPECT_EQ(Release("Brimsel", "--date '2026-12-7 15:00'").exitCode, 0);

  dir_.Write("src/Update.ini", "[main]");
  const ToolRun forced = Release("Brimsel", "--date 2026-12-7 --force");
  EXPECT_EQ(forced.exitCode, 0) << forced.output;
  EXPECT_NE(forced.output.find("--force overrides"), std::string::npos) << forced.output;
  EXPECT_NE(forced.output.find("Update.ini would meet Update.ini"), std::string::npos) << forced.output;
  EXPECT_NE(forced.output.find("is not later than the one published, 2026-12-7 15:00"), std::string::npos);
  EXPECT_EQ(MatchFirstGroup(SiteFile("update/getver/Brimsel.html"), kReleaseDatePattern), "2026-12-7");
}

// A bad release taken back: the kept good one published anew under a later date, signed
// for that date, so that every updater takes its files again.
TEST_F(ReleaseTest, KeepsEveryReleaseAndPublishesAnEarlierOneAgainUnderALaterDate) {
  dir_.Write("src/a.txt", "good");
  ASSERT_EQ(Release("Brimsel", "--date '2026-12-7 10:00' --sign " + Key("vendor.key")).exitCode, 0);
  const std::string good = SiteFile("update/Brimsel.zip");
  dir_.Write("src/a.txt", "bad");
  ASSERT_EQ(Release("Brimsel", "--date '2026-12-7 11:00' --sign " + Key("vendor.key")).exitCode, 0);
  EXPECT_EQ(SiteFile("update/releases/2026-12-07_1000/Brimsel.zip"), good);
  EXPECT_EQ(MatchFirstGroup(SiteFile("update/releases/2026-12-07_1100/Brimsel.html"), kReleaseDatePattern),
            "2026-12-7 11:00");

  const std::string site = Quoted(Site());
  const struct {
    std::string arguments;
    const char* reason;
  } refusals[] = {
      {"2026-12-07_0900 " + site + " Brimsel --date '2026-12-7 12:00'", "no release of Brimsel of 2026-12-7 9:00 is kept"},
      {"2026-12-07_1000 " + site + " Brimsel --date '2026-12-7 12:00'", "the kept release was signed"},
      {"2026-12-07_1000 " + site + " Brimsel --date '2026-12-7 10:30' --sign " + Key("vendor.key"),
       "is not later than the one published, 2026-12-7 11:00"},
  };
  for (const auto& row : refusals) {
    SCOPED_TRACE(row.arguments);
    const ToolRun run = RunUpdtool("release --again " + row.arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find(row.reason), std::string::npos) << run.output;
  }
  EXPECT_NE(SiteFile("update/Brimsel.zip"), good);

  const ToolRun again =
      RunUpdtool("release --again '2026-12-7 10:00' " + site + " Brimsel --date '2026-12-7 12:00' --sign " + Key("vendor.key"));
  ASSERT_EQ(again.exitCode, 0) << again.output;
  EXPECT_EQ(SiteFile("update/Brimsel.zip"), good);
  EXPECT_EQ(SiteFile("update/releases/2026-12-07_1200/Brimsel.zip"), good);
  const std::string page = SiteFile("update/getver/Brimsel.html");
  const auto date = platform::TryStrToDate(MatchFirstGroup(page, kReleaseDatePattern));
  ASSERT_TRUE(date);
  EXPECT_EQ(platform::DateTimeToStr(*date), "2026-12-7 12:00");
  const std::string publicKey = TempDir::Read(fs::path(BRIMSEL_TEST_DATA_DIR) / "vendor_key" / "vendor.pub");
  EXPECT_EQ(signature::VerifyPackage(publicKey.substr(0, 64), "Brimsel", *date, good, SignatureOfPage(page)),
            signature::Verdict::Valid);
}

// A second release on one day is dated with a later time of day.
TEST_F(ReleaseTest, WritesTheLayoutThatServersServeWithGbkNamesAndASignatureOlderUpdatersIgnore) {
  dir_.Write("src/说明.txt", "Chinese name");
  dir_.Write("src/bin/Tool.DLL", std::string(5000, 't'));
  const ToolRun run = Release("Brimsel", "--date '2026-12-07 14:30' --sign " + Key("vendor.key"));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("files:   2 (5012 bytes)"), std::string::npos) << run.output;

  TUnzipper unzipper;
  unzipper.SetZipName(platform::WindowsPath(Site() / "update/Brimsel.zip"));
  unzipper.LoadDirectory();
  ASSERT_EQ(unzipper.EntryCount(), 2);
  EXPECT_EQ(unzipper.EntryFileName(0), "Tool.DLL");
  EXPECT_EQ(unzipper.EntryFileName(1), platform::Utf8ToGbk("说明.txt"));

  const std::string page = SiteFile("update/getver/Brimsel.html");
  EXPECT_EQ(MatchFirstGroup(page, kReleaseDatePattern), "2026-12-7 14:30");
  EXPECT_EQ(SignatureOfPage(page).size(), 128u);
  EXPECT_NE(SiteFile("update/test.html").find(kProbePassed), std::string::npos);
}

// The listing as the updater takes it, and the long one with a header and a date that reads
// the same in every locale.
TEST_F(ReleaseTest, PackageListingIsTheUpdatersOwnAndTheLongOneIsUnambiguous) {
  test::ZipBuilder zip;
  zip.Add("bin/Tool.DLL", "tool").dosDateTime = test::DosDateTime(2026, 3, 4, 14, 30, 6);
  dir_.Write("p.zip", zip.Build());
  const std::string package = Quoted(dir_.path() / "p.zip");
  const ToolRun plain = RunUpdtool("pkg list " + package);
  ASSERT_EQ(plain.exitCode, 0) << plain.output;
  EXPECT_TRUE(plain.output.starts_with("tool.dll\t")) << plain.output;
  const ToolRun listing = RunUpdtool("pkg list --long " + package);
  ASSERT_EQ(listing.exitCode, 0) << listing.output;
  EXPECT_EQ(listing.output, "name\tmodified\tsize\tcompressed\tratio\tmethod\tfolder\n"
                            "tool.dll\t2026-03-04 14:30:06\t       4\t       4\t100%\tstor\tbin\\\n");
}

// A site served from memory; connection 2 is the package's HEAD, when `headLengthOffBy` lies.
class CheckTest : public ReleaseTest {
 protected:
  void SetUp() override {
    dir_.Write("src/a.txt", "hello!");  // small: stored, so that its bytes lie at a known place
    dir_.Write("src/b.txt", std::string(3000, 'b'));
    ASSERT_EQ(Release("Brimsel", "--date 2026-12-7 --sign " + Key("vendor.key")).exitCode, 0);
    good_ = {{"/update/getver.asp?soft=Brimsel", SiteFile("update/getver/Brimsel.html")},
             {"/update/test.html", SiteFile("update/test.html")},
             {"/update/Brimsel.zip", SiteFile("update/Brimsel.zip")}};
  }
  ToolRun Check(const std::map<std::string, std::string>& files, const std::string& more = "",
                std::int64_t headLengthOffBy = 0) {
    auto serve = test::ServeFiles(files);
    const auto package = files.find("/update/Brimsel.zip");
    const auto size = package == files.end() ? 0 : static_cast<std::int64_t>(package->second.size());
    test::ScriptedServer server(kReleaseTestBlock, [=](test::ServerConnection& connection, int index) {
      if (index == 2 && headLengthOffBy != 0) {
        connection.ReadRequest();
        connection.Send(test::HttpReplyHead(200, size + headLengthOffBy));
        return;
      }
      serve(connection, index);
    });
    if (!server.Listening()) return ToolRun{-2, server.SkipReason()};
    return RunUpdtool("check " + server.Url() + " Brimsel " + more);
  }
  std::map<std::string, std::string> good_;
};

TEST_F(CheckTest, PassesAGoodReleaseAndFailsEachBrokenOneWithItsReason) {
  const ToolRun good = Check(good_, "--public-key " + Key("vendor.pub"));
  if (good.exitCode == -2) GTEST_SKIP() << good.output;
  EXPECT_EQ(good.exitCode, 0) << good.output;
  EXPECT_NE(good.output.find("signature: signature valid, signed for the release of 2026-12-7\n"), std::string::npos)
      << good.output;

  TempDir otherKey;
  ASSERT_EQ(RunUpdtool("keygen " + Quoted(otherKey.path())).exitCode, 0);
  ASSERT_EQ(RunUpdtool("release " + Quoted(dir_.path() / "src") + " Other --site " + Quoted(dir_.path() / "other") +
                       " --sign " + Key("vendor.key")).exitCode, 0);
  const std::string otherPackagePage = TempDir::Read(dir_.path() / "other/update/getver/Other.html");
  const std::string page = good_["/update/getver.asp?soft=Brimsel"];
  const std::string zip = good_["/update/Brimsel.zip"];
  const std::string goodSignature = SignatureOfPage(page);
  std::string damaged = zip;
  damaged[30 + 5] ^= 0x20;  // the first byte of a.txt, after its 30-byte header and name

  const struct {
    const char* what;
    std::string target;
    std::string body;  // empty: the target is gone
    std::string options;
    std::int64_t headLengthOffBy;
    const char* reason;
  } rows[] = {
      {"date", "/update/getver.asp?soft=Brimsel", "<!--date2026-13-1Main -->", "", 0, "is not in the short date format"},
      {"not later", "/update/getver.asp?soft=Brimsel", page, "--last-update 2026-12-7", 0, "is not later than LastUpdate"},
      {"probe", "/update/test.html", "\xE6\xB5\x8B\xE8\xAF\x95\xE6\x88\x90\xE5\x8A\x9F", "", 0, "the probe page does not hold"},
      {"missing", "/update/Brimsel.zip", "", "", 0, "the HEAD reply is no success"},
      {"no version page", "/update/getver.asp?soft=Brimsel", "", "", 0,
       "/update/getver.asp?soft=Brimsel was answered with status 404: the site has no version page of Brimsel"},
      {"short", "/update/Brimsel.zip", zip.substr(0, zip.size() - 30), "", 0, "FAILED"},
      {"HEAD longer", "/update/Brimsel.zip", zip, "", 10, "falls short of the HEAD reply"},
      {"HEAD shorter", "/update/Brimsel.zip", zip, "", -10, "disagree"},
      {"damaged", "/update/Brimsel.zip", damaged, "", 0, "a.txt: CRC-32 does not match"},
      {"unsigned", "/update/getver.asp?soft=Brimsel", "<!--date2026-12-7Main -->", "--public-key " + Key("vendor.pub"),
       0, "carries no signature marker"},
      {"other key", "/update/getver.asp?soft=Brimsel", page,
       "--public-key " + Quoted(otherKey.path() / "vendor.pub"), 0, "made by another key or over other bytes"},
      {"other package", "/update/getver.asp?soft=Brimsel", otherPackagePage, "--public-key " + Key("vendor.pub"), 0,
       "does not match this package, name and release"},
      // A man in the middle: this genuinely signed release served as a newer one, or
      // its signature in a second form.
      {"newer date", "/update/getver.asp?soft=Brimsel",
       "<!--date2026-12-9Main -->" + SignatureMarker(goodSignature),
       "--public-key " + Key("vendor.pub"), 0, "not signed for this package, name and the release date 2026-12-9"},
      {"malleated", "/update/getver.asp?soft=Brimsel",
       "<!--date2026-12-7Main -->" + SignatureMarker(test::WithGroupOrderAddedToS(goodSignature)),
       "--public-key " + Key("vendor.pub"), 0, "not in its canonical form"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    auto files = good_;
    if (row.body.empty()) files.erase(row.target);
    else files[row.target] = row.body;
    const ToolRun run = Check(files, row.options, row.headLengthOffBy);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find(row.reason), std::string::npos) << run.output;
  }
}

TEST_F(CheckTest, NamesTheRequestThatGotNoReplyTellsAnUncheckedSignatureAndListsTheInstalledFiles) {
  std::string gone;
  {
    test::ScriptedServer server(kReleaseTestBlock, [](test::ServerConnection&, int) {});
    BRIMSEL_SKIP_UNLESS_LISTENING(server);
    gone = server.Url();
  }
  const ToolRun refused = RunUpdtool("check " + gone + " Brimsel");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.output.find("FAILED: the version request " + gone + "/update/getver.asp?soft=Brimsel got no reply ("),
            std::string::npos) << refused.output;

  const ToolRun unchecked = Check(good_);
  EXPECT_EQ(unchecked.exitCode, 0) << unchecked.output;
  EXPECT_NE(unchecked.output.find("signature: on the version page; not checked (no --public-key)\n"),
            std::string::npos) << unchecked.output;
  EXPECT_NE(unchecked.output.find("\n  + a.txt\n  + b.txt\n"), std::string::npos) << unchecked.output;

  auto unreadable = good_;
  unreadable["/update/getver.asp?soft=Brimsel"] = "<!--date2026-12-7Main --><!--sign0123Sign -->";
  const ToolRun garbled = Check(unreadable);
  EXPECT_EQ(garbled.exitCode, 1) << garbled.output;
  EXPECT_NE(garbled.output.find("opens a signature marker that does not parse"), std::string::npos) << garbled.output;

  const ToolRun json = Check(good_, "--json");
  EXPECT_EQ(json.exitCode, 0) << json.output;
  EXPECT_TRUE(json.output.starts_with("{\"site\": \"http://")) << json.output;
  EXPECT_NE(json.output.find("\"passed\": true"), std::string::npos) << json.output;
  EXPECT_NE(json.output.find("\"failures\": [], \"files\": [\"a.txt\", \"b.txt\"]}\n"), std::string::npos)
      << json.output;
  EXPECT_EQ(json.output.find("\n{"), std::string::npos) << json.output;  // one object, nothing else
}

TEST_F(CheckTest, GivesUpOnAServerThatStallsWithinItsTimeLimit) {
  test::ScriptedServer server(kReleaseTestBlock, [](test::ServerConnection& connection, int) {
    connection.ReadRequest();
    connection.Send("HTTP/1.1 200 OK\r\n");  // and then nothing more
    connection.WaitForClientClose(60s);
  });
  BRIMSEL_SKIP_UNLESS_LISTENING(server);
  const auto start = std::chrono::steady_clock::now();
  const ToolRun run = RunUpdtool("check " + server.Url() + " Brimsel --timeout 2");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("no result within 2 s"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace brimsel
