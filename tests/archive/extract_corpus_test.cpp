// Every archive of the test corpus extracts to the SHA-256 digests its manifest lists, for
// every method; the entries damaged on purpose leave no file behind.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "archive/unzipper.h"
#include "platform/files.h"
#include "support/sha256.h"
#include "support/temp_dir.h"

namespace brimsel {
namespace {

const std::string kCorpus = std::string(BRIMSEL_TEST_DATA_DIR) + "/zip/";

using Row = std::vector<std::string>;

std::vector<Row> ReadTsv(const std::string& file) {
  std::ifstream in(file);
  std::vector<Row> rows;
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    Row row;
    std::stringstream fields(line);
    std::string field;
    while (std::getline(fields, field, '\t')) row.push_back(field);
    row.resize(13);
    rows.push_back(row);
  }
  return rows;
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

struct ArchiveCase {
  std::string name;
  std::string password;
};

std::vector<ArchiveCase> CorpusArchives() {
  std::vector<ArchiveCase> cases;
  for (const Row& row : ReadTsv(kCorpus + "ARCHIVES.tsv")) cases.push_back({row[0], row[5]});
  return cases;
}

class CorpusExtraction : public ::testing::TestWithParam<ArchiveCase> {};

TEST_P(CorpusExtraction, ExtractsTheManifestContents) {
  const ArchiveCase& archive = GetParam();
  test::TempDir dir;
  TUnzipper zip;
  zip.SetDestDir(dir.WinPath() + "out");
  zip.SetZipName(platform::WindowsPath(kCorpus + archive.name));
  // Folders recreated and names kept as stored, so that every entry has its own file.
  zip.RecreateDirs = true;
  zip.OEMConvert = TOEMConvert::oemNever;
  zip.OverwriteMode = TUZOverwriteMode::Always;
  zip.DoAll = true;
  zip.Password = archive.password;
  std::set<std::string> written;
  zip.OnEndUnZip = [&](TUnzipper&, int, const std::string& fName) { written.insert(fName); };

  std::vector<Row> rows;
  for (const Row& row : ReadTsv(kCorpus + "MANIFEST.tsv"))
    if (row[0] == archive.name && !row[2].empty()) rows.push_back(row);

  if (archive.name == "iz_truncated.zip") {
    zip.LoadDirectory();
    EXPECT_THROW(zip.ExtractFiles(), EIncompleteZip);
    EXPECT_FALSE(platform::DirectoryExists(dir.WinPath() + "out"));
    return;
  }

  const int count = zip.ExtractFiles();
  int expected = 0;
  for (const Row& row : rows) {
    std::string stored = FromHex(row[2]);
    for (char& c : stored)
      if (c == '/') c = '\\';
    const bool directory = row[8] == "-";
    const bool corrupt = row[12].find("CORRUPT ON PURPOSE") != std::string::npos;
    if (!corrupt) ++expected;
    if (directory) continue;
    const std::string target = zip.DestDir() + "\\" + stored;
    SCOPED_TRACE(row[1] + " (" + row[3] + ")");
    if (corrupt) {
      EXPECT_FALSE(platform::FileExists(target));
      EXPECT_EQ(written.count(target), 0u);
    } else {
      EXPECT_EQ(written.count(target), 1u);
      EXPECT_EQ(test::Sha256OfFile(platform::NativePath(target)), row[8]);
    }
  }
  EXPECT_EQ(count, expected);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusExtraction, ::testing::ValuesIn(CorpusArchives()),
                         [](const ::testing::TestParamInfo<ArchiveCase>& param) {
                           std::string name;
                           for (char c : param.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace brimsel
