#pragma once
// What `updtool check` found, step by step: printed as it goes for a person, or gathered and
// printed once as JSON for a script (--json). Steps are told from the check's worker while
// the main thread may end the check at its time limit, so every call takes a lock.

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace brimsel::updtool {

class CheckReport {
 public:
  CheckReport(bool json, std::string site, std::string package);

  void Step(const std::string& name, const std::string& found);
  bool Fail(const std::string& reason);  // always false, for `return report.Fail(...)`
  // A file the release would install, as the updater writes it (UTF-8).
  void InstalledFile(const std::string& name);
  // The closing line, or the whole JSON document; `lastUpdate` as given.
  void Finish(bool passed, const std::string& lastUpdate);

 private:
  std::mutex mutex_;
  const bool json_;
  const std::string site_;
  const std::string package_;
  std::vector<std::pair<std::string, std::string>> steps_;
  std::vector<std::string> failures_;
  std::vector<std::string> files_;
};

}  // namespace brimsel::updtool
