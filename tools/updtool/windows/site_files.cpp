#include "updtool/site_files.h"

#include "platform/files.h"

namespace brimsel::updtool {

std::filesystem::path SiteFile(const std::filesystem::path& site, const std::string& relative) {
  return site / platform::NativePath(relative);
}

}  // namespace brimsel::updtool
