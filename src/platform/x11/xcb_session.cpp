#include "platform/x11/xcb_session.h"

#include <cstdlib>
#include <cstring>

namespace brimsel::platform::x11 {

void FreeDeleter::operator()(void* p) const noexcept { std::free(p); }

XcbSession::XcbSession() : connection_(xcb_connect(nullptr, nullptr)) {}

XcbSession::~XcbSession() {
  // xcb_connect hands back an object even when it failed; it must be released all the same.
  if (connection_ != nullptr) xcb_disconnect(connection_);
}

bool XcbSession::Connected() const { return connection_ != nullptr && xcb_connection_has_error(connection_) == 0; }

std::vector<xcb_window_t> XcbSession::Roots() const {
  std::vector<xcb_window_t> roots;
  if (!Connected()) return roots;
  for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection_)); it.rem > 0; xcb_screen_next(&it))
    roots.push_back(it.data->root);
  return roots;
}

xcb_atom_t XcbSession::Atom(std::string_view name) const {
  if (!Connected()) return XCB_ATOM_NONE;
  auto cookie = xcb_intern_atom(connection_, /*only_if_exists=*/1, static_cast<std::uint16_t>(name.size()), name.data());
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookie, nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

PropertyValue TakeProperty(xcb_connection_t* connection, xcb_get_property_cookie_t cookie) {
  PropertyValue value;
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
  if (!reply || reply->type == XCB_ATOM_NONE) return value;
  value.type = reply->type;
  value.format = reply->format;
  const int length = xcb_get_property_value_length(reply.get());
  if (length > 0) value.bytes.assign(static_cast<const char*>(xcb_get_property_value(reply.get())), static_cast<std::size_t>(length));
  return value;
}

std::vector<std::uint32_t> Elements32(const PropertyValue& value) {
  std::vector<std::uint32_t> elements;
  if (value.format != 32) return elements;
  elements.resize(value.bytes.size() / sizeof(std::uint32_t));
  if (!elements.empty()) std::memcpy(elements.data(), value.bytes.data(), elements.size() * sizeof(std::uint32_t));
  return elements;
}

}  // namespace brimsel::platform::x11
