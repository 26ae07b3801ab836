// updtool: what a vendor needs besides the wizard: making Update.ini, making, signing,
// checking and serving a release, and looking into a version page and a package.
#include <filesystem>
#include <iostream>
#include <map>

#include "platform/command_line.h"
#include "updtool/command.h"

namespace brimsel::updtool {
namespace {

struct Entry {
  std::string usage;
  std::function<int(const Arguments&)> run;
};

std::map<std::string, Entry>& Registry() {
  static std::map<std::string, Entry> commands;
  return commands;
}

int PrintUsage(std::ostream& out) {
  out << "usage: updtool <command> [arguments]\n"
         "       updtool help COMMAND, updtool COMMAND --help, updtool --version\n\ncommands:\n";
  for (const auto& [name, entry] : Registry()) out << entry.usage << "\n";
  return 0;
}

// The usages of `name`, or of every command of the group `name` ("ini", "pkg"); false
// when there is no such command.
bool PrintCommandUsage(const std::string& name, std::ostream& out) {
  bool found = false;
  for (const auto& [command, entry] : Registry()) {
    if (command == name || command.starts_with(name + " ")) {
      out << entry.usage << "\n";
      found = true;
    }
  }
  return found;
}

int PrintVersion() {
  std::cout << "updtool " << BRIMSEL_VERSION << "\n"
            << "vendor site built in: " << BRIMSEL_VENDOR_SITE_URL << "\n";
  return 0;
}

bool AsksForHelp(const Arguments& args) {
  for (const std::string& arg : args)
    if (arg == "--help" || arg == "-h") return true;
  return false;
}

}  // namespace

Command::Command(std::string name, std::string usage, std::function<int(const Arguments&)> run) {
  Registry()[std::move(name)] = Entry{std::move(usage), std::move(run)};
}

int UsageError(const std::string& message) {
  std::cerr << "updtool: " << message << "\n(see 'updtool help')\n";
  return 2;
}

std::optional<std::vector<std::string>> TakeOptions(const Arguments& args, std::initializer_list<ValueOption> options,
                                                    const std::string& command, int& exitCode) {
  std::vector<std::string> words;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const ValueOption* option = nullptr;
    for (const ValueOption& candidate : options)
      if (arg == candidate.name) option = &candidate;
    if (option && i + 1 < args.size()) {
      *option->value = args[++i];
    } else if (arg.starts_with("--")) {
      exitCode = UsageError(command + ": unknown option or missing value '" + arg + "'");
      return std::nullopt;
    } else {
      words.push_back(arg);
    }
  }
  return words;
}

bool TakeFlag(Arguments& args, std::string_view flag) {
  return std::erase(args, std::string(flag)) > 0;
}

int Failure(const std::string& message) {
  std::cerr << "updtool: " << message << "\n";
  return 1;
}

std::optional<int> RefuseFolder(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_directory(platform::PathFromUtf8(path), ec)) return std::nullopt;
  return Failure(path + " is a folder; a file is expected here");
}

}  // namespace brimsel::updtool

int main(int argc, char** argv) {
  using namespace brimsel::updtool;
  brimsel::platform::PrintUtf8ToConsole();
  const std::vector<std::string> words = brimsel::platform::CommandLineArguments(argc, argv);
  const std::size_t count = words.size();
  if (count < 2) {
    PrintUsage(std::cerr);
    return 2;
  }
  std::string name = words[1];
  if (name == "--version" || name == "-V") return PrintVersion();
  if (name == "--help" || name == "-h") return PrintUsage(std::cout);
  if (name == "help") {
    if (count == 2) return PrintUsage(std::cout);
    std::string topic = words[2];
    for (std::size_t i = 3; i < count; ++i) topic += " " + words[i];
    return PrintCommandUsage(topic, std::cout) ? 0 : UsageError("no command '" + topic + "'");
  }
  // A command may have a second word ("ini set", "pkg list"); the longer name wins.
  std::size_t consumed = 2;
  auto it = Registry().end();
  if (count >= 3) it = Registry().find(name + " " + words[2]);
  if (it != Registry().end()) {
    consumed = 3;
    name += " " + words[2];
  } else {
    it = Registry().find(name);
  }
  Arguments args(words.begin() + static_cast<std::ptrdiff_t>(consumed), words.end());
  if (it == Registry().end()) {
    // A group on its own, or with --help, lists its commands.
    const bool groupOnly = count == 2 || AsksForHelp(args);
    if (groupOnly && PrintCommandUsage(name, std::cout)) return 0;
    return UsageError("unknown command '" + (count >= 3 ? name + " " + words[2] : name) + "'");
  }
  if (AsksForHelp(args)) return PrintCommandUsage(name, std::cout) ? 0 : 2;
  try {
    return it->second.run(args);
  } catch (const std::exception& e) {
    return Failure(e.what());
  }
}
