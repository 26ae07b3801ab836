#pragma once
// The runner's log, "batchrun.log" beside the script: one line per event, appended, in
// UTF-8, each with the local date and time. The runner has no console; this file is the
// only place where it says what it did or why it refused.

#include <filesystem>
#include <string>
#include <string_view>

namespace brimsel::batchrun {

inline constexpr char kLogFileName[] = "batchrun.log";

class RunLog {
 public:
  explicit RunLog(std::filesystem::path file) : file_(std::move(file)) {}

  // `text` is UTF-8; paths of the script (system code page) go through Gbk() first.
  void Line(std::string_view text) const;
  static std::string Gbk(std::string_view gbk);

 private:
  std::filesystem::path file_;
};

}  // namespace brimsel::batchrun
