#pragma once
// The caption of lblDown while the package arrives.

#include <cstdint>
#include <string>

namespace brimsel {

// "已完成 " + received + "/" + total + " 字节", both numbers in the "#,##" format (so a
// zero shows as nothing).
std::string ProgressLabel(std::int64_t received, std::int64_t total);

}  // namespace brimsel
