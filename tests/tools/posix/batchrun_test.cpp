// The batch runner on its own: the updater's update.bat carried out against a running
// update.exe, killed at any moment, what it refuses, and its limits.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/self_replacement.h"
#include "batchrun/percent_expansion.h"
#include "batchrun/runner.h"
#include "batchrun/script.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "support/posix/child_process.h"
#include "support/temp_dir.h"
#include "support/whole_file_watch.h"

namespace brimsel::batchrun {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ChildProcess;
using test::TempDir;

const fs::path kRunner = fs::path(BRIMSEL_BIN_DIR) / "batchrun";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The installation folder under a Chinese name, as a user's may be.
struct Installation {
  TempDir root;
  fs::path folder = root.path() / "博睿软件";
  std::string win = platform::WindowsPath(folder) + "\\";
  Installation() { fs::create_directories(folder / "update"); }
  fs::path Write(const std::string& relative, const std::string& content) const {
    return root.Write((fs::path("博睿软件") / relative).string(), content);
  }
  std::string Read(const std::string& relative) const { return TempDir::Read(folder / relative); }
  std::string Log() const { return TempDir::Read(folder / "batchrun.log"); }
  // A program as the installed update.exe, a new one staged, and what the updater makes
  // of them: the new one beside the old one and the script.
  fs::path StageNewUpdater(const std::string& updater = "the new updater") const {
    fs::copy_file("/bin/sleep", folder / "update.exe");
    Write("update/update.exe", updater);
    PrepareSelfReplacement(win);
    return folder / "update.bat";
  }
};

TEST(BatchRunner, WaitsUntilTheUpdaterHasEndedThenReplacesItAndDeletesTheScript) {
  Installation inst;
  const fs::path script = inst.StageNewUpdater();
  ChildProcess updater(inst.folder / "update.exe", {"60"});
  ASSERT_TRUE(updater.Running());

  ChildProcess runner(kRunner, {script.string()});
  ASSERT_TRUE(runner.Running());
  ASSERT_TRUE(test::WaitUntil([&] { return Contains(inst.Log(), "waiting:"); }, 10s)) << inst.Log();
  EXPECT_FALSE(runner.WaitFor(300ms)) << "the runner must keep waiting while update.exe runs";
  EXPECT_EQ(inst.Read("update.exe"), TempDir::Read("/bin/sleep"));
  EXPECT_TRUE(fs::exists(script));

  updater.Kill();
  EXPECT_EQ(runner.WaitFor(10s), 0) << inst.Log();
  EXPECT_EQ(inst.Read("update.exe"), "the new updater");
  EXPECT_EQ(fs::status(inst.folder / "update.exe").permissions(), fs::status("/bin/sleep").permissions())
      << "the new update.exe takes the mode of the one it replaces";
  EXPECT_FALSE(fs::exists(script));
  EXPECT_FALSE(fs::exists(inst.folder / "update.exe.new"));
  EXPECT_TRUE(Contains(inst.Log(), "moved")) << inst.Log();
  EXPECT_TRUE(Contains(inst.Log(), "deleted the script")) << inst.Log();
}

TEST(BatchRunner, ReadsCommandsAndLabelsInAnyLetterCaseWithLfLines) {
  Installation inst;
  inst.Write("old.txt", "old");
  inst.Write("update/New.TXT", "new");
  const std::string d = inst.win;
  const std::string text = "Goto Main\n:skipped\ndel \"" + d + "keep.txt\"\n:MAIN\nDEL \"" + d + "OLD.txt\"\nIF EXIST \"" +
                           d + "old.txt\" goto :main\nCOPY \"" + d + "UPDATE\\new.txt\" \"" + d + "new.txt\"\n";
  inst.Write("keep.txt", "kept");
  const fs::path script = inst.Write("run.bat", text);
  EXPECT_EQ(RunScriptFile(script), Outcome::Completed) << inst.Log();
  EXPECT_FALSE(fs::exists(inst.folder / "old.txt"));
  EXPECT_EQ(inst.Read("keep.txt"), "kept");
  EXPECT_EQ(inst.Read("new.txt"), "new");
  EXPECT_TRUE(fs::exists(script)) << "no del %0, so the script stays";
}

TEST(BatchRunner, TakesShellCharactersInQuotedPathsLiterally) {
  TempDir root;
  const fs::path folder = root.path() / "A & B (x86)^";
  fs::create_directories(folder / "update");
  root.Write("A & B (x86)^/update/update.exe", "new");
  root.Write("A & B (x86)^/update.exe", "old");
  PrepareSelfReplacement(platform::WindowsPath(folder) + "\\");
  const fs::path script = folder / "update.bat";
  EXPECT_EQ(RunScriptFile(script), Outcome::Completed) << TempDir::Read(folder / "batchrun.log");
  EXPECT_EQ(TempDir::Read(folder / "update.exe"), "new");
  EXPECT_FALSE(fs::exists(script));
}

TEST(BatchRunner, RefusesAnUnknownCommandAndDoesNothing) {
  Installation inst;
  inst.Write("a.txt", "a");
  const fs::path script = inst.Write("update.bat", "del \"" + inst.win + "a.txt\"\r\necho hello\r\n");
  EXPECT_EQ(RunScriptFile(script), Outcome::Refused);
  EXPECT_TRUE(fs::exists(inst.folder / "a.txt")) << "the whole script is refused, not only its bad line";
  EXPECT_TRUE(Contains(inst.Log(), "refused: line 2: unknown command")) << inst.Log();
}

TEST(BatchRunner, RefusesWhatCmdWouldReadDifferently) {
  Installation inst;
  const std::string a = "\"" + inst.win + "a.txt\"";
  for (const std::string& line : std::vector<std::string>{"del " + a + " & rd /s /q \\", "del %TEMP%\\a.txt",
                                  "del \"%TEMP%\\a.txt\"", "if not exist " + a + " goto x",
                                  "del /q " + a, "goto nowhere", "copy " + a, "del \"" + inst.win + "a.txt",
                                  "@echo off", "rem a remark", "move /q " + a + " " + a, "ping -n 2 127.0.0.1",
                                  "ping -n 2 127.0.0.1 >" + a, "ping -n 2 10.0.0.1 >nul", "ping -n 0 127.0.0.1 >nul"}) {
    inst.Write("a.txt", "a");
    const fs::path script = inst.Write("update.bat", ":x\r\n" + line + "\r\n");
    EXPECT_EQ(RunScriptFile(script), Outcome::Refused) << line;
    EXPECT_TRUE(fs::exists(inst.folder / "a.txt")) << line;
  }
}

TEST(BatchRunner, RefusesPathsOutsideItsFolderAndItsUpdateFolder) {
  Installation inst;
  TempDir elsewhere;
  elsewhere.Write("victim.txt", "precious");
  inst.Write("sub/deep.txt", "deep");
  inst.Write("update/x.txt", "x");
  const std::string d = inst.win;
  for (const std::string& path : std::vector<std::string>{elsewhere.WinPath() + "victim.txt", d + "sub\\deep.txt", d + "update\\..\\..\\x.txt",
                                  d + "..\\outside.txt", d + "*.txt", std::string("victim.txt"), std::string("\\etc\\hostname")}) {
    const fs::path script = inst.Write("update.bat", "del \"" + path + "\"\r\n");
    EXPECT_EQ(RunScriptFile(script), Outcome::Refused) << path;
    EXPECT_TRUE(Contains(inst.Log(), "refused")) << path;
  }
  const fs::path copyOut = inst.Write("update.bat", "copy \"" + d + "update\\x.txt\" \"" + elsewhere.WinPath() + "x.txt\"\r\n");
  EXPECT_EQ(RunScriptFile(copyOut), Outcome::Refused);
  EXPECT_EQ(TempDir::Read(elsewhere.path() / "victim.txt"), "precious");
  EXPECT_FALSE(fs::exists(elsewhere.path() / "x.txt"));
  EXPECT_TRUE(fs::exists(inst.folder / "sub" / "deep.txt"));
}

TEST(BatchRunner, DoesNotFollowASymbolicLinkOutOfItsFolder) {
  Installation inst;
  TempDir elsewhere;
  elsewhere.Write("victim.txt", "precious");
  inst.Write("update/x.txt", "new");
  fs::create_symlink(elsewhere.path() / "victim.txt", inst.folder / "link.txt");
  const fs::path script = inst.Write("update.bat", "copy \"" + inst.win + "update\\x.txt\" \"" + inst.win + "link.txt\"\r\n");
  EXPECT_EQ(RunScriptFile(script), Outcome::Refused);
  EXPECT_EQ(TempDir::Read(elsewhere.path() / "victim.txt"), "precious");
}

TEST(BatchRunner, PausesBetweenRoundsAndGivesUpAfterItsLimit) {
  Installation inst;
  inst.Write("update.exe", "locked");
  inst.Write("update/update.exe", "the new updater");
  PrepareSelfReplacement(inst.win);
  ASSERT_TRUE(platform::SetFileAttributes(inst.win + "update.exe", platform::kAttributeReadOnly));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunScriptFile(inst.folder / "update.bat", {.pause = 50ms, .giveUpAfter = 1500ms}), Outcome::GaveUp);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 1500ms);
  EXPECT_TRUE(fs::exists(inst.folder / "update.bat"));
  EXPECT_EQ(inst.Read("update.exe"), "locked");
  // The script's own pause makes a round last a second; a spinning loop makes thousands.
  const std::string log = inst.Log();
  const std::size_t at = log.find("gave up after ");
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_LE(std::stol(log.substr(at + 14)), 3) << log;
}

