#pragma once
// The server contract: what the updater asks of the vendor's site and of each download
// server, where a release lies below a site's folder so that a plain static web server
// answers those requests, and how the version page and the probe page are written and
// read. `updtool release` writes a site by it, `updtool serve` serves one by it, and the
// update check, the download and `updtool check` ask and read by it.

#include <optional>
#include <string>
#include <string_view>

#include "platform/locale.h"

namespace brimsel {

// The requests. A server URL is a scheme and host without a trailing slash, and a request
// URL is the server URL + one of these; the package name goes in as it is, unescaped.
inline constexpr char kVersionQueryPath[] = "/update/getver.asp";
inline constexpr char kVersionQueryKey[] = "soft";
inline constexpr char kProbePage[] = "/update/test.html";
std::string VersionQueryTarget(const std::string& packageName);  // "/update/getver.asp?soft=NAME"
std::string PackageTarget(const std::string& packageName);       // "/update/NAME.zip"
// The package's file name, on the site and in the staging folder: "NAME.zip".
std::string PackageFileName(const std::string& packageName);
// A package name that can stand in a file name and, unescaped, in the requests.
bool IsPublishableName(const std::string& name);

// The site's file layout: the files below the site's folder ("/"-separated) that answer
// the requests, as a static web server serves them; the version query is answered from
// its page by a rewrite (the README's nginx configuration).
inline constexpr char kReleaseFolder[] = "update";
std::string PackageFile(const std::string& packageName);      // "update/NAME.zip"
std::string VersionPageFile(const std::string& packageName);  // "update/getver/NAME.html"
std::string ProbePageFile();                                  // "update/test.html"

// Every published release is kept, its package beside its version page, in a folder named
// after its date, so that an earlier one can be published anew:
// "update/releases/2026-12-08_1430/NAME.zip" and ".../NAME.html". The folder's name is
// the date as a file system of any kind holds it: yyyy-mm-dd_hhmm, seconds appended when
// the date has some.
std::string ReleaseStamp(platform::DateTime date);
std::optional<platform::DateTime> DateOfReleaseStamp(std::string_view stamp);
std::string KeptReleaseFolder(platform::DateTime date);                                    // "update/releases/STAMP"
std::string KeptPackageFile(platform::DateTime date, const std::string& packageName);      // ".../NAME.zip"
std::string KeptVersionPageFile(platform::DateTime date, const std::string& packageName);  // ".../NAME.html"

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

// The signature of a signed release on its version page: a second marker beside the date
// marker, "<!--sign" + the signature in hex + "Sign -->". Updaters that look only for the
// date marker read such a page as before.
std::string SignatureMarker(const std::string& signatureHex);
// The signature a version page carries; empty when it carries none.
std::string SignatureOfPage(const std::string& page);
// True when the page opens a signature marker ("<!--sign"), readable or not.
bool OpensSignatureMarker(std::string_view page);

// The probe: a server is usable when its reply holds "测试成功" (GBK) anywhere; the status
// is not looked at.
inline constexpr char kProbePassed[] = "\xB2\xE2\xCA\xD4\xB3\xC9\xB9\xA6";  // 测试成功
bool ProbePassed(std::string_view reply);
// The probe page a release publishes.
inline constexpr char kProbePageBody[] = "<html><body>\xB2\xE2\xCA\xD4\xB3\xC9\xB9\xA6</body></html>\r\n";

}  // namespace brimsel
