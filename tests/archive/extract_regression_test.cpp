// Damaged archives kept from fuzzing: each ends in success or one of the component's
// errors, and nothing is written beside the destination.

#include <filesystem>

#include "extract_test_support.h"

namespace brimsel::test {
namespace {

namespace fs = std::filesystem;

TEST(ExtractRegressions, DamagedArchivesFailCleanly) {
  BoxRecorder boxes(platform::IDYES);
  const fs::path inputs = fs::path(BRIMSEL_TEST_DATA_DIR) / "extract_regressions";
  int tried = 0;
  for (const auto& input : fs::directory_iterator(inputs)) {
    if (input.path().extension() == ".md") continue;
    SCOPED_TRACE(input.path().filename().string());
    TempDir dir;
    fs::copy_file(input.path(), dir.path() / "input.zip");
    for (bool recreateDirs : {true, false}) {
      TUnzipper zip;
      zip.DoAll = true;
      zip.RecreateDirs = recreateDirs;
      zip.Password = "secret";
      zip.SetZipName(dir.WinPath() + "input.zip");
      zip.SetDestDir(dir.WinPath() + "out");
      try {
        zip.LoadDirectory();
        zip.ExtractFiles();
      } catch (const Exception&) {
      }
    }
    for (const auto& entry : fs::directory_iterator(dir.path()))
      EXPECT_TRUE(entry.path().filename() == "input.zip" || entry.path().filename() == "out") << entry.path();
    ++tried;
  }
  EXPECT_GT(tried, 100);
}

}  // namespace
}  // namespace brimsel::test
