#pragma once
// What the version page of the vendor's site says: the release date in its marker, and
// the signature of a signed release.

#include <optional>
#include <string>

#include "platform/locale.h"

namespace brimsel {

struct VersionReply {
  std::string dateText;                     // as the marker holds it; empty without a marker
  std::optional<platform::DateTime> release;  // that text as a date, when it is one
  std::string signature;                    // the signature marker's hex; empty without one
};

// Reads a page as the update check does. Raises what the pattern search raises.
VersionReply ReadVersionReply(const std::string& page);

}  // namespace brimsel