// The user may leave the finish page open for longer than any limit: while the old
// update.exe runs, the runner waits on.
TEST(BatchRunner, WaitsAsLongAsTheUpdaterRuns) {
  Installation inst;
  const fs::path script = inst.StageNewUpdater();
  ChildProcess updater(inst.folder / "update.exe", {"60"});
  ASSERT_TRUE(updater.Running());
  auto run = std::async(std::launch::async, [&] { return RunScriptFile(script, {.pause = 20ms, .giveUpAfter = 100ms}); });
  EXPECT_EQ(run.wait_for(1s), std::future_status::timeout) << inst.Log();
  updater.Kill();
  EXPECT_EQ(run.get(), Outcome::Completed) << inst.Log();
  EXPECT_EQ(inst.Read("update.exe"), "the new updater");
}

// cmd.exe expands "%" in a batch line before anything else, inside quotes as well: a path
// holding "%" names another file once read, and "%%" is read as one "%". The runner reads
// lines the same way; the updater's script doubles each "%" of the folder, and so names
// that folder's files and no others.
TEST(BatchRunner, ReadsPercentSignsAsCmdDoes) {
  const ExpansionContext context{"\"\\d\\update.bat\"", [](std::string_view name) -> std::optional<std::string> {
                                   if (name == "DEF") return std::string("\\defined");
                                   return std::nullopt;
                                 }};
  const std::pair<std::string, std::optional<std::string>> rows[] = {
      {"del \"\\opt\\50% off\\update.exe\"", "del \"\\opt\\50 off\\update.exe\""},
      {"copy \"\\a%b\\update\\update.exe\" \"\\a%b\\update.exe\"", "copy \"\\ab\\update.exe\""},
      {"del \"\\a%%b%DEF%\\x\" %0 %1%*", "del \"\\a%b\\defined\\x\" \"\\d\\update.bat\" "},
      {"del \"C:\\%UNDEF:~1%x\"", "del \"C:\\~1x\""},
      {"del \"%DEF:a=b%\"", std::nullopt},
      {"del \"%~dp0x\"", std::nullopt}};
  for (const auto& [line, expanded] : rows) {
    std::string error;
    EXPECT_EQ(ExpandPercents(line, context, error), expanded) << line;
  }
}

