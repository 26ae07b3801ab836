#include "updtool/site_files.h"


namespace brimsel::updtool {

std::filesystem::path SiteFile(const std::filesystem::path& site, const std::string& relative) {
  return site / std::filesystem::path(relative);  // the bytes as they are
}

}  // namespace brimsel::updtool
