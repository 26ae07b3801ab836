#pragma once
// How a package download ended and why, kept for the log and for `updtool check`. The
// download's interface reduces it to a Boolean; the reasons stay here.

#include <cstdint>
#include <string>

namespace brimsel {

enum class DownloadOutcome {
  Complete,         // the file holds the whole package
  Cancelled,        // Close was confirmed
  HeadIncomplete,   // the HEAD reply ended or stalled before its blank line
  HeadRefused,      // the HEAD reply's status is no success
  HeadNoLength,     // the HEAD reply has no Content-Length
  GetIncomplete,    // the GET reply ended or stalled before its blank line
  GetRefused,       // the GET reply's status is no success, or it has no Content-Length
  GetWrongRange,    // the GET reply holds a range that begins elsewhere than asked
  NoRoom,           // the volume of the package file cannot take the announced length
  BodyTooSlow,      // too few bytes of the body within the pace rule's window
  BodyClosedEarly,  // the server closed before the package was whole
  BodyShort,        // the server sent all it promised and the package is still short
  Failed,           // a file or connection error; `detail` holds its text
};

struct DownloadReport {
  DownloadOutcome outcome = DownloadOutcome::Failed;
  std::string detail;             // the error text of a failure, when there is one
  int headStatus = 0;             // 0 before a reply came
  std::int64_t totalLength = -1;  // the HEAD reply's Content-Length; -1 when none
  int getStatus = 0;
  std::int64_t rangeLength = -1;  // the GET reply's Content-Length; -1 when none
  std::int64_t received = 0;      // body bytes written by this download
};

// One line for a person: the outcome with the numbers that explain it.
std::string DescribeDownload(const DownloadReport& report);

}  // namespace brimsel
