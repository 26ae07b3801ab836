// update.log: the runs it keeps, the line each failure of a run leaves, and the vendor's
// signature check refusing a package whose signature is missing or wrong.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/qt/window_fixture.h"
#include "app/steps.h"
#include "app/update_log.h"
#include "platform/codepage.h"
#include "signature/package_signature.h"
#include "signature/signature_marker.h"
#include "support/scripted_server.h"
#include "support/zip_builder.h"

namespace brimsel::test {
namespace {
namespace fs = std::filesystem;

constexpr int kLogTestBlock = 2;

std::string TestKey(const char* file) {
  std::ifstream in(fs::path(BRIMSEL_TEST_DATA_DIR) / "vendor_key" / file);
  std::string key;
  in >> key;
  return key;
}

std::string Package() {
  ZipBuilder zip;
  zip.Add("a.txt", "new a");
  return zip.Build();
}

class UpdateLogTest : public WindowTest {
 protected:
  // The window with the real steps over the temporary folder as installation folder.
  TfrmUpdate& Show(const std::string& site, const std::string& publicKey = "") {
    TfrmUpdate::Options options = TestOptions();
    options.vendorSiteUrl = site;
    options.vendorPublicKey = publicKey;
    options.updateCheck = RunUpdateCheck;
    options.downloadStep = RunDownloadStep;
    options.installStep = RunInstallStep;
    WriteEnciphered("title", "Brimsel");
    WriteEnciphered("FSoftName", "Brimsel");
    WritePlain("LastUpdate", "2025-1-1");
    MakeWindow(std::move(options)).show();
    return *window_;
  }
  // Step 3 alone over a package left in the staging folder (none when `package` is empty).
  void Install(const std::string& package, const std::string& signature, const std::string& publicKey) {
    TfrmUpdate& window = Show("http://127.0.0.1", publicKey);
    if (!package.empty()) dir_.Write("update/Brimsel.zip", package);
    window.State().stagingFolder = dir_.WinPath() + "update";
    window.State().packagePath = dir_.WinPath() + "update\\Brimsel.zip";
    window.State().packageSignature = signature;
    window.ShowStep(3);
  }
  std::string Log() const { return platform::GbkToUtf8(TempDir::Read(dir_.path() / "update" / "update.log")); }
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

TEST_F(UpdateLogTest, ASignatureMissingWrongOrForAnotherPackageInstallsNothing) {
  const std::string secret = TestKey("vendor.key");
  const std::string publicKey = TestKey("vendor.pub");
  const std::string otherKey = signature::GenerateKeyPair().secretKey;
  const struct {
    const char* what;
    std::string signature;
    const char* line;
  } rows[] = {
      {"missing", "", "package refused: the version page carries no signature"},
      {"other key", signature::SignPackage(otherKey, "Brimsel", Package()), "package refused: the signature does not match"},
      {"other package", signature::SignPackage(secret, "Other", Package()), "package refused: the signature does not match"},
      {"damaged", std::string(128, '0'), "package refused: the signature does not match"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Install(Package(), row.signature, publicKey);
    EXPECT_NE(Log().find(row.line), std::string::npos) << Log();
    EXPECT_FALSE(fs::exists(dir_.path() / "a.txt"));
    EXPECT_EQ(LastUpdate(), "2025-1-1");
    EXPECT_EQ(window_->LogText(), "");
  }
  Install(Package(), signature::SignPackage(secret, "Brimsel", Package()), publicKey);
  EXPECT_NE(Log().find("verified"), std::string::npos) << Log();
  EXPECT_TRUE(fs::exists(dir_.path() / "a.txt"));
  EXPECT_NE(Log().find("LastUpdate written"), std::string::npos) << Log();
}

TEST_F(UpdateLogTest, EachFailureOfTheInstallationLeavesItsLine) {
  Install("", "", "");
  EXPECT_NE(Log().find("no package file"), std::string::npos) << Log();
  Install(Package().substr(0, 40), "", "");
  EXPECT_NE(Log().find("the package cannot be extracted"), std::string::npos) << Log();
  ZipBuilder damaged;
  damaged.Add("a.txt", "new a").crc = 1234;
  Install(damaged.Build(), "", "");
  EXPECT_NE(Log().find("extraction discarded a.txt"), std::string::npos) << Log();
  EXPECT_NE(Log().find("the package brought no file: LastUpdate not written"), std::string::npos) << Log();
  Install(Package(), "", "");
  EXPECT_NE(Log().find("settings " + dir_.WinPath() + "Update.ini: title set"), std::string::npos) << Log();
  EXPECT_NE(Log().find("copied "), std::string::npos) << Log();
}

TEST_F(UpdateLogTest, TheCheckAndTheDownloadSayWhyNothingCame) {
  const struct {
    std::string page;
    const char* line;
  } pages[] = {
      {"no marker here", "has no marker"},
      {"<!--date2030-13-1Main -->", "is not a date like 2005-1-1"},
      {"<!--date2020-1-1Main -->", "is not later than LastUpdate 2025-1-1"},
  };
  for (const auto& row : pages) {
    ScriptedServer site(kLogTestBlock, ServeFiles({{"/update/getver.asp?soft=Brimsel", row.page}}));
    BRIMSEL_SKIP_UNLESS_LISTENING(site);
    Show(site.Url()).btnNextClick();
    EXPECT_NE(Log().find("request " + site.Url() + "/update/getver.asp?soft=Brimsel: status 200"), std::string::npos);
    EXPECT_NE(Log().find(row.line), std::string::npos) << Log();
  }
  // A newer release whose package is missing: the probe passes, the download fails.
  ScriptedServer site(kLogTestBlock, ServeFiles({{"/update/getver.asp?soft=Brimsel", "<!--date2030-1-1Main -->"},
                                                  {"/update/test.html", platform::Utf8ToGbk("测试成功")}}));
  Show(site.Url()).btnNextClick();
  window_->btnNextClick();
  EXPECT_NE(Log().find("probe " + site.Url() + "/update/test.html: "), std::string::npos) << Log();
  EXPECT_NE(Log().find("the HEAD reply is no success (HEAD 404"), std::string::npos) << Log();
  EXPECT_NE(Log().find("LastUpdate not written"), std::string::npos) << Log();
  // A site that refuses the connection: the network library's own words.
  Show("http://127.80.0.1").btnNextClick();
  EXPECT_NE(Log().find("getver.asp?soft=Brimsel: no reply (Couldn't connect"), std::string::npos) << Log();
}

}  // namespace
}  // namespace brimsel::test
