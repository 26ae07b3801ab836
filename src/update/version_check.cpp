#include "update/version_check.h"

#include <exception>

#include "net/fetch_page.h"
#include "net/update_site.h"

namespace brimsel {
namespace {

VersionVerdict Judge(const VersionCheck& check, platform::DateTime lastUpdate) {
  if (check.dateText.empty()) return VersionVerdict::kNoMarker;
  if (!check.release) return VersionVerdict::kNotADate;
  return *check.release > lastUpdate ? VersionVerdict::kNewer : VersionVerdict::kNotLater;
}

std::string VerdictLine(const VersionCheck& check, platform::DateTime lastUpdate) {
  const std::string last = platform::DateTimeToStr(lastUpdate);
  switch (check.verdict) {
    case VersionVerdict::kNoMarker:
      if (check.status == 0) return "no version page came back; the check failed";
      return "the version page has no marker <!--date...Main -->; the check failed";
    case VersionVerdict::kNotADate:
      return "the release date \"" + check.dateText + "\" is not a date like 2005-1-1; the check failed";
    case VersionVerdict::kNotLater:
      return "release " + platform::DateTimeToStr(*check.release) + " is not later than LastUpdate " + last +
             "; no update";
    case VersionVerdict::kNewer:
      return "release " + platform::DateTimeToStr(*check.release) + " is newer than LastUpdate " + last +
             (check.signature.empty() ? "" : "; the page is signed");
    case VersionVerdict::kFailed:
    case VersionVerdict::kCancelled: break;
  }
  return {};
}

}  // namespace

bool VersionCheckFailed(VersionVerdict verdict) {
  return verdict == VersionVerdict::kFailed || verdict == VersionVerdict::kNoMarker ||
         verdict == VersionVerdict::kNotADate;
}

VersionCheck ReadVersionPage(const std::string& page, VersionCheck check) {
  check.dateText = ReleaseDateText(page);
  check.release = platform::TryStrToDate(check.dateText);
  check.signature = SignatureOfPage(page);
  check.signatureMarked = OpensSignatureMarker(page);
  return check;
}

VersionCheck CheckPublishedVersion(const std::string& siteUrl, const std::string& packageName,
                                   platform::DateTime lastUpdate, const bool* cancelFlag, UpdateNotes& notes) {
  VersionCheck check;
  check.url = siteUrl + VersionQueryTarget(packageName);
  try {
    const PageFetch page = FetchPageReporting(check.url, cancelFlag);
    check.fetched = DescribeFetch(page);
    check.status = page.status;
    notes.Line("request " + check.url + ": " + check.fetched);
    if (cancelFlag != nullptr && *cancelFlag) {  // Close was confirmed: the program is ending
      check.verdict = VersionVerdict::kCancelled;
      return check;
    }
    check = ReadVersionPage(page.body, check);  // a copy: a raise leaves what was fetched
    check.verdict = Judge(check, lastUpdate);
    notes.Line(VerdictLine(check, lastUpdate));
  } catch (const std::exception& error) {
    check.verdict = VersionVerdict::kFailed;
    check.error = error.what();
    notes.Line("update check failed: " + check.error);
  } catch (...) {
    check.verdict = VersionVerdict::kFailed;
  }
  return check;
}

}  // namespace brimsel