// Each installation has, beside it, the folder that its name would become if "%" were
// read in place: that one must stay as it is.
TEST(BatchRunner, TheUpdatersScriptNamesOnlyItsOwnFolderWhateverPercentSignsItsNameHolds) {
  const std::pair<const char*, const char*> folders[] = {
      {"a%b", "ab"}, {"v%x%w", "vw"}, {"a%%b", "a%b"}, {"p%PATH%q", "pq"}, {"x%0y", "xy"}, {"50% off", "50 off"}};
  for (const auto& [name, decoyName] : folders) {
    SCOPED_TRACE(name);
    TempDir root;
    const fs::path folder = root.path() / name;
    const fs::path decoy = root.path() / decoyName;
    for (const char* each : {name, decoyName}) {
      root.Write(std::string(each) + "/update.exe", "old");  // not running: the script replaces it at once
      root.Write(std::string(each) + "/update/update.exe", each == name ? "new" : "decoy's new");
    }
    root.Write(std::string(decoyName) + "/update.exe.new", "decoy's new");
    PrepareSelfReplacement(platform::WindowsPath(folder) + "\\");
    EXPECT_EQ(RunScriptFile(folder / "update.bat"), Outcome::Completed) << TempDir::Read(folder / "batchrun.log");
    EXPECT_EQ(TempDir::Read(folder / "update.exe"), "new");
    EXPECT_FALSE(fs::exists(folder / "update.bat"));
    EXPECT_EQ(TempDir::Read(decoy / "update.exe"), "old");
    EXPECT_EQ(TempDir::Read(decoy / "update.exe.new"), "decoy's new");
  }
}

