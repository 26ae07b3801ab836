#include "runner.h"

#include <sys/stat.h>

#include <map>
#include <string>

#include "confinement.h"
#include "platform/codepage.h"
#include "platform/copy_file.h"
#include "platform/files.h"
#include "platform/sleep.h"
#include "run_log.h"
#include "script.h"

namespace brimsel::batchrun {
namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadScript(const fs::path& script) {
  platform::File file(platform::WindowsPath(script), platform::File::Mode::Read);
  if (!file.IsOpen()) return std::nullopt;
  std::string text(kMaxScriptSize + 1, '\0');
  text.resize(file.Read(text.data(), text.size()));
  return text;
}

// Every path of the script, checked before anything is done.
bool AllPathsAllowed(const Script& script, const Confinement& confinement, const RunLog& log) {
  for (const Command& command : script.commands) {
    for (const std::string* path : {&command.path, &command.target}) {
      if (path->empty()) continue;
      std::string why;
      if (!confinement.Allows(*path, why)) {
        log.Line("refused: line " + std::to_string(command.line) + ": \"" + RunLog::Gbk(*path) + "\": " + why);
        return false;
      }
    }
  }
  return true;
}

class Execution {
 public:
  Execution(const Script& script, const fs::path& scriptFile, const RunLimits& limits, const RunLog& log)
      : script_(script), scriptFile_(platform::WindowsPath(scriptFile)), limits_(limits), log_(log) {}

  Outcome Run() {
    auto deadline = std::chrono::steady_clock::now() + limits_.giveUpAfter;
    std::size_t pc = 0;
    while (pc < script_.commands.size()) {
      const Command& command = script_.commands[pc];
      if (TouchesSymbolicLink(command)) {
        log_.Line("refused: line " + std::to_string(command.line) + ": a path is a symbolic link");
        return Outcome::Refused;
      }
      std::optional<std::size_t> jump;
      switch (command.op) {
        case Op::Label:
          break;
        case Op::Goto:
          jump = script_.FindLabel(command.label, pc);
          break;
        case Op::IfExistGoto:
          if (platform::FileExists(command.path) || platform::DirectoryExists(command.path))
            jump = script_.FindLabel(command.label, pc);
          break;
        case Op::Delete:
          Delete(command.path);
          break;
        case Op::Copy:
          Copy(command);
          break;
        case Op::Move:
          Move(command);
          break;
        case Op::Pause:
          platform::Sleep(static_cast<unsigned>(command.seconds) * 1000);
          break;
        case Op::DeleteSelf:
          // cmd.exe ends a script whose file has gone; so do we.
          log_.Line(platform::DeleteFile(scriptFile_) ? "deleted the script" : "could not delete the script");
          Finished();
          return Outcome::Completed;
      }
      if (!jump) {
        ++pc;
        continue;
      }
      if (*jump <= pc) {  // back to an earlier line: one more round of a loop
        // The old updater may stay open for as long as its user likes: while anything runs
        // the file the loop waits for, the wait goes on. Only a file that nothing runs and
        // that still cannot be deleted is given up, after the limit.
        if (platform::IsRunningExecutable(lastStuck_)) {
          deadline = std::chrono::steady_clock::now() + limits_.giveUpAfter;
        } else if (std::chrono::steady_clock::now() >= deadline) {
          log_.Line("gave up after " + std::to_string(rounds_) + " rounds: \"" + RunLog::Gbk(lastStuck_) +
                    "\" could still not be replaced");
          return Outcome::GaveUp;
        }
        if (rounds_++ == 0)
          log_.Line("waiting: \"" + RunLog::Gbk(lastStuck_) + "\" cannot be replaced yet (line " +
                    std::to_string(command.line) + ")");
        platform::Sleep(static_cast<unsigned>(limits_.pause.count()));
      }
      pc = *jump;
    }
    Finished();
    return Outcome::Completed;
  }

 private:
  static bool TouchesSymbolicLink(const Command& command) {
    return (!command.path.empty() && IsSymbolicLink(command.path)) ||
           (!command.target.empty() && IsSymbolicLink(command.target));
  }

  // As with cmd.exe, a file that cannot be deleted is no reason to stop. The mode of a
  // deleted file is remembered for a copy that puts a new file in its place.
  void Delete(const std::string& path) {
    struct stat st {};
    const bool known = ::stat(platform::NativePath(path).c_str(), &st) == 0;
    if (platform::DeleteFile(path)) {
      if (known) deletedModes_[platform::LowerBytes(path)] = st.st_mode & 0777;
    } else if (platform::FileExists(path)) {
      lastStuck_ = path;
    }
  }

  // The copy keeps the target's mode, also when the script deleted the target first (as
  // the updater's does): update.exe stays executable whatever mode the staged one has.
  void Copy(const Command& command) {
    const bool existed = platform::FileExists(command.target);
    bool copied = platform::CopyFileA(command.path, command.target, false);
    const auto deleted = deletedModes_.find(platform::LowerBytes(command.target));
    if (copied && !existed && deleted != deletedModes_.end())
      copied = ::chmod(platform::NativePath(command.target).c_str(), deleted->second) == 0;
    log_.Line(std::string(copied ? "copied \"" : "could not copy \"") + RunLog::Gbk(command.path) + "\" to \"" +
              RunLog::Gbk(command.target) + "\"");
  }

  // MoveFileExA over the target: refused, as on Windows, while the target runs or is
  // read-only, and then the loop waits for it as for a file that cannot be deleted.
  void Move(const Command& command) {
    if (platform::MoveFileReplacing(command.path, command.target)) {
      log_.Line("moved \"" + RunLog::Gbk(command.path) + "\" to \"" + RunLog::Gbk(command.target) + "\"");
    } else if (platform::FileExists(command.path) && platform::FileExists(command.target)) {
      lastStuck_ = command.target;
    }
  }

  void Finished() { log_.Line("finished after " + std::to_string(rounds_) + " rounds of waiting"); }

  const Script& script_;
  const std::string scriptFile_;
  const RunLimits& limits_;
  const RunLog& log_;
  std::string lastStuck_;
  std::map<std::string, mode_t> deletedModes_;  // by the lowered path as the script writes it
  long rounds_ = 0;
};

}  // namespace

Outcome RunScriptFile(const fs::path& scriptPath, const RunLimits& limits) {
  std::error_code ec;
  const fs::path script = fs::canonical(scriptPath, ec);
  if (ec) return Outcome::Unreadable;
  const RunLog log(script.parent_path() / kLogFileName);
  log.Line("running \"" + script.string() + "\"");

  const std::optional<std::string> text = ReadScript(script);
  if (!text) {
    log.Line("refused: the script cannot be read");
    return Outcome::Unreadable;
  }
  // %0 is the script as started: its path in quotes.
  std::string scriptArgument(1, '"');
  scriptArgument += platform::WindowsPath(script);
  scriptArgument += '"';
  const ExpansionContext context{scriptArgument, EnvironmentVariable};
  const Script parsed = ParseScript(*text, context);
  if (!parsed.error.empty()) {
    log.Line("refused: line " + std::to_string(parsed.errorLine) + ": " + parsed.error + "; nothing was done");
    return Outcome::Refused;
  }
  if (!AllPathsAllowed(parsed, Confinement(script.parent_path()), log)) return Outcome::Refused;
  return Execution(parsed, script, limits, log).Run();
}

}  // namespace brimsel::batchrun
