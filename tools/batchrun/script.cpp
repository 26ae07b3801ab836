#include "script.h"

#include "platform/codepage.h"

namespace brimsel::batchrun {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A word of a command line: a run of characters up to a blank, or a text in double quotes.
struct Word {
  std::string text;
  bool quoted = false;
};

// Splits a line into words. Double quotes and blanks never occur as the second byte of a
// GBK character, so a byte-wise scan is safe here.
std::optional<std::vector<Word>> SplitWords(std::string_view line, std::string& error) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    Word word;
    if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) {
        error = "a quote is not closed";
        return std::nullopt;
      }
      word.text = std::string(line.substr(i + 1, close - i - 1));
      word.quoted = true;
      i = close + 1;
      if (i < line.size() && !IsBlank(line[i])) {
        error = "text directly after a closing quote";
        return std::nullopt;
      }
    } else {
      const std::size_t start = i;
      while (i < line.size() && !IsBlank(line[i])) {
        if (line[i] == '"') {
          error = "a quote inside a word";
          return std::nullopt;
        }
        ++i;
      }
      word.text = std::string(line.substr(start, i - start));
    }
    words.push_back(std::move(word));
  }
  return words;
}

// cmd.exe would redirect or chain commands at these characters; the runner does none of
// that, so a line that holds them outside quotes is not what it seems. ("%" is gone by
// now: the line was read as cmd.exe reads it first.)
bool HasShellMeaning(std::string_view text) { return text.find_first_of("!&|<>^") != std::string_view::npos; }

// A path as a command's argument: unquoted words starting with "/" are switches to cmd.exe.
std::optional<std::string> PathArgument(const Word& word, std::string& error) {
  if (word.text.empty()) {
    error = "an empty path";
    return std::nullopt;
  }
  if (!word.quoted && word.text[0] == '/') {
    error = "switches are not supported";
    return std::nullopt;
  }
  // Inside double quotes cmd.exe takes & | < > ^ literally (a folder may be named "A & B").
  const bool meaningful = !word.quoted && HasShellMeaning(word.text);
  if (meaningful || word.text.find_first_of("*?") != std::string::npos) {
    error = "wildcards and redirections are not supported";
    return std::nullopt;
  }
  return word.text;
}

std::optional<std::string> LabelArgument(const Word& word, std::string& error) {
  std::string_view name = word.text;
  if (!name.empty() && name[0] == ':') name.remove_prefix(1);
  if (name.empty() || word.quoted || HasShellMeaning(name)) {
    error = "a bad label name";
    return std::nullopt;
  }
  return platform::LowerAsciiOfSingleByteChars(name);
}

// An unquoted word that equals `text` without regard to letter case.
bool IsWord(const Word& word, std::string_view text) {
  return !word.quoted && platform::SameTextIgnoringCase(word.text, text);
}

