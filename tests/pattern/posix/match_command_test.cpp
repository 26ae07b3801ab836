// "updtool match": the vendor's check of a version page, run as the tool itself.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "platform/codepage.h"
#include "support/temp_dir.h"

namespace brimsel::test {
namespace {

struct ToolRun {
  int exit_code = -1;
  std::string out;
};

std::string Quoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs updtool with the arguments; standard error goes to `error_file`.
ToolRun Updtool(const std::vector<std::string>& args, const std::filesystem::path& error_file) {
  std::string command = Quoted(BRIMSEL_BIN_DIR "/updtool");
  for (const auto& arg : args) command.append(" ").append(Quoted(arg));
  command += " 2>" + Quoted(error_file.string());
  ToolRun run;
  FILE* raw = popen(command.c_str(), "r");
  if (raw == nullptr) return run;
  std::array<char, 4096> buffer{};
  std::size_t count = 0;
  while ((count = fread(buffer.data(), 1, buffer.size(), raw)) > 0) run.out.append(buffer.data(), count);
  const int status = pclose(raw);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class MatchCommand : public ::testing::Test {
 protected:
  TempDir dir_;
  std::filesystem::path errors_ = dir_.path() / "stderr.txt";
};

TEST_F(MatchCommand, PrintsTheReleaseDateOfAVersionPage) {
  const auto page = dir_.Write("getver.html", "<html><body>\r\n<!--date2006-5-18Main -->\r\n</body></html>");
  const ToolRun run = Updtool({"match", page.string()}, errors_);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "2006-5-18\n");
}

TEST_F(MatchCommand, GbkPageAndUtf8PatternAndOutput) {
  // The page says 版本：2.1 in GBK; pattern and output are UTF-8.
  const auto page = dir_.Write("page.html", platform::Utf8ToGbk("<p>版本：2.1 版</p>"));
  const ToolRun run = Updtool({"match", page.string(), "版本：(\\S+)"}, errors_);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "2.1\n");
}

TEST_F(MatchCommand, NoMatchPrintsNothingAndFails) {
  const auto page = dir_.Write("page.html", "<!--date 2006-5-18Main -->");
  const ToolRun run = Updtool({"match", page.string()}, errors_);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(TempDir::Read(errors_).find("no match"), std::string::npos);
}

TEST_F(MatchCommand, BadPatternAndMissingFileAreReported) {
  const auto page = dir_.Write("page.html", "abc");
  ToolRun run = Updtool({"match", page.string(), "a**"}, errors_);
  EXPECT_NE(run.exit_code, 0);
  EXPECT_NE(TempDir::Read(errors_).find("TPatternEngine(comp): Nested *?+ (pos 3)"), std::string::npos);

  run = Updtool({"match", (dir_.path() / "absent.html").string()}, errors_);
  EXPECT_NE(run.exit_code, 0);
  EXPECT_NE(TempDir::Read(errors_).find("cannot read"), std::string::npos);

  run = Updtool({"match", dir_.path().string()}, errors_);
  EXPECT_NE(run.exit_code, 0);
  EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace brimsel::test