// The runner is killed at moments spread over its whole work, waiting included: the folder
// always holds a whole update.exe, and what the kill leaves, the script run again finishes.
// The new updater is large, so that putting it in place would take a while if it were
// copied there.
TEST(BatchRunner, KilledAtAnyMomentItLeavesAWholeUpdaterAndARunAgainFinishes) {
  const std::string oldUpdater = TempDir::Read("/bin/sleep");
  std::string newUpdater(8 * 1024 * 1024, '\0');
  for (std::size_t i = 0; i < newUpdater.size(); ++i) newUpdater[i] = static_cast<char>(i * 7 / 5);
  for (const auto afterTheEnd : {0ms, 500ms, 1000ms, 1100ms, 1200ms, 1600ms}) {
    SCOPED_TRACE(afterTheEnd.count());
    Installation inst;
    const fs::path script = inst.StageNewUpdater(newUpdater);
    test::WholeFileWatch watch(inst.win + "update.exe", {oldUpdater, newUpdater});
    ChildProcess updater(inst.folder / "update.exe", {"60"});
    ChildProcess runner(kRunner, {script.string()});
    ASSERT_TRUE(updater.Running() && runner.Running());
    ASSERT_TRUE(test::WaitUntil([&] { return Contains(inst.Log(), "waiting:"); }, 10s)) << inst.Log();
    updater.Kill();  // the wizard ends; the runner puts the new updater in place within its next round
    std::this_thread::sleep_for(afterTheEnd);
    runner.Kill();
    if (fs::exists(script)) {
      EXPECT_EQ(RunScriptFile(script), Outcome::Completed) << inst.Log();
    }
    EXPECT_EQ(watch.Stop(), 0) << "a look found no whole update.exe";
    EXPECT_EQ(inst.Read("update.exe"), newUpdater);
    EXPECT_FALSE(fs::exists(script));
    EXPECT_FALSE(fs::exists(inst.folder / "update.exe.new"));
  }
}

TEST(BatchRunnerProgram, ReportsUsageAndUnreadableScripts) {
  ChildProcess noArgument(kRunner, {});
  EXPECT_EQ(noArgument.WaitFor(10s), 64);
  TempDir dir;
  ChildProcess missing(kRunner, {(dir.path() / "update.bat").string()});
  EXPECT_EQ(missing.WaitFor(10s), 3);
}

TEST(ScriptParser, FindsLabelsAsCmdDoes) {
  const Script script = ParseScript(":a\r\ngoto A\r\n:A   trailing words\r\n:b\r\n");
  ASSERT_TRUE(script.error.empty()) << script.error;
  ASSERT_EQ(script.commands.size(), 4u);
  EXPECT_EQ(script.FindLabel("a", 1), 2u) << "the search starts at the current line";
  EXPECT_EQ(script.FindLabel("a", 3), 0u) << "and goes on from the top";
  EXPECT_FALSE(script.FindLabel("c", 0));
}

TEST(ScriptParser, KeepsGbkPathsWhole) {
  // The second byte of this character is the byte of "\"; the path must not split there.
  const std::string path = "\\opt\\\xD5\x5C\\update.exe";
  const Script script = ParseScript("del \"" + path + "\"\r\ndel %0\r\n");
  ASSERT_TRUE(script.error.empty()) << script.error;
  EXPECT_EQ(script.commands[0].path, path);
  EXPECT_EQ(script.commands[1].op, Op::DeleteSelf);
}

TEST(ScriptParser, TakesALineThatExpandsToNothingAsEmpty) {
  // As cmd.exe does: a lone "%" and an undefined variable leave nothing to run.
  const Script script = ParseScript("%\r\n  %UNDEFINED_IN_THIS_TEST%  \r\n:a\r\n");
  ASSERT_TRUE(script.error.empty()) << script.error;
  ASSERT_EQ(script.commands.size(), 1u);
  EXPECT_EQ(script.commands[0].op, Op::Label);
}

TEST(ScriptParser, RefusesAnOversizedScript) {
  EXPECT_FALSE(ParseScript(std::string(kMaxScriptSize + 1, '\n')).error.empty());
}

}  // namespace
}  // namespace brimsel::batchrun
