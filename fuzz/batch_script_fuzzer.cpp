// libFuzzer target: the batch runner's script interpreter. Any bytes are read as a script
// the way the runner reads update.bat ("%" expansion with %0 and two variables, quotes,
// words, the commands it accepts), and every path of an accepted script goes through the
// check of the folders it may touch (a scratch folder and its "update" folder, made once).
//
// Faults besides the sanitizers': an accepted script whose commands, written again in plain
// form ("%" doubled), read back as other commands; a script that the updater writes for the
// installation folder named by the input's first line ("%" in it too) that the runner
// refuses or reads with other paths.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/self_replacement.h"
#include "batchrun/confinement.h"
#include "batchrun/script.h"
#include "platform/files.h"
#include "platform/codepage.h"

namespace {

namespace fs = std::filesystem;
using namespace brimsel::batchrun;

[[noreturn]] void Fail(const std::string& what, std::string_view text) {
  std::fprintf(stderr, "%s; script \"%.*s\"\n", what.c_str(), static_cast<int>(text.size()), text.data());
  std::abort();
}

struct Scratch {
  Scratch() {
    std::string pattern = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()).string() +
                          "/brimsel-batch-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    folder = pattern;
    fs::create_directory(folder / "update");
    windowsFolder = brimsel::platform::WindowsPath(folder);
    context.scriptArgument = "\"" + windowsFolder + "\\update.bat\"";
    context.variable = [this](std::string_view name) -> std::optional<std::string> {
      if (brimsel::platform::SameTextIgnoringCase(name, "FOLDER")) return windowsFolder;
      if (brimsel::platform::SameTextIgnoringCase(name, "TEMP")) return std::string("C:\\TEMP");
      return std::nullopt;
    };
  }
  fs::path folder;
  std::string windowsFolder;
  ExpansionContext context;
};

std::string Quoted(std::string_view path) {
  std::string text = "\"";
  for (const char c : path) text += c == '%' ? std::string("%%") : std::string(1, c);
  return text + "\"";
}

std::string Escaped(std::string_view label) {
  std::string text;
  for (const char c : label) text += c == '%' ? std::string("%%") : std::string(1, c);
  return text;
}

// The command in plain form; nothing for a command this form does not cover.
std::optional<std::string> Plain(const Command& command) {
  switch (command.op) {
    case Op::Label: return ":" + command.label;
    case Op::Goto: return "goto :" + Escaped(command.label);  // one colon is taken off
    case Op::Delete: return "del " + Quoted(command.path);
    case Op::DeleteSelf: return std::string("del %0");
    case Op::IfExistGoto: return "if exist " + Quoted(command.path) + " goto :" + Escaped(command.label);
    case Op::Copy: return "copy " + Quoted(command.path) + " " + Quoted(command.target);
    case Op::Move: return "move /y " + Quoted(command.path) + " " + Quoted(command.target);
    case Op::Pause: return "ping -n " + std::to_string(command.seconds + 1) + " 127.0.0.1 >nul";
    default: return std::nullopt;
  }
}

std::string Describe(const Command& command) {
  return "op " + std::to_string(static_cast<int>(command.op)) + " label \"" + command.label + "\" path \"" +
         command.path + "\" target \"" + command.target + "\" seconds " + std::to_string(command.seconds);
}

// The first command of `a` that `b` reads otherwise; nothing when they agree.
std::optional<std::string> Difference(const Script& a, const Script& b) {
  for (std::size_t i = 0; i < std::max(a.commands.size(), b.commands.size()); ++i) {
    if (i >= a.commands.size() || i >= b.commands.size()) return "another number of commands";
    const Command& x = a.commands[i];
    const Command& y = b.commands[i];
    if (x.op != y.op || x.label != y.label || x.path != y.path || x.target != y.target || x.seconds != y.seconds)
      return Describe(x) + " read back as " + Describe(y);
  }
  return std::nullopt;
}

void CheckPlainFormReadsBack(const Script& script, const ExpansionContext& context, std::string_view text) {
  std::string plain;
  for (const Command& command : script.commands) {
    const std::optional<std::string> line = Plain(command);
    if (!line) return;
    plain += *line + "\r\n";
  }
  const Script again = ParseScript(plain, context);
  if (!again.error.empty()) Fail("the plain form is refused: " + again.error + " in \"" + plain + "\"", text);
  if (const auto difference = Difference(script, again)) Fail("the plain form reads otherwise: " + *difference, text);
}

// The updater's own script for an installation folder named by the first line.
void CheckUpdatersScript(std::string_view text, const ExpansionContext& context) {
  const std::string_view name = text.substr(0, std::min(text.find('\n'), std::size_t{120}));
  // Windows names hold no control characters and none of < > : " / | ? *. DEL they may hold,
  // but the updater spells no DEL in a batch line: it refuses that folder with an error.
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || std::string_view("<>:\"/|?*").find(c) != std::string_view::npos) return;
  }
  const std::string folder = "C:\\" + std::string(name) + (name.empty() ? "" : "\\");
  const std::optional<std::string> written = brimsel::SelfReplaceScriptText(folder);
  if (!written) Fail("no script for the folder " + folder, text);
  const Script script = ParseScript(*written, context);
  if (!script.error.empty()) Fail("the updater's script for " + folder + " is refused: " + script.error, text);
  bool moves = false;
  for (const Command& command : script.commands) {
    if (command.op != Op::Move) continue;
    moves = true;
    if (command.path != folder + "update.exe.new" || command.target != folder + "update.exe")
      Fail("the updater's script moves " + command.path + " to " + command.target, text);
  }
  if (!moves) Fail("the updater's script for " + folder + " moves nothing", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  static const Confinement confinement(scratch.folder);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Script script = ParseScript(text, scratch.context);
  if (script.error.empty()) {
    for (const Command& command : script.commands) {
      for (const std::string* path : {&command.path, &command.target}) {
        std::string why;
        if (!path->empty()) (void)confinement.Allows(*path, why);
      }
    }
    CheckPlainFormReadsBack(script, scratch.context, text);
  }
  CheckUpdatersScript(text, scratch.context);
  return 0;
}
