#include "support/whole_file_watch.h"

#include <algorithm>
#include <chrono>

#include "platform/files.h"

namespace brimsel::test {

WholeFileWatch::WholeFileWatch(std::string path, std::vector<std::string> wholes)
    : path_(std::move(path)), wholes_(std::move(wholes)), thread_([this] {
        while (!stop_) {
          if (!Whole()) ++broken_;
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      }) {}

WholeFileWatch::~WholeFileWatch() { Stop(); }

int WholeFileWatch::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  return broken_;
}

bool WholeFileWatch::Whole() const {
  // Length and bytes through one open: one file, even while a rename replaces it.
  platform::File file(path_, platform::File::Mode::Read);
  // A file that is there but cannot be opened this instant is held by another process; Wine's
  // move opens the target it replaces without sharing it, for a moment. Such a look sees
  // nothing either way.
  if (!file.IsOpen()) return platform::FileExists(path_);
  const std::int64_t size = file.Size();
  if (size < 0) return false;
  std::string start(std::min<std::size_t>(static_cast<std::size_t>(size), 4096), '\0');
  if (file.Read(start.data(), start.size()) != start.size()) return false;
  return std::any_of(wholes_.begin(), wholes_.end(), [&](const std::string& whole) {
    return whole.size() == static_cast<std::size_t>(size) && whole.starts_with(start);
  });
}

}  // namespace brimsel::test
