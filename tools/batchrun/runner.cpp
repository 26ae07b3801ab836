#include "runner.h"

#include <string>

#include "confinement.h"
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
    const auto deadline = std::chrono::steady_clock::now() + limits_.giveUpAfter;
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
          // As with cmd.exe, a file that cannot be deleted is no reason to stop.
          if (!platform::DeleteFile(command.path) && platform::FileExists(command.path)) lastStuck_ = command.path;
          break;
        case Op::Copy:
          Copy(command);
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
        if (std::chrono::steady_clock::now() >= deadline) {
          log_.Line("gave up after " + std::to_string(rounds_) + " rounds: \"" + RunLog::Gbk(lastStuck_) +
                    "\" could still not be deleted");
          return Outcome::GaveUp;
        }
        if (rounds_++ == 0)
          log_.Line("waiting: \"" + RunLog::Gbk(lastStuck_) + "\" cannot be deleted yet (line " +
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

  void Copy(const Command& command) {
    const bool copied = platform::CopyFileA(command.path, command.target, false);
    log_.Line(std::string(copied ? "copied \"" : "could not copy \"") + RunLog::Gbk(command.path) + "\" to \"" +
              RunLog::Gbk(command.target) + "\"");
  }

  void Finished() { log_.Line("finished after " + std::to_string(rounds_) + " rounds of waiting"); }

  const Script& script_;
  const std::string scriptFile_;
  const RunLimits& limits_;
  const RunLog& log_;
  std::string lastStuck_;
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
  const Script parsed = ParseScript(*text);
  if (!parsed.error.empty()) {
    log.Line("refused: line " + std::to_string(parsed.errorLine) + ": " + parsed.error + "; nothing was done");
    return Outcome::Refused;
  }
  if (!AllPathsAllowed(parsed, Confinement(script.parent_path()), log)) return Outcome::Refused;
  return Execution(parsed, script, limits, log).Run();
}

}  // namespace brimsel::batchrun
