#pragma once
// A connection to the X display named by $DISPLAY, with the few requests the window
// finder needs: atoms, window properties and attributes. Every reply is freed by RAII.

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace brimsel::platform::x11 {

// A reply of xcb, freed with free() as xcb requires.
struct FreeDeleter {
  void operator()(void* p) const noexcept;
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

class XcbSession {
 public:
  // Connects to $DISPLAY; Connected() tells whether that worked (no display: false).
  XcbSession();
  ~XcbSession();
  XcbSession(const XcbSession&) = delete;
  XcbSession& operator=(const XcbSession&) = delete;

  bool Connected() const;
  xcb_connection_t* Connection() const { return connection_; }
  // The root window of every screen of the display.
  std::vector<xcb_window_t> Roots() const;

  // The atom of `name`, or XCB_ATOM_NONE when it does not exist (it is never created).
  xcb_atom_t Atom(std::string_view name) const;

 private:
  xcb_connection_t* connection_ = nullptr;
};

// The value of a property as it came: its type, element format (8, 16, 32) and bytes.
struct PropertyValue {
  xcb_atom_t type = XCB_ATOM_NONE;
  std::uint8_t format = 0;
  std::string bytes;
};

// Reads a property started with xcb_get_property; an empty value when absent or on error.
PropertyValue TakeProperty(xcb_connection_t* connection, xcb_get_property_cookie_t cookie);

// The 32-bit elements of a property of format 32 (atoms, windows, cardinals).
std::vector<std::uint32_t> Elements32(const PropertyValue& value);

}  // namespace brimsel::platform::x11
