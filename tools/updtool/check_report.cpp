#include "updtool/check_report.h"

#include <cstdio>
#include <iostream>

namespace brimsel::updtool {
namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

std::string List(const std::vector<std::string>& texts) {
  std::string list = "[";
  for (const std::string& text : texts) list += (list.size() > 1 ? ", " : "") + Quoted(text);
  return list + "]";
}

}  // namespace

CheckReport::CheckReport(bool json, std::string site, std::string package)
    : json_(json), site_(std::move(site)), package_(std::move(package)) {}

void CheckReport::Step(const std::string& name, const std::string& found) {
  std::lock_guard lock(mutex_);
  steps_.emplace_back(name, found);
  if (!json_) std::cout << name << ": " << found << std::endl;
}

bool CheckReport::Fail(const std::string& reason) {
  std::lock_guard lock(mutex_);
  failures_.push_back(reason);
  if (!json_) std::cout << "FAILED: " << reason << std::endl;
  return false;
}

void CheckReport::InstalledFile(const std::string& name) {
  std::lock_guard lock(mutex_);
  if (!json_ && files_.empty()) std::cout << "installs (lower-case, flattened, as the updater writes them):\n";
  files_.push_back(name);
  if (!json_) std::cout << "  + " << name << std::endl;
}

void CheckReport::Finish(bool passed, const std::string& lastUpdate) {
  std::lock_guard lock(mutex_);
  if (!json_) {
    std::cout << (passed ? "OK: an updater whose LastUpdate is " + lastUpdate + " installs this release\n"
                         : "the release would not be installed\n")
              << std::flush;
    return;
  }
  std::string steps = "[";
  for (const auto& [name, found] : steps_)
    steps += std::string(steps.size() > 1 ? ", " : "") + "{\"step\": " + Quoted(name) + ", \"found\": " + Quoted(found) + "}";
  std::cout << "{\"site\": " << Quoted(site_) << ", \"package\": " << Quoted(package_)
            << ", \"lastUpdate\": " << Quoted(lastUpdate) << ", \"passed\": " << (passed ? "true" : "false")
            << ", \"steps\": " << steps << "], \"failures\": " << List(failures_) << ", \"files\": " << List(files_)
            << "}" << std::endl;
}

}  // namespace brimsel::updtool
