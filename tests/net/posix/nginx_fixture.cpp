#include "net/posix/nginx_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>
#include <vector>

extern char** environ;

namespace brimsel::test {
namespace {

constexpr char kNginx[] = "/usr/sbin/nginx";

// A socket listening on port 80 of `address`, or -1 when the address is taken or binding
// port 80 is not allowed. nginx inherits it, so connections queue from the start.
int ListenOn(const std::string& address) {
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_port = htons(80);
  if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) return -1;
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, 64) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

NginxServer::NginxServer(int block, std::string serverConfig) : serverConfig_(std::move(serverConfig)) {
  if (::access(kNginx, X_OK) != 0) {
    skipReason_ = "nginx is not installed (scripts/setup.sh installs nginx-light)";
    return;
  }
  for (int host = 1; host <= 254 && listenFd_ < 0; ++host) {
    address_ = "127.80." + std::to_string(block) + "." + std::to_string(host);
    listenFd_ = ListenOn(address_);
  }
  if (listenFd_ < 0) {
    skipReason_ = "cannot bind port 80 on loopback; these tests need root or CAP_NET_BIND_SERVICE";
    return;
  }
  if (!Start()) Stop();
}

void NginxServer::Publish(const std::string& relative, const std::string& content) const {
  prefix_.Write("www/" + relative, content);
}

bool NginxServer::Start() {
  const std::string prefix = prefix_.path().string();
  prefix_.Write("www/index.html", "nginx for the tests\n");
  prefix_.Write("nginx.conf",
                "user root;\n"
                "worker_processes 1;\n"
                "pid " + prefix + "/nginx.pid;\n"
                "error_log " + prefix + "/error.log;\n"
                "events { worker_connections 64; }\n"
                "http {\n"
                "  access_log off;\n"
                "  default_type application/octet-stream;\n"
                "  server {\n"
                "    listen " + address_ + ":80;\n"
                "    root " + prefix + "/www;\n" +
                serverConfig_ +
                "  }\n"
                "}\n");
  const std::string conf = prefix + "/nginx.conf";
  const std::string errorLog = prefix + "/error.log";
  std::vector<std::string> args = {kNginx, "-p", prefix + "/", "-c", conf, "-e", errorLog, "-g", "daemon off;"};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  // nginx takes over listening sockets named in $NGINX ("<fd>;").
  std::vector<std::string> variables = {"NGINX=" + std::to_string(listenFd_) + ";"};
  for (char** variable = environ; *variable != nullptr; ++variable) variables.emplace_back(*variable);
  std::vector<char*> envp;
  for (auto& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  if (::posix_spawn(&pid_, kNginx, nullptr, nullptr, argv.data(), envp.data()) != 0) {
    pid_ = -1;
    skipReason_ = "cannot start nginx";
    return false;
  }
  return true;
}

void NginxServer::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

NginxServer::~NginxServer() {
  Stop();
  if (listenFd_ >= 0) ::close(listenFd_);
}

}  // namespace brimsel::test
