#pragma once
// What the updater asks of the vendor's site and of each download server, and what it
// looks for in their replies. Shared by the update check and by `updtool check`, which
// tries a published release the way an installed updater would.

#include <string>
#include <string_view>

namespace brimsel {

// The release date in the version reply: "<!--date" + the date + "Main -->". The date is
// written without blanks, and may be followed by one blank and a time of day
// ("<!--date2026-12-8 14:30Main -->"), so that a second release on one day is a later time.
inline constexpr char kReleaseDatePattern[] = "<!--date(\\S+( \\S+)?)Main -->";
// The date text of the first date marker of a version reply, as the pattern reads it;
// empty when there is none. Raises what the pattern search raises.
std::string ReleaseDateText(std::string_view reply);
// The version page of a release of `date` (in the short date format, which reads it back
// as it was written); a signed release carries its signature in a second marker.
std::string VersionPage(const std::string& date, const std::string& signatureHex = "");
inline constexpr char kVersionQuery[] = "/update/getver.asp?soft=";
inline constexpr char kProbePage[] = "/update/test.html";
inline constexpr char kProbePassed[] = "\xB2\xE2\xCA\xD4\xB3\xC9\xB9\xA6";  // 测试成功
inline constexpr char kPackageFolder[] = "/update/";
inline constexpr char kPackageExtension[] = ".zip";

// The signature of a signed release on its version page: a second marker beside the date
// marker, "<!--sign" + the signature in hex + "Sign -->". Updaters that look only for the
// date marker read such a page as before.
std::string SignatureMarker(const std::string& signatureHex);
// The signature a version page carries; empty when it carries none.
std::string SignatureOfPage(const std::string& page);

}  // namespace brimsel
