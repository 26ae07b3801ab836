// No stored name may lead an entry outside the folder it is extracted into, with folders
// recreated or not, nothing is written through a symbolic link below the destination, and
// the damaged archives kept from fuzzing end in success or one of the component's errors.

#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "archive/archive_test_support.h"
#include "archive/extract/extract_target.h"

namespace brimsel::test {
namespace {

namespace fs = std::filesystem;

// Every file below `root` except those below `inside`.
std::set<std::string> FilesOutside(const fs::path& root, const fs::path& inside) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string path = entry.path().string();
    if (path.rfind(inside.string(), 0) == 0) continue;
    if (!entry.is_directory()) files.insert(fs::relative(entry.path(), root).string());
  }
  return files;
}

const std::vector<std::string> kHostileNames = {
    "../evil1.txt",          "..\\evil2.txt",       "a/../../evil3.txt",  "a\\..\\..\\evil4.txt",
    "/tmp/evil5.txt",        "\\evil6.txt",         "C:\\evil7.txt",      "C:evil8.txt",
    "c:/../evil9.txt",       "a/./../../evil10.txt", "..",                "a/..",
    std::string("nul\0/../../evil11.txt", 22), "ctl\x01/x.txt",       "sub/\x1b[31m.txt",   "a/ .. /x.txt",
    "..../evil12.txt",       "a\\b/../../../evil13.txt"};

class ExtractSafety : public ExtractionFixture, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    zip.RecreateDirs = GetParam();
    zip.OverwriteMode = TUZOverwriteMode::Always;
  }
};

TEST_P(ExtractSafety, HostileNamesStayInsideTheDestination) {
  ZipBuilder b;
  for (const std::string& name : kHostileNames) b.Add(name, "payload of " + name);
  b.Add("plain.txt", "plain");
  const std::string archive = WriteArchive(b);
  Extract(archive);
  EXPECT_EQ(ReadDest("plain.txt"), "plain");
  EXPECT_EQ(FilesOutside(dir.path(), dir.path() / "dest"), std::set<std::string>{"pkg.zip"});
  EXPECT_FALSE(fs::exists("/tmp/evil5.txt"));
}

TEST_P(ExtractSafety, FolderThatIsALinkIsNotFollowed) {
  fs::create_directories(dir.path() / "dest");
  fs::create_directories(dir.path() / "elsewhere");
  fs::create_directory_symlink(dir.path() / "elsewhere", dir.path() / "dest" / "link");
  ZipBuilder b;
  b.Add("link/x.txt", "through the link");
  b.Add("link/deeper/y.txt", "deeper through the link");
  Extract(WriteArchive(b));
  EXPECT_TRUE(fs::is_empty(dir.path() / "elsewhere"));
}

TEST_P(ExtractSafety, TargetThatIsALinkIsNotFollowed) {
  const fs::path outside = dir.Write("outside.txt", "keep me");
  fs::create_directories(dir.path() / "dest");
  fs::create_symlink(outside, dir.path() / "dest" / "x.txt");
  fs::create_symlink(dir.path() / "missing.txt", dir.path() / "dest" / "y.txt");
  ZipBuilder b;
  b.Add("x.txt", "replacement");
  b.Add("y.txt", "creation");
  zip.ReplaceReadOnly = true;
  EXPECT_EQ(Extract(WriteArchive(b)), 0);
  EXPECT_EQ(TempDir::Read(outside), "keep me");
  EXPECT_FALSE(fs::exists(dir.path() / "missing.txt"));
}

// A file in the way keeps nothing of its old content; a pipe in the way is not waited on;
// a target that the overwrite question renames is checked again.
TEST_P(ExtractSafety, WhatIsInTheWayIsReplacedOrRefused) {
  dir.Write("dest/longer.txt", std::string(10000, 'o'));
  ASSERT_EQ(::mkfifo((dir.path() / "dest" / "pipe.txt").c_str(), 0644), 0);
  fs::create_directories(dir.path() / "elsewhere");
  fs::create_directory_symlink(dir.path() / "elsewhere", dir.path() / "dest" / "link");
  dir.Write("dest/asked.txt", "asked");
  zip.OverwriteMode = TUZOverwriteMode::Prompt;
  zip.OnPromptForOverwrite = [this](TUnzipper&, bool& overwrite, int, std::string& fName) {
    overwrite = true;
    if (fName.ends_with("asked.txt")) fName = DestFile("link\\renamed.txt");
  };
  ZipBuilder b;
  b.Add("longer.txt", "new");
  b.Add("pipe.txt", "never");
  b.Add("asked.txt", "through the link");
  EXPECT_EQ(Extract(WriteArchive(b)), 1);
  EXPECT_EQ(ReadDest("longer.txt"), "new");
  EXPECT_TRUE(fs::is_empty(dir.path() / "elsewhere"));
}

INSTANTIATE_TEST_SUITE_P(RecreateDirs, ExtractSafety, ::testing::Bool());

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

TEST(ExtractTarget, FoldersFollowTheDirectoryRules) {
  TargetFolderRules rules;
  rules.destDir = "D:\\dest";
  EXPECT_EQ(TargetFolder(rules, "sub\\dir\\"), "D:\\dest\\");
  rules.recreateDirs = true;
  EXPECT_EQ(TargetFolder(rules, ""), "D:\\dest\\");
  EXPECT_EQ(TargetFolder(rules, "sub\\dir\\"), "D:\\dest\\sub\\dir\\");
  EXPECT_EQ(TargetFolder(rules, "\\sub\\"), "D:\\dest\\sub\\");
  EXPECT_EQ(TargetFolder(rules, "C:\\sub\\"), "D:\\dest\\sub\\");
  EXPECT_EQ(TargetFolder(rules, "C:sub\\"), "D:\\dest\\sub\\");
  EXPECT_EQ(TargetFolder(rules, ".\\sub\\.\\"), "D:\\dest\\sub\\");
  EXPECT_EQ(TargetFolder(rules, "sub\\..\\"), std::nullopt);
  EXPECT_EQ(TargetFolder(rules, "sub\\x:y\\"), std::nullopt);
  rules.relativePathList = {"Program Files\\App\\", "other"};
  EXPECT_EQ(TargetFolder(rules, "program files\\app\\bin\\"), "D:\\dest\\bin\\");
  rules.rootDir = "root/";
  EXPECT_EQ(TargetFolder(rules, "ROOT\\lib\\"), "D:\\dest\\lib\\");
  rules.destDir.clear();
  EXPECT_EQ(TargetFolder(rules, "\\abs\\"), ".\\abs\\");
}

TEST(ExtractTarget, DoubleByteNamesKeepTheirTrailBackslash) {
  // 0x955C is a GBK character whose second byte is "\": it is no separator.
  TargetFolderRules rules;
  rules.destDir = "D:\\dest";
  rules.recreateDirs = true;
  EXPECT_EQ(TargetFolder(rules, "\x95\\\\"), "D:\\dest\\\x95\\\\");
}

TEST(ExtractTarget, FileNamesThatAreNoFiles) {
  const std::pair<std::string, bool> rows[] = {
      {"ReadMe.TXT", true}, {".hidden", true},  {"\x95\\.txt", true}, {"..", false},
      {".", false},         {". .", false},     {std::string("a\0b", 3), false}, {"tab\there", false},
      {"del\x7F.txt", true}};
  for (const auto& [name, safe] : rows) EXPECT_EQ(safe, IsSafeFileName(name)) << name;
}

}  // namespace
}  // namespace brimsel::test
