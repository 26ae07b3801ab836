#pragma once
// The files of a site's folder, named as the requests ask for them (net/update_site.h): a
// package name beyond ASCII stands in the file names as its GBK bytes, the bytes the
// updater sends. On Linux a file name is those very bytes, which nginx and `updtool serve`
// find byte for byte; on Windows it is the name that code page 936 reads them as.

#include <filesystem>
#include <string>

#include "platform/codepage.h"
#include "platform/command_line.h"

namespace brimsel::updtool {

// The file of `relative` (GBK, "/"-separated, as update_site gives it) below `site`.
std::filesystem::path SiteFile(const std::filesystem::path& site, const std::string& relative);
// The same for a terminal: UTF-8.
inline std::string ShownSiteFile(const std::filesystem::path& site, const std::string& relative) {
  return platform::Utf8OfPath(site) + "/" + platform::GbkToUtf8(relative);
}

}  // namespace brimsel::updtool
