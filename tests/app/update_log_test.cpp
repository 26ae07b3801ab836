// update.log: the runs it keeps, the line each failure of a run leaves, and the vendor's
// signature check refusing a package whose signature is missing, wrong, for another
// release or not canonical, end to end against a server that plays the man in the middle;
// the finish page after each failure, which must not read as success.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/window_fixture.h"
#include "app/steps.h"
#include "app/update_log.h"
#include "net/update_site.h"
#include "platform/codepage.h"
#include "signature/package_signature.h"
#include "support/malleated_signature.h"
#include "support/scripted_server.h"
#include "support/zip_builder.h"

namespace brimsel::test {
namespace {
namespace fs = std::filesystem;

constexpr int kLogTestBlock = 2;
constexpr char kNewestBrimselInstalled[] = "您的计算机上已安装了最新的《Brimsel》程序及数据。";

std::string TestKey(const char* file) {
  std::ifstream in(fs::path(BRIMSEL_TEST_DATA_DIR) / "vendor_key" / file);
  std::string key;
  in >> key;
  return key;
}

std::string Package(const std::string& content = "new a") {
  ZipBuilder zip;
  zip.Add("a.txt", content);
  return zip.Build();
}

platform::DateTime Date(const char* text) { return platform::StrToDate(text); }

// A vendor site with a (signed) release of `date`.
ScriptedServer::Script Site(const std::string& date, const std::string& package, const std::string& signature = "") {
  const std::string marker = signature.empty() ? "" : SignatureMarker(signature);
  return ServeFiles({{"/update/getver.asp?soft=Brimsel", "<!--date" + date + "Main -->" + marker},
                     {"/update/test.html", platform::Utf8ToGbk("测试成功")},
                     {"/update/Brimsel.zip", package}});
}

class UpdateLogTest : public WindowTest {
 protected:
  // The window with the real steps over the temporary folder as installation folder.
  WizardForm& Show(const std::string& site, const std::string& publicKey = "") {
    WizardOptions options = TestOptions();
    options.vendorSiteUrl = site;
    options.vendorPublicKey = publicKey;
    options.updateCheck = RunUpdateCheck;
    options.downloadStep = RunDownloadStep;
    options.installStep = RunInstallStep;
    WriteEnciphered("title", "Brimsel");
    WriteEnciphered("FSoftName", "Brimsel");
    WritePlain("LastUpdate", "2025-1-1");
    MakeWindow(std::move(options)).Show();
    return *window_;
  }
  // Step 3 alone over a whole package of the release of 2026-12-7 left in the staging
  // folder (none when `package` is empty).
  void Install(const std::string& package, const std::string& signature, const std::string& publicKey) {
    WizardForm& window = Show("http://127.0.0.1", publicKey);
    if (!package.empty()) dir_.Write("update/Brimsel.zip", package);
    window.State().stagingFolder = dir_.WinPath() + "update";
    window.State().packagePath = dir_.WinPath() + "update\\Brimsel.zip";
    window.State().packageSignature = signature;
    window.State().releaseDate = Date("2026-12-7");
    window.State().packageComplete = true;
    window.Steps().JumpTo(window, WizardStep::kInstall);  // Next then finishes
  }
  // Steps 1 to 3 as the user clicks them.
  void RunUpdate(const std::string& site, const std::string& publicKey = "") {
    Show(site, publicKey).btnNextClick();
    window_->btnNextClick();
  }
  bool PackageStaged() const { return fs::exists(dir_.path() / "update" / "Brimsel.zip"); }
  std::string Log() const { return platform::GbkToUtf8(TempDir::Read(dir_.path() / "update" / "update.log")); }
  std::string LastRun() const {
    const std::string log = Log();
    return log.substr(log.rfind(UpdateLog::kRunHeader));
  }
  std::string LastUpdate() const { return ReadSetting(dir_.WinPath() + "Update.ini", kSettingsSection, kKeyLastUpdate, ""); }
};

TEST_F(UpdateLogTest, KeepsTheLastFewRunsAndCutsARunThatWritesTooMuch) {
  UpdateLog log;
  for (int run = 1; run <= 7; ++run) {
    log.Start(dir_.WinPath() + "update", "run " + std::to_string(run));
    log.Line("line of run " + std::to_string(run));
  }
  const std::string text = Log();
  EXPECT_EQ(text.find("run 2"), std::string::npos);
  EXPECT_NE(text.find("line of run 3"), std::string::npos);
  EXPECT_NE(text.find("line of run 7"), std::string::npos);
  for (int i = 0; i < 2000; ++i) log.Line(std::string(100, 'x'));
  EXPECT_LT(fs::file_size(dir_.path() / "update" / "update.log"), UpdateLog::kRunsKept * UpdateLog::kMaxRunBytes);
  EXPECT_NE(Log().find("the log is full"), std::string::npos);
  EXPECT_EQ(KeptRuns("not a log of ours"), "");
}

// A refused package is deleted: it can never be installed, and must not hold the volume.
TEST_F(UpdateLogTest, ASignatureMissingWrongOrForAnotherPackageInstallsNothingAndTheRefusedPackageGoes) {
  const std::string secret = TestKey("vendor.key");
  const std::string publicKey = TestKey("vendor.pub");
  const std::string otherKey = signature::GenerateKeyPair().secretKey;
  const platform::DateTime release = Date("2026-12-7");
  const struct {
    const char* what;
    std::string signature;
    const char* line;
  } rows[] = {
      {"missing", "", "package refused: the version page carries no signature"},
      {"other key", signature::SignPackage(otherKey, "Brimsel", release, Package()),
       "package refused: the signature does not match"},
      {"other package", signature::SignPackage(secret, "Other", release, Package()),
       "package refused: the signature does not match"},
      {"damaged", std::string(128, '0'), "package refused: the signature does not match"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Install(Package(), row.signature, publicKey);
    EXPECT_NE(LastRun().find(row.line), std::string::npos) << LastRun();
    EXPECT_FALSE(fs::exists(dir_.path() / "a.txt"));
    EXPECT_EQ(LastUpdate(), "2025-1-1");
    EXPECT_EQ(window_->LogText(), "");
    EXPECT_FALSE(PackageStaged());
    EXPECT_EQ(window_->State().failure, UpdateFailure::kSignature);
    EXPECT_EQ(FinishText(), FailedUpdateText("签名验证失败"));
  }
  Install(Package(), signature::SignPackage(secret, "Brimsel", release, Package()), publicKey);
  EXPECT_NE(LastRun().find("verified for the release of 2026-12-7"), std::string::npos) << LastRun();
  EXPECT_TRUE(fs::exists(dir_.path() / "a.txt"));
  EXPECT_NE(LastRun().find("LastUpdate written: 2026-12-7"), std::string::npos) << LastRun();
  EXPECT_EQ(window_->State().failure, UpdateFailure::kNone);
  EXPECT_EQ(FinishText(), kNewestBrimselInstalled);
}

// A man in the middle serves the genuinely signed package of the release of 2030-1-1 as the
// release of the next day, or with its signature in a second form. The keyed updater
// installs neither; the genuine release of 2030-1-2 14:30 then installs and is recorded
// with its own date and time, ahead of the client's clock, and is not offered again.
TEST_F(UpdateLogTest, AnOlderSignedReleaseUnderANewerDateIsRefusedEndToEnd) {
  const std::string secret = TestKey("vendor.key");
  const std::string publicKey = TestKey("vendor.pub");
  const std::string older = Package("the release of the morning");
  const std::string olderSignature = signature::SignPackage(secret, "Brimsel", Date("2030-1-1"), older);
  const std::string newer = Package("the release of 2030-1-2 14:30");
  const struct {
    const char* what;
    ScriptedServer::Script site;
  } forgeries[] = {
      {"older release, newer date", Site("2030-1-2", older, olderSignature)},
      {"malleated signature", Site("2030-1-1", older, WithGroupOrderAddedToS(olderSignature))},
  };
  for (const auto& forgery : forgeries) {
    SCOPED_TRACE(forgery.what);
    ScriptedServer site(kLogTestBlock, forgery.site);
    BRIMSEL_SKIP_UNLESS_LISTENING(site);
    RunUpdate(site.Url(), publicKey);
    EXPECT_NE(LastRun().find("package refused"), std::string::npos) << LastRun();
    EXPECT_FALSE(fs::exists(dir_.path() / "a.txt"));
    EXPECT_EQ(LastUpdate(), "2025-1-1");
    EXPECT_FALSE(PackageStaged());
    EXPECT_EQ(window_->State().failure, UpdateFailure::kSignature);
  }

  ScriptedServer site(kLogTestBlock, Site("2030-1-2 14:30", newer,
                                          signature::SignPackage(secret, "Brimsel", Date("2030-1-2 14:30"), newer)));
  RunUpdate(site.Url(), publicKey);
  EXPECT_EQ(TempDir::Read(dir_.path() / "a.txt"), "the release of 2030-1-2 14:30");
  EXPECT_EQ(ReadSetting(dir_.WinPath() + "Update.ini", kSettingsSection, kKeyLastUpdate, ""), "2030-1-2 14:30");
  const std::size_t requests = site.Requests().size();
  MakeWindow([this, &site] {
    WizardOptions options = TestOptions();
    options.vendorSiteUrl = site.Url();
    options.updateCheck = RunUpdateCheck;
    return options;
  }()).Show();
  window_->btnNextClick();
  EXPECT_NE(LastRun().find("release 2030-1-2 14:30 is not later than LastUpdate 2030-1-2 14:30"), std::string::npos)
      << LastRun();
  EXPECT_EQ(site.Requests().size(), requests + 1) << "only the version page is asked for";
}

TEST_F(UpdateLogTest, EachFailureOfTheInstallationLeavesItsLine) {
  Install("", "", "");
  EXPECT_NE(Log().find("no package file"), std::string::npos) << Log();
  EXPECT_EQ(FinishText(), FailedUpdateText("下载未完成"));
  Install(Package().substr(0, 40), "", "");
  EXPECT_NE(Log().find("the package cannot be extracted"), std::string::npos) << Log();
  EXPECT_EQ(FinishText(), FailedUpdateText("升级包已损坏"));
  ZipBuilder damaged;
  damaged.Add("a.txt", "new a").crc = 1234;
  Install(damaged.Build(), "", "");
  EXPECT_NE(Log().find("extraction discarded a.txt"), std::string::npos) << Log();
  EXPECT_NE(Log().find("the package brought no file: LastUpdate not written"), std::string::npos) << Log();
  EXPECT_EQ(FinishText(), FailedUpdateText("升级包已损坏"));
  // Data that break their method: the log names the rule, as zlib names its errors.
  ZipBuilder imploded;  // its tree of lengths has 16 of its 64 code lengths
  ZipEntrySpec& tree = imploded.Add("a.txt", std::string("\x00\xF0", 2) + std::string(8, '\0'));
  tree.method = 6;
  tree.uncompressedSizeField = 5;
  Install(imploded.Build(), "", "");
  EXPECT_NE(Log().find("extraction discarded a.txt: too few length code lengths"), std::string::npos) << Log();
  ZipBuilder deflated;  // a block of the reserved type
  ZipEntrySpec& block = deflated.Add("a.txt", std::string(8, '\xFF'));
  block.method = 8;
  block.uncompressedSizeField = 5;
  Install(deflated.Build(), "", "");
  EXPECT_NE(Log().find("the package cannot be extracted: error (invalid block type)"), std::string::npos) << Log();
  Install(Package(), "", "");
  EXPECT_NE(Log().find("settings " + dir_.WinPath() + "Update.ini: title set"), std::string::npos) << Log();
  EXPECT_NE(Log().find("copied "), std::string::npos) << Log();
  EXPECT_EQ(FinishText(), kNewestBrimselInstalled);
}

TEST_F(UpdateLogTest, TheCheckAndTheDownloadSayWhyNothingCame) {
  // A check that could not tell never ends on "the newest version is installed".
  const struct {
    std::string page;
    const char* line;
    bool checked;
  } pages[] = {
      {"no marker here", "has no marker <!--date...Main -->; the check failed", false},
      {"<!--date2030-13-1Main -->", "is not a date like 2005-1-1; the check failed", false},
      {"<!--date2020-1-1Main -->", "is not later than LastUpdate 2025-1-1; no update", true},
  };
  for (const auto& row : pages) {
    ScriptedServer site(kLogTestBlock, ServeFiles({{"/update/getver.asp?soft=Brimsel", row.page}}));
    BRIMSEL_SKIP_UNLESS_LISTENING(site);
    Show(site.Url()).btnNextClick();
    EXPECT_NE(Log().find("request " + site.Url() + "/update/getver.asp?soft=Brimsel: status 200"), std::string::npos);
    EXPECT_NE(Log().find(row.line), std::string::npos) << Log();
    EXPECT_EQ(LabelText("lblHit"), row.checked ? kNewestBrimselInstalled : FailedUpdateText("检查更新失败"));
  }
  {
    ScriptedServer site(kLogTestBlock, ServeFiles({}));  // no version page: 404
    Show(site.Url()).btnNextClick();
    EXPECT_NE(Log().find("/update/getver.asp?soft=Brimsel: status 404"), std::string::npos) << Log();
    EXPECT_EQ(LabelText("lblHit"), FailedUpdateText("检查更新失败"));
  }
  // A newer signed release whose package is missing: the probe passes, the download
  // fails and leaves an empty file, which is no package refused for its signature.
  ScriptedServer site(kLogTestBlock, ServeFiles({{"/update/getver.asp?soft=Brimsel", "<!--date2030-1-1Main -->"},
                                                  {"/update/test.html", platform::Utf8ToGbk("测试成功")}}));
  RunUpdate(site.Url(), TestKey("vendor.pub"));
  EXPECT_NE(Log().find("probe " + site.Url() + "/update/test.html: "), std::string::npos) << Log();
  EXPECT_NE(Log().find("the HEAD reply is no success (HEAD 404"), std::string::npos) << Log();
  EXPECT_NE(Log().find("the download brought no byte of the package: nothing installed, LastUpdate not written"),
            std::string::npos) << Log();
  EXPECT_EQ(Log().find("signature"), std::string::npos) << Log();
  EXPECT_EQ(window_->State().failure, UpdateFailure::kDownload);
  EXPECT_EQ(FinishText(), FailedUpdateText("下载未完成"));
  // A site that refuses the connection: the network library's own words (curl's, or the
  // number of WinInet's error).
  Show("http://127.80.0.1").btnNextClick();
  using ::testing::HasSubstr;
  EXPECT_THAT(Log(), ::testing::AnyOf(HasSubstr("getver.asp?soft=Brimsel: no reply (Couldn't connect"),
                                      ::testing::AllOf(HasSubstr("getver.asp?soft=Brimsel: no reply ("),
                                                       HasSubstr("(12029))"))));
  EXPECT_NE(Log().find("no version page came back; the check failed"), std::string::npos) << Log();
  EXPECT_EQ(LabelText("lblHit"), FailedUpdateText("检查更新失败"));
}

}  // namespace
}  // namespace brimsel::test
