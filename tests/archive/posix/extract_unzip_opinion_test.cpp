// Debian's unzip as a second opinion: archives made by Debian's zip, and archives built by
// the tests, must extract to the same bytes with the component as with unzip.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>

#include "archive/archive_test_support.h"
#include "support/sha256.h"

namespace brimsel::test {
namespace {

namespace fs = std::filesystem;

bool HaveTool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0; }

std::string Quote(const fs::path& path) { return std::string("'").append(path.string()).append("'"); }

// Relative path -> SHA-256 of every file below `root`.
std::map<std::string, std::string> Digests(const fs::path& root) {
  std::map<std::string, std::string> digests;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) digests[fs::relative(entry.path(), root).string()] = Sha256OfFile(entry.path());
  return digests;
}

class UnzipOpinion : public ExtractionFixture {
 protected:
  void SetUp() override {
    if (!HaveTool("zip") || !HaveTool("unzip")) GTEST_SKIP() << "zip and unzip are not installed";
  }

  // Extracts with the component (folders recreated) and with unzip, and compares.
  void ExpectSameAsUnzip(const fs::path& archive, const std::string& password, std::size_t expectedFiles) {
    zip.RecreateDirs = true;
    zip.OverwriteMode = TUZOverwriteMode::Always;
    zip.Password = password;
    Extract(platform::WindowsPath(archive));
    const fs::path byUnzip = dir.path() / "by-unzip";
    const std::string command = "unzip -o -qq " + (password.empty() ? std::string() : "-P " + password + " ") +
                                Quote(archive) + " -d " + Quote(byUnzip);
    // Exit code 1 is a warning: the test builder's local headers give the stored size
    // where unzip expects the size of the data, which unzip notes and then reads right.
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << command;
    const auto ours = Digests(platform::NativePath(Dest()));
    EXPECT_EQ(ours, Digests(byUnzip));
    EXPECT_EQ(ours.size(), expectedFiles);
  }

  // A small tree with text, random, repetitive and empty files.
  fs::path MakeTree() {
    std::mt19937 random(42);
    std::string noise(300000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "line " + std::to_string(i) + " of the release notes\r\n";
    dir.Write("tree/ReadMe.TXT", text);
    dir.Write("tree/bin/Update.EXE", noise);
    dir.Write("tree/bin/data/repeat.bin", std::string(200000, 'r'));
    dir.Write("tree/empty.dat", "");
    return dir.path() / "tree";
  }

  fs::path ZipTree(const std::string& options) {
    const fs::path tree = MakeTree();
    const fs::path archive = dir.path() / "made-by-zip.zip";
    const std::string command = "cd " + Quote(tree) + " && zip -qr " + options + " " + Quote(archive) + " .";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return archive;
  }
};

TEST_F(UnzipOpinion, DeflatedByZip) { ExpectSameAsUnzip(ZipTree("-9"), "", 4); }

TEST_F(UnzipOpinion, StoredByZip) { ExpectSameAsUnzip(ZipTree("-0"), "", 4); }

TEST_F(UnzipOpinion, EncryptedByZip) { ExpectSameAsUnzip(ZipTree("-P s3cret"), "s3cret", 4); }

TEST_F(UnzipOpinion, EncryptedStoredByZip) { ExpectSameAsUnzip(ZipTree("-0 -P s3cret"), "s3cret", 4); }

TEST_F(UnzipOpinion, BuiltByTheTests) {
  ZipBuilder b;
  AddEncrypted(b, "enc/deflated.txt", std::string(90000, 'e') + "end", "pw", true);
  AddEncrypted(b, "enc/stored.txt", "stored and sealed", "pw", false);
  AddCompressed(b, "plain/deflated.bin", std::string(70000, '\x01') + "x");
  b.Add("plain/stored.txt", "as it is");
  b.Add("empty.txt", "");
  ExpectSameAsUnzip(platform::NativePath(WriteArchive(b)), "pw", 5);
}

}  // namespace
}  // namespace brimsel::test
