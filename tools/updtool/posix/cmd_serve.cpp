// updtool serve DIR [--address A]: the update server for trying a release locally.
#include <csignal>
#include <filesystem>
#include <iostream>

#include "updtool/command.h"
#include "updtool/posix/update_server.h"

namespace brimsel::updtool {
namespace {

// The updater always downloads from port 80.
constexpr std::uint16_t kHttpPort = 80;

UpdateServer* runningServer = nullptr;

extern "C" void StopServing(int) {
  if (runningServer) runningServer->Stop();
}

int Serve(const Arguments& args) {
  std::string folder;
  std::string address = "127.0.0.1";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--address" && i + 1 < args.size()) {
      address = args[++i];
    } else if (args[i].rfind("--address=", 0) == 0) {
      address = args[i].substr(10);
    } else if (folder.empty() && args[i].rfind("--", 0) != 0) {
      folder = args[i];
    } else {
      return UsageError("serve: unexpected argument '" + args[i] + "'");
    }
  }
  if (folder.empty()) return UsageError("serve: which folder?");
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return Failure("serve: no folder " + folder);
  if (!HoldsRelease(folder))
    std::cerr << "updtool: serve: warning: " << folder
              << " holds no release (no update/NAME.zip); make one with updtool release" << std::endl;

  UpdateServer server(folder, address, kHttpPort);
  if (!server.Listen()) return Failure("serve: " + server.Error());
  runningServer = &server;
  std::signal(SIGINT, StopServing);
  std::signal(SIGTERM, StopServing);
  std::cout << "serving " << folder << " on http://" << address << "/ (Ctrl+C stops)" << std::endl;
  server.Run();
  runningServer = nullptr;
  return 0;
}

const Command serve("serve",
                    "  serve DIR [--address A]\n"
                    "      serve a release from DIR on port 80 of A (default 127.0.0.1): the version\n"
                    "      page /update/getver.asp?soft=NAME with the date in DIR/update/NAME.date,\n"
                    "      /update/test.html, the package /update/NAME.zip and any other file of DIR",
                    Serve);

}  // namespace
}  // namespace brimsel::updtool
