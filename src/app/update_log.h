#pragma once
// update.log in the staging folder: a plain-text account of each run, so that a failed
// update says why (the wizard itself shows every failure the same way). Lines are texts of
// the system (GBK), each with the time of day, ended by CR LF. The file keeps the last few
// runs and stays small: older runs are dropped when a run starts, and a run that writes
// more than its share is cut. Logging never fails an update: write errors are ignored.

#include <cstddef>
#include <string>

#include "update/own_files.h"
#include "update/update_notes.h"

namespace brimsel {

class UpdateLog final : public UpdateNotes {
 public:
  static constexpr const char* kFileName = kUpdateLogName;
  static constexpr char kRunHeader[] = "==== ";  // begins the first line of each run
  static constexpr std::size_t kRunsKept = 5;   // this run included
  static constexpr std::size_t kMaxRunBytes = 64 * 1024;

  // Begins this run's section in `stagingFolder` (made when missing).
  void Start(const std::string& stagingFolder, const std::string& headline);
  // Begins this run's section at the end of the log, keeping every earlier line: for a run
  // that must not rewrite a log that another run is writing.
  void StartAppending(const std::string& stagingFolder, const std::string& headline);
  // Appends one line; nothing before Start.
  void Line(const std::string& text) override;
  const std::string& Path() const { return path_; }

 private:
  void Append(const std::string& bytes);

  std::string path_;
  std::size_t written_ = 0;
  bool cut_ = false;
};

// A text as one line of a log: control bytes (a line feed in a name from a package, say)
// become "?", so that no text forges a line. No second byte of a double-byte character is
// a control byte, so the bytes are judged one by one.
std::string OneLine(std::string text);

// The earlier runs of a log text worth keeping when a new run starts: the last
// kRunsKept - 1 of them, the oldest dropped first until what is kept leaves room for
// the new run within kRunsKept * kMaxRunBytes.
std::string KeptRuns(const std::string& log);

}  // namespace brimsel
