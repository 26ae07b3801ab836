#pragma once
// Texts given on the command line are UTF-8; the updater's are GBK.

#include <optional>
#include <string>

#include "platform/codepage.h"

namespace brimsel::updtool {

// GBK of a UTF-8 text, or nothing when GBK cannot hold it.
inline std::optional<std::string> ToGbk(const std::string& utf8) {
  std::string gbk = platform::Utf8ToGbk(utf8);
  if (platform::GbkToUtf8(gbk) != utf8) return std::nullopt;
  return gbk;
}

}  // namespace brimsel::updtool
