#pragma once
// The profile functions on a file of a temporary folder, and a file as a vendor might edit
// it by hand.

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/profile.h"
#include "support/temp_dir.h"

namespace brimsel::platform {

class ProfileTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir.WinPath() + "Update.ini"; }
  void Make(std::string_view content) const { dir.Write("Update.ini", content); }
  std::string Content() const { return test::TempDir::Read(dir.path() / "Update.ini"); }
  std::string Get(std::string_view section, std::string_view key) const {
    return GetPrivateProfileStringA(section, key, "<default>", Path());
  }
  bool Set(std::string_view section, std::string_view key, std::string_view value) const {
    return WritePrivateProfileStringA(section, key, value, Path());
  }
  std::size_t EntriesInFolder() const {
    namespace fs = std::filesystem;
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
  }

  test::TempDir dir;
};

// A file as a vendor might edit it by hand: comments, blanks, other sections, CR LF.
inline const std::string kHandMade =
    "; settings of the updater\r\n"
    "[Other]\r\n"
    "title = not this one\r\n"
    "\r\n"
    "  [ Main ]  \r\n"
    "; title=commented out\r\n"
    "  Title\t=  ABCD  \r\n"
    "version=\"quoted\"\r\n"
    "homepage='single'\r\n"
    "odd=\"mixed'\r\n"
    "bare\r\n"
    "\r\n"
    "[last]\r\n"
    "x=1";

}  // namespace brimsel::platform
