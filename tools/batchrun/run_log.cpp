#include "run_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <ctime>

#include "platform/codepage.h"

namespace brimsel::batchrun {

void RunLog::Line(std::string_view text) const {
  char stamp[32] = "";
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  if (::localtime_r(&now, &local) != nullptr) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local);
  std::string line = stamp;
  line.append(text);
  line += '\n';
  // Opened for each line, so that the runner holds no descriptor while it waits.
  const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return;
  [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
  ::close(fd);
}

std::string RunLog::Gbk(std::string_view gbk) { return platform::FileNameToUtf8(gbk); }

}  // namespace brimsel::batchrun
