#pragma once
// The window procedure of a window made for a C++ object: the object is the creation
// parameter, kept in the window's user data from WM_NCCREATE on, and every message from
// the moment the object holds its window (Object::Hwnd()) goes to Object::Dispatch.

#include "platform/windows/windows_api.h"

namespace brimsel::win32 {

template <typename Object>
LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* object = reinterpret_cast<Object*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (object == nullptr || object->Hwnd() != window) return ::DefWindowProcA(window, message, wParam, lParam);
  return object->Dispatch(message, wParam, lParam);
}

}  // namespace brimsel::win32
