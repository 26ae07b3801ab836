#include "app/self_replacement.h"

#include "app/update_log.h"
#include "app/wizard_window.h"
#include "platform/copy_file.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/shell_execute.h"

namespace brimsel {
namespace {

// An updater is a few megabytes; a file far larger is none of ours.
constexpr std::size_t kMaxUpdaterSize = 256 * 1024 * 1024;
constexpr std::size_t kMaxScriptSize = 64 * 1024;

struct Paths {
  explicit Paths(std::string_view folder)
      : updater(std::string(folder) + kUpdaterName),
        newUpdater(std::string(folder) + kNewUpdaterName),
        script(std::string(folder) + kSelfReplaceScriptName),
        staged(StagedFile(StagingFolderOf(std::string(folder)), kUpdaterName)) {}
  std::string updater;
  std::string newUpdater;
  std::string script;
  std::string staged;
};

// A path as a batch line must spell it so that cmd.exe reads it back unchanged.
std::optional<std::string> QuotedForBatch(std::string_view path) {
  std::string quoted = "\"";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || byte < 0x20 || byte == 0x7F) return std::nullopt;
    // No second byte of a GBK character is "%" (they are 0x40 and above).
    quoted += c == '%' ? std::string("%%") : std::string(1, c);
  }
  return quoted + "\"";
}

void WriteScript(const Paths& paths, const std::string& text) {
  platform::File file(paths.script, platform::File::Mode::Create);
  if (!file.IsOpen() || file.Write(text.data(), text.size()) != text.size())
    throw Exception("Cannot create file \"" + paths.script + "\". " + file.LastError());
}

bool SameContent(const std::string& a, const std::string& b) {
  const std::optional<std::string> first = platform::ReadWholeFile(a, kMaxUpdaterSize);
  return first && first == platform::ReadWholeFile(b, kMaxUpdaterSize);
}

}  // namespace

std::optional<std::string> SelfReplaceScriptText(std::string_view folder) {
  const Paths paths(folder);
  const std::optional<std::string> updater = QuotedForBatch(paths.updater);
  const std::optional<std::string> newUpdater = QuotedForBatch(paths.newUpdater);
  if (!updater || !newUpdater) return std::nullopt;
  std::string text;
  for (const std::string& line : {std::string(":START"), std::string("ping -n 2 127.0.0.1 >nul"),
                                  "move /y " + *newUpdater + " " + *updater,
                                  "if exist " + *newUpdater + " goto START", std::string("del %0")}) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void PrepareSelfReplacement(std::string_view folder) {
  const Paths paths(folder);
  const std::optional<std::string> text = SelfReplaceScriptText(folder);
  if (!text) throw Exception("A batch file cannot name the folder \"" + std::string(folder) + "\"");
  // A copy that is cut short leaves no update.exe.new at all (CopyFileA writes beside it
  // and renames), so the script never puts half a program in place.
  if (!platform::CopyFileA(paths.staged, paths.newUpdater, false))
    throw Exception("Cannot copy \"" + paths.staged + "\" to \"" + paths.newUpdater + "\"");
  try {
    WriteScript(paths, *text);
  } catch (...) {
    platform::DeleteFile(paths.newUpdater);
    throw;
  }
}

bool StartSelfReplacement(std::string_view folder) { return platform::StartBatchFile(folder, kSelfReplaceScriptName); }

void AbandonSelfReplacement(std::string_view folder) {
  const Paths paths(folder);
  platform::DeleteFile(paths.script);
  platform::DeleteFile(paths.newUpdater);
}

void FinishInterruptedSelfReplacement(std::string_view folder, UpdateLog& log) {
  const Paths paths(folder);
  if (!platform::FileExists(paths.script)) {
    // Nothing renames it any more: an update.exe.new without its script was never started.
    if (platform::FileExists(paths.newUpdater) && platform::DeleteFile(paths.newUpdater))
      log.Line("removed " + paths.newUpdater + ", left without its script by an earlier run");
    return;
  }
  const std::optional<std::string> text = SelfReplaceScriptText(folder);
  const std::optional<std::string> script = platform::ReadWholeFile(paths.script, kMaxScriptSize);
  // Ours whole, or cut short by a kill while it was written.
  const bool ours = text && script && text->starts_with(*script);
  if (!ours && !platform::FileExists(paths.newUpdater)) return;  // someone else's update.bat
  const bool staged = platform::FileExists(paths.staged);
  if (staged && SameContent(paths.staged, paths.updater)) {
    // Stopped after the rename: only the script's deletion of itself was missing.
    platform::DeleteFile(paths.script);
    platform::DeleteFile(paths.newUpdater);
    log.Line("the new update.exe was already in place; removed " + paths.script + " left by an earlier run");
    return;
  }
  // The staged updater is the newest; a copy that fails keeps a whole update.exe.new made before.
  if (staged && !platform::CopyFileA(paths.staged, paths.newUpdater, false))
    log.Line("could not copy " + paths.staged + " to " + paths.newUpdater);
  if (!platform::FileExists(paths.newUpdater) || !text) {
    AbandonSelfReplacement(folder);
    log.Line("removed " + paths.script + " left by an earlier run: no new update.exe to put in place");
    return;
  }
  try {
    // Rewritten only when it differs: a script that still runs reads its file line by line.
    if (script != text) WriteScript(paths, *text);
  } catch (const std::exception& error) {
    log.Line(std::string("an earlier run left the replacement of update.exe unfinished; ") + error.what());
    return;
  }
  log.Line(StartSelfReplacement(folder)
               ? "an earlier run left the replacement of update.exe unfinished: started " + paths.script +
                     ", which puts the new one in place once this run has ended"
               : "an earlier run left the replacement of update.exe unfinished, and " + paths.script +
                     " could not be started");
}

}  // namespace brimsel
