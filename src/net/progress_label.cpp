#include "net/progress_label.h"

#include "platform/locale.h"

namespace brimsel {
namespace {
constexpr char kDonePrefix[] = "\xD2\xD1\xCD\xEA\xB3\xC9 ";  // 已完成
constexpr char kBytesSuffix[] = " \xD7\xD6\xBD\xDA";         // 字节
}  // namespace

std::string ProgressLabel(std::int64_t received, std::int64_t total) {
  return kDonePrefix + platform::FormatThousands(received) + "/" + platform::FormatThousands(total) + kBytesSuffix;
}

}  // namespace brimsel
