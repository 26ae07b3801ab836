// updtool: what a vendor needs besides the wizard: making Update.ini, checking a version
// page and a package, and serving a release on their own machine.
#include <iostream>
#include <map>

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
  out << "usage: updtool <command> [arguments]\n\ncommands:\n";
  for (const auto& [name, entry] : Registry()) out << entry.usage << "\n";
  return 0;
}

}  // namespace

Command::Command(std::string name, std::string usage, std::function<int(const Arguments&)> run) {
  Registry()[std::move(name)] = Entry{std::move(usage), std::move(run)};
}

int UsageError(const std::string& message) {
  std::cerr << "updtool: " << message << "\n(see 'updtool help')\n";
  return 2;
}

int Failure(const std::string& message) {
  std::cerr << "updtool: " << message << "\n";
  return 1;
}

}  // namespace brimsel::updtool

int main(int argc, char** argv) {
  using namespace brimsel::updtool;
  if (argc < 2) {
    PrintUsage(std::cerr);
    return 2;
  }
  std::string name = argv[1];
  if (name == "help" || name == "--help" || name == "-h") return PrintUsage(std::cout);
  // A command may have a second word ("ini set", "pkg list"); the longer name wins.
  int consumed = 2;
  auto it = Registry().end();
  if (argc >= 3) it = Registry().find(name + " " + argv[2]);
  if (it != Registry().end()) {
    consumed = 3;
  } else {
    it = Registry().find(name);
  }
  if (it == Registry().end()) return UsageError("unknown command '" + name + "'");
  Arguments args(argv + consumed, argv + argc);
  try {
    return it->second.run(args);
  } catch (const std::exception& e) {
    return Failure(e.what());
  }
}
