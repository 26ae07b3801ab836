#include "app/update_log.h"

#include <cstdio>
#include <vector>

#include "platform/files.h"
#include "platform/locale.h"

namespace brimsel {
namespace {

constexpr std::size_t kMaxKeptBytes = (UpdateLog::kRunsKept - 1) * UpdateLog::kMaxRunBytes;
constexpr char kLineEnd[] = "\r\n";

std::string TimeOfDay() {
  const platform::CalendarParts now = platform::DecodeDateTime(platform::Now());
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour, now.minute, now.second);
  return text;
}

}  // namespace

std::string KeptRuns(const std::string& log) {
  std::vector<std::size_t> starts;
  const std::string header = std::string(kLineEnd) + UpdateLog::kRunHeader;
  if (log.starts_with(UpdateLog::kRunHeader)) starts.push_back(0);
  for (std::size_t at = log.find(header); at != std::string::npos; at = log.find(header, at + 1)) {
    starts.push_back(at + 2);
  }
  if (starts.empty()) return {};  // not a log of ours: start afresh
  std::size_t first = starts.size() > UpdateLog::kRunsKept - 1 ? starts.size() - (UpdateLog::kRunsKept - 1) : 0;
  while (first < starts.size() && log.size() - starts[first] > kMaxKeptBytes) ++first;
  return first < starts.size() ? log.substr(starts[first]) : std::string();
}

void UpdateLog::Start(const std::string& stagingFolder, const std::string& headline) {
  path_.clear();
  written_ = 0;
  cut_ = false;
  if (!platform::DirectoryExists(stagingFolder) && !platform::ForceDirectories(stagingFolder)) return;
  const std::string path = stagingFolder + "\\" + kFileName;
  // A file far beyond what the log keeps is no log of ours: it starts afresh.
  std::string kept = KeptRuns(platform::ReadWholeFile(path, 4 * kRunsKept * kMaxRunBytes).value_or(""));
  if (!kept.empty() && !kept.ends_with(kLineEnd)) kept += kLineEnd;
  platform::File file;
  if (!file.Open(path, platform::File::Mode::Create)) return;
  file.Write(kept.data(), kept.size());
  file.Close();
  path_ = path;
  Append(kRunHeader + platform::DateToStr(platform::Now()) + " " + TimeOfDay() + " " + headline + kLineEnd);
}

void UpdateLog::StartAppending(const std::string& stagingFolder, const std::string& headline) {
  path_.clear();
  written_ = 0;
  cut_ = false;
  const std::string path = stagingFolder + "\\" + kFileName;
  if (!platform::FileExists(path) && !platform::File(path, platform::File::Mode::Replace).IsOpen()) return;
  path_ = path;
  Append(kRunHeader + platform::DateToStr(platform::Now()) + " " + TimeOfDay() + " " + headline + kLineEnd);
}

void UpdateLog::Line(const std::string& text) {
  if (path_.empty() || cut_) return;
  if (written_ + text.size() > kMaxRunBytes) {
    cut_ = true;
    Append(TimeOfDay() + " (the rest of this run is not logged: the log is full)" + kLineEnd);
    return;
  }
  Append(TimeOfDay() + " " + OneLine(text) + kLineEnd);
}

std::string OneLine(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return text;
}

void UpdateLog::Append(const std::string& bytes) {
  platform::File file;
  if (!file.Open(path_, platform::File::Mode::Write)) return;
  const std::int64_t end = file.Size();
  if (end < 0 || !file.Seek(end)) return;
  written_ += file.Write(bytes.data(), bytes.size());
}

}  // namespace brimsel
