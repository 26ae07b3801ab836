#pragma once
// Helpers of the Windows implementations: texts between the system code page and UTF-16,
// and the system's message for an error code.

#include "platform/windows/windows_api.h"

#include <string>
#include <string_view>

namespace brimsel::platform::windows {

// The system code page of the Chinese Windows the updater is made for.
inline constexpr UINT kSystemCodePage = 936;

std::wstring ToWide(std::string_view text, UINT codePage = kSystemCodePage);
std::string FromWide(std::wstring_view text, UINT codePage = kSystemCodePage);

// The system's text for `error` (GBK, without the trailing line end); "error N" when the
// system has none.
std::string ErrorText(DWORD error);

// A kernel handle, closed when the object goes.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    const bool ok = !valid() || ::CloseHandle(handle_);
    handle_ = nullptr;
    return ok;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace brimsel::platform::windows