std::optional<Command> ParseCommand(const std::vector<Word>& words, std::string& error) {
  const std::string verb = platform::LowerAsciiOfSingleByteChars(words[0].text);
  const std::size_t args = words.size() - 1;
  Command command;
  if (words[0].quoted) {
    error = "unknown command";
    return std::nullopt;
  }
  if (verb == "goto" && args == 1) {
    command.op = Op::Goto;
    if (auto label = LabelArgument(words[1], error)) {
      command.label = *label;
      return command;
    }
    return std::nullopt;
  }
  if (verb == "del" && args == 1) {
    command.op = Op::Delete;
    if (auto path = PathArgument(words[1], error)) {
      command.path = *path;
      return command;
    }
    return std::nullopt;
  }
  if ((verb == "copy" && args == 2) || (verb == "move" && (args == 2 || (args == 3 && IsWord(words[1], "/y"))))) {
    // In a batch file cmd.exe overwrites without asking, with or without /y.
    command.op = verb == "copy" ? Op::Copy : Op::Move;
    auto source = PathArgument(words[args - 1], error);
    if (!source) return std::nullopt;
    auto target = PathArgument(words[args], error);
    if (!target) return std::nullopt;
    command.path = *source;
    command.target = *target;
    return command;
  }
  if (verb == "ping") {
    // The pause a batch file can make on every Windows: one echo to the loopback address
    // a second, the first at once, the output thrown away.
    const std::string& count = args == 4 ? words[2].text : std::string();
    const bool number = !count.empty() && count.size() <= 2 && count.find_first_not_of("0123456789") == std::string::npos;
    const int echoes = number && !words[2].quoted ? std::stoi(count) : 0;
    if (echoes > 0 && IsWord(words[1], "-n") && IsWord(words[3], "127.0.0.1") && IsWord(words[4], ">nul")) {
      command.op = Op::Pause;
      command.seconds = echoes - 1;
      return command;
    }
    error = "only the pause \"ping -n COUNT 127.0.0.1 >nul\" is supported";
    return std::nullopt;
  }
  if (verb == "if" && args == 4 && !words[1].quoted && !words[3].quoted &&
      platform::LowerAsciiOfSingleByteChars(words[1].text) == "exist" &&
      platform::LowerAsciiOfSingleByteChars(words[3].text) == "goto") {
    command.op = Op::IfExistGoto;
    auto path = PathArgument(words[2], error);
    if (!path) return std::nullopt;
    auto label = LabelArgument(words[4], error);
    if (!label) return std::nullopt;
    command.path = *path;
    command.label = *label;
    return command;
  }
  error = (verb == "goto" || verb == "del" || verb == "copy" || verb == "move" || verb == "if")
              ? "a form of the command that is not supported"
              : "unknown command";
  return std::nullopt;
}

}  // namespace

std::optional<std::size_t> Script::FindLabel(std::string_view name, std::size_t from) const {
  for (std::size_t k = 0; k < commands.size(); ++k) {
    const std::size_t i = (from + k) % commands.size();
    if (commands[i].op == Op::Label && commands[i].label == name) return i;
  }
  return std::nullopt;
}

Script ParseScript(std::string_view text, const ExpansionContext& context) {
  Script script;
  auto refuse = [&script](int line, std::string why) {
    script.commands.clear();
    script.error = std::move(why);
    script.errorLine = line;
    return script;
  };
  if (text.size() > kMaxScriptSize) return refuse(0, "the script is too large");

  int lineNumber = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    if (line.empty()) continue;
    if (line.find_first_of(std::string_view("\0\r", 2)) != std::string_view::npos)
      return refuse(lineNumber, "control characters in the line");

    if (line[0] == ':') {
      // As cmd.exe reads a label: the name ends at the first blank.
      std::string_view name = line.substr(1);
      name = name.substr(0, name.find_first_of(" \t"));
      if (name.empty() || HasShellMeaning(name)) return refuse(lineNumber, "a bad label name");
      script.commands.push_back({Op::Label, lineNumber, platform::LowerAsciiOfSingleByteChars(name), {}, {}});
      continue;
    }
    if (platform::LowerAsciiOfSingleByteChars(line) == "del %0") {
      script.commands.push_back({Op::DeleteSelf, lineNumber, {}, {}, {}});
      continue;
    }
    std::string error;
    const std::optional<std::string> expanded = ExpandPercents(line, context, error);
    if (!expanded) return refuse(lineNumber, error);
    auto words = SplitWords(*expanded, error);
    if (!words) return refuse(lineNumber, error);
    if (words->empty()) continue;  // nothing is left to run, as in cmd.exe
    auto command = ParseCommand(*words, error);
    if (!command) return refuse(lineNumber, error);
    command->line = lineNumber;
    script.commands.push_back(std::move(*command));
  }
  for (const Command& command : script.commands) {
    if ((command.op == Op::Goto || command.op == Op::IfExistGoto) && !script.FindLabel(command.label, 0))
      return refuse(command.line, "the label \"" + command.label + "\" does not exist");
  }
  return script;
}

}  // namespace brimsel::batchrun
