#pragma once
// The update check: the package's version page asked of the vendor's site, its date marker
// and signature marker read, and the release date judged against LastUpdate. Any failure
// on the way (no reply, no marker, no date) means no update, and a check that failed: the
// user is told so, never that the newest version is installed.

#include <optional>
#include <string>

#include "platform/locale.h"
#include "update/update_notes.h"

namespace brimsel {

enum class VersionVerdict {
  kFailed,     // the fetch or the search raised an error
  kCancelled,  // Close was confirmed while the page was awaited
  kNoMarker,   // the reply holds no date marker
  kNotADate,   // the marker's text is no date of the short date format
  kNotLater,   // the release is not strictly later than LastUpdate
  kNewer,      // an update
};

struct VersionCheck {
  VersionVerdict verdict = VersionVerdict::kFailed;
  std::string url;                            // the version query
  std::string fetched;                        // how its fetch went; empty when none came back
  long status = 0;                            // the reply's HTTP status; 0 when none came
  std::string dateText;                       // the text of the first date marker
  std::optional<platform::DateTime> release;  // that text read as a date
  std::string signature;                      // the page's signature (hex); empty when none
  bool signatureMarked = false;               // the page opens a signature marker, readable or not
  std::string error;                          // the error of kFailed, when it had a text
};

// True for the verdicts of a check that could not tell whether a newer release is
// published: no reply or an error, no date marker, a date that does not convert.
bool VersionCheckFailed(VersionVerdict verdict);

// Reads a version page as the check does into `check`: the text of its first date marker,
// that text as a date, and the signature. The verdict is left to the caller. Raises what the pattern search
// raises.
VersionCheck ReadVersionPage(const std::string& page, VersionCheck check = {});

// Fetches the version page of `packageName` from `siteUrl` and judges it against
// `lastUpdate`, telling `notes` the request and the verdict. A fetch stops waiting once
// `*cancelFlag` is set (null: nothing cancels it).
VersionCheck CheckPublishedVersion(const std::string& siteUrl, const std::string& packageName,
                                   platform::DateTime lastUpdate, const bool* cancelFlag, UpdateNotes& notes);

}  // namespace brimsel
