#pragma once
// A component that loads the archives a test writes into a temporary folder, and returns
// the names it found.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_test_support.h"

namespace brimsel::test {

using Names = std::vector<std::string>;

inline ZipBuilder TwoEntries() { return StoredEntries({{"first.txt", "one"}, {"second.txt", "two two"}}); }

class UnzipperLoadTest : public ::testing::Test {
 protected:
  std::string Write(std::string_view bytes, std::string_view name = "package.zip") {
    return WriteArchive(dir_, name, bytes);
  }
  // Loads the archive and returns the file names in index order.
  Names Load(std::string_view bytes, std::string_view name = "package.zip",
             TIncompleteZipMode mode = TIncompleteZipMode::izAssumeMulti) {
    unzipper_.IncompleteZipMode = mode;
    unzipper_.SetZipName(Write(bytes, name));
    unzipper_.LoadDirectory();
    Names names;
    for (int i = 0; i < unzipper_.EntryCount(); ++i) names.push_back(unzipper_.EntryFileName(i));
    return names;
  }
  Names Repair(std::string_view bytes, std::string_view name = "package.zip") {
    return Load(bytes, name, TIncompleteZipMode::izAssumeBad);
  }
  // Loading `path` raises E and clears the component; returns the message.
  template <class E>
  std::string ExpectRefused(const std::string& path) {
    unzipper_.SetZipName(path);
    std::string message;
    try {
      unzipper_.LoadDirectory();
      ADD_FAILURE() << path << " loaded";
    } catch (const E& e) {
      message = e.what();
    }
    EXPECT_TRUE(unzipper_.ZipName().empty());
    EXPECT_EQ(0, unzipper_.EntryCount());
    return message;
  }

  TempDir dir_;
  InspectableUnzipper unzipper_;
};

}  // namespace brimsel::test
