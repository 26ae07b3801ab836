#pragma once
// A real web server for the tests: nginx, started in the foreground on port 80 of a
// loopback address of its own (127.80.<block>.x) with a private prefix; the test binds the
// address itself and nginx inherits the listening socket, so it can be used at once, serving the files
// of a folder, and stopped when the object goes.

#include <filesystem>
#include <string>
#include <sys/types.h>

#include "support/temp_dir.h"

namespace brimsel::test {

class NginxServer {
 public:
  // `serverConfig`: more directives for the server block (locations, say).
  explicit NginxServer(int block, std::string serverConfig = "");
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  bool Running() const { return pid_ > 0; }
  const std::string& SkipReason() const { return skipReason_; }
  const std::string& Address() const { return address_; }
  // Writes a file below the served folder.
  void Publish(const std::string& relative, const std::string& content) const;
  // The served folder, for files too big to be held as a text.
  std::filesystem::path ServedFolder() const { return prefix_.path() / "www"; }

 private:
  bool Start();
  void Stop();

  TempDir prefix_;
  std::string serverConfig_;
  std::string address_;
  std::string skipReason_;
  int listenFd_ = -1;  // handed to nginx
  pid_t pid_ = -1;
};

}  // namespace brimsel::test
