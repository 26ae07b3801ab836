#pragma once
// Step 2 in the test program's window against local download servers: the window with
// the real step 2 over a package site, and step 3 only recorded.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/steps.h"
#include "app/window_fixture.h"
#include "platform/codepage.h"
#include "support/scripted_server.h"

namespace brimsel::test {

inline constexpr int kStepTestBlock = 2;

inline std::string Package(char fill, std::size_t size) {
  std::string bytes(size, fill);
  for (std::size_t i = 0; i < size; i += 97) bytes[i] = static_cast<char>(i);
  return bytes;
}

class DownloadStepTest : public WindowTest {
 protected:
  ScriptedServer::Script PackageSite(std::string package) {
    return ServeFiles({{"/update/Brimsel.zip", std::move(package)}});
  }
  // Shows the window with `site` as vendor site and the real step 2; step 3 only records.
  void Show(const std::string& siteUrl, const char* title = "Brimsel") {
    WizardOptions options = TestOptions();
    options.vendorSiteUrl = siteUrl;
    options.updateCheck = nullptr;  // the server page without a check
    options.downloadStep = RunDownloadStep;
    WriteEnciphered("title", title);
    WriteEnciphered("FSoftName", "Brimsel");
    MakeWindow(std::move(options)).Show();
  }
  // Next on the server page.
  void RunStep2() {
    window_->Steps().JumpTo(*window_, WizardStep::kServerTest);
    window_->btnNextClick();
  }
  std::filesystem::path StagedPackage() const { return dir_.path() / "update" / "Brimsel.zip"; }
  std::string Log() const { return platform::GbkToUtf8(TempDir::Read(dir_.path() / "update" / "update.log")); }
  std::string StagedBytes() const { return TempDir::Read(StagedPackage()); }
};

}  // namespace brimsel::test
