#pragma once
// Where a published release lives below a site folder, in the one layout that both
// `updtool serve` and a plain static web server (the README's nginx configuration) serve:
//   update/NAME.zip            the package
//   update/getver/NAME.html    the version page (the date marker, and the signature marker
//                              of a signed release)
//   update/test.html           the probe page, GBK "测试成功"

#include <filesystem>
#include <string>

namespace brimsel::updtool {

// "测试成功" in GBK: what the updater looks for in the probe reply.
inline constexpr char kProbePassedGbk[] = "\xB2\xE2\xCA\xD4\xB3\xC9\xB9\xA6";
// The probe page a release publishes and `serve` falls back on.
inline constexpr char kProbePageBody[] = "<html><body>\xB2\xE2\xCA\xD4\xB3\xC9\xB9\xA6</body></html>\r\n";

std::filesystem::path PackageFile(const std::filesystem::path& site, const std::string& name);
std::filesystem::path VersionPageFile(const std::filesystem::path& site, const std::string& name);
std::filesystem::path ProbePageFile(const std::filesystem::path& site);

// A package name that can stand in a file name and, unescaped, in the version query.
bool IsPublishableName(const std::string& name);

}  // namespace brimsel::updtool
