#pragma once
// The update server a vendor runs on their own machine to try a release before publishing
// it. It serves, from one folder, the three things the updater asks for, from the files
// that release writes (net/update_site.h), as a static web server does:
//   /update/getver.asp?soft=NAME  the version page update/getver/NAME.html
//   /update/test.html             the probe page (update/test.html, or a built-in one)
//   /update/NAME.zip              the package, with HEAD, Range and Content-Length
// and any other file below the folder as it is.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/posix/descriptor.h"

namespace brimsel::updtool {

class UpdateServer {
 public:
  UpdateServer(std::filesystem::path root, std::string address, std::uint16_t port);
  UpdateServer(const UpdateServer&) = delete;
  UpdateServer& operator=(const UpdateServer&) = delete;

  // Binds and listens; false with Error() set when the address cannot be used.
  bool Listen();
  // Serves until Stop() is called (from a signal handler or another thread).
  void Run();
  void Stop() { stopping_ = true; }
  const std::string& Error() const { return error_; }

 private:
  void Serve(int client) const;

  std::filesystem::path root_;
  std::string address_;
  std::uint16_t port_;
  platform::Descriptor listener_;
  std::atomic<bool> stopping_{false};
  std::string error_;
};

// True when `root` holds a package (update/*.zip) to serve.
bool HoldsRelease(const std::filesystem::path& root);

}  // namespace brimsel::updtool
