// "updtool ini set/get" run as the vendor runs them, and read back as the updater reads.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <memory>

#include "platform/codepage.h"
#include "platform/files.h"
#include "settings/settings_cipher.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace brimsel {
namespace {
using test::TempDir;

struct Outcome {
  int exitCode = -1;
  std::string output;  // standard output only
};

std::string Quoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

Outcome Updtool(const std::vector<std::string>& args) {
  std::string command = Quoted(BRIMSEL_BIN_DIR "/updtool");
  for (const std::string& arg : args) command.append(" ").append(Quoted(arg));
  command += " 2>/dev/null";
  Outcome outcome;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return outcome;
  std::array<char, 4096> buffer{};
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) outcome.output.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

class UpdtoolIniTest : public ::testing::Test {
 protected:
  std::string File() const { return (dir.path() / "Update.ini").string(); }
  std::string SettingsPathOfFile() const { return dir.WinPath() + "Update.ini"; }

  TempDir dir;
};

TEST_F(UpdtoolIniTest, SetStoresWhatTheUpdaterDeciphersAndGetPrintsItInUtf8) {
  ASSERT_EQ(Updtool({"ini", "set", File(), "title", "在线升级 Brimsel"}).exitCode, 0);
  ASSERT_EQ(Updtool({"ini", "set", File(), "homepage", "http://www.example.com"}).exitCode, 0);
  ASSERT_EQ(Updtool({"ini", "set", File(), "fsoftname", "brimsel31"}).exitCode, 0);
  ASSERT_EQ(Updtool({"ini", "set", File(), "LastUpdate", "2026-12-7"}).exitCode, 0);

  const std::string title = platform::Utf8ToGbk("在线升级 Brimsel");
  EXPECT_EQ(test::TempDir::Read(File()),
            "[main]\r\ntitle=" + EncryptToHexText(title, kSettingsKeyString) +
                "\r\nhomepage=" + EncryptToHexText("http://www.example.com", kSettingsKeyString) +
                "\r\nFSoftName=" + EncryptToHexText("brimsel31", kSettingsKeyString) + "\r\nLastUpdate=2026-12-7\r\n");
  ShowTimeSettings values;
  ReadShowTimeSettings(SettingsPathOfFile(), values);
  EXPECT_EQ(values.title, title);
  EXPECT_EQ(values.homepage, "http://www.example.com/");
  EXPECT_EQ(values.packageName, "brimsel31");
  EXPECT_EQ(ReadLastUpdate(SettingsPathOfFile()), *platform::TryStrToDate("2026-12-7"));

  EXPECT_EQ(Updtool({"ini", "get", File(), "TITLE"}).output, "在线升级 Brimsel\n");  // UTF-8
  EXPECT_EQ(Updtool({"ini", "get", File(), "LastUpdate"}).output, "2026-12-7\n");
  EXPECT_EQ(Updtool({"ini", "get", File(), "version"}).output, "\n");  // absent: empty, as the updater sees it
}

TEST_F(UpdtoolIniTest, SetReplacesOnlyTheOneValue) {
  dir.Write("Update.ini", "; vendor notes\n[main]\ntitle=0011\nLastUpdate=2005-1-1\n");
  ASSERT_EQ(Updtool({"ini", "set", File(), "LastUpdate", "2026-12-7"}).exitCode, 0);
  EXPECT_EQ(test::TempDir::Read(File()), "; vendor notes\n[main]\ntitle=0011\nLastUpdate=2026-12-7\n");
}

TEST_F(UpdtoolIniTest, PlainWritesTheValueAsGiven) {
  ASSERT_EQ(Updtool({"ini", "set", "--plain", File(), "version", "not hex"}).exitCode, 0);
  EXPECT_EQ(Updtool({"ini", "get", "--plain", File(), "version"}).output, "not hex\n");
  const Outcome deciphered = Updtool({"ini", "get", File(), "version"});
  EXPECT_EQ(deciphered.exitCode, 1);
  EXPECT_EQ(deciphered.output, "");
}

TEST_F(UpdtoolIniTest, UsageErrorsExitWithTwoAndFailuresWithOne) {
  EXPECT_EQ(Updtool({"ini", "set", File(), "title"}).exitCode, 2);
  EXPECT_EQ(Updtool({"ini", "set", File(), "title", "a", "b"}).exitCode, 2);
  EXPECT_EQ(Updtool({"ini", "set", File(), "nosuchkey", "a"}).exitCode, 2);
  EXPECT_EQ(Updtool({"ini", "set", "--secret", File(), "title", "a"}).exitCode, 2);
  EXPECT_EQ(Updtool({"ini", "get", File()}).exitCode, 2);
  EXPECT_EQ(Updtool({"ini", "get", File(), "title"}).exitCode, 1);  // no such file
  EXPECT_FALSE(platform::FileExists(SettingsPathOfFile()));
  EXPECT_EQ(Updtool({"ini", "set", (dir.path() / "missing" / "Update.ini").string(), "title", "x"}).exitCode, 1);
  EXPECT_EQ(Updtool({"ini", "set", File(), "title", "emoji 😀"}).exitCode, 1);  // not in GBK

  dir.Write("Update.ini", "[main]\n");
  ASSERT_TRUE(platform::SetFileAttributes(SettingsPathOfFile(), platform::kAttributeReadOnly));
  EXPECT_EQ(Updtool({"ini", "set", File(), "title", "x"}).exitCode, 1);
  EXPECT_EQ(test::TempDir::Read(File()), "[main]\n");
}

}  // namespace
}  // namespace brimsel
