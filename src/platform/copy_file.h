#pragma once

#include <string>
#include <string_view>

namespace brimsel::platform {

// Copies a file; with failIfExists false an existing target is overwritten. Reports
// success or failure and raises nothing. Fails on a read-only target and on an executable
// that is running, and never leaves a half-written target behind.
bool CopyFileA(std::string_view existingFile, std::string_view newFile, bool failIfExists);

// A copy and, when it failed, the system's reason (a text of the system, for a log).
struct CopyResult {
  bool copied = false;
  std::string reason;
};
// CopyFileA, telling why it failed.
CopyResult CopyFileReporting(std::string_view existingFile, std::string_view newFile, bool failIfExists);

}  // namespace brimsel::platform
