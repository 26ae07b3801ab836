#include "platform/x11/window_finder.h"

#include <poll.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/x11/xcb_session.h"

namespace brimsel::platform {
namespace {

using x11::PropertyValue;
using x11::Reply;
using x11::XcbSession;

// Frames of a reparenting window manager nest the client a few levels below the root;
// anything deeper belongs to an application, not to the window manager.
constexpr int kMaxDepth = 8;
// How long SendMessageA waits for the window to go after asking it to close.
constexpr std::chrono::milliseconds kCloseWait{3000};
// Captions longer than 4 KiB are not read in full, and cannot equal a product title.
constexpr std::uint32_t kPropertyWords = 1024;
// The first word of WM_STATE of a window that its window manager has iconified.
constexpr std::uint32_t kIconicState = 3;

struct Atoms {
  xcb_atom_t netWmName;
  xcb_atom_t utf8String;
  xcb_atom_t compoundText;
  xcb_atom_t wmProtocols;
  xcb_atom_t wmDeleteWindow;
  xcb_atom_t wmState;

  explicit Atoms(const XcbSession& x)
      : netWmName(x.Atom("_NET_WM_NAME")),
        utf8String(x.Atom("UTF8_STRING")),
        compoundText(x.Atom("COMPOUND_TEXT")),
        wmProtocols(x.Atom("WM_PROTOCOLS")),
        wmDeleteWindow(x.Atom("WM_DELETE_WINDOW")),
        wmState(x.Atom("WM_STATE")) {}
};

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string utf8;
  utf8.reserve(latin1.size());
  for (char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

// The caption in UTF-8: _NET_WM_NAME when the window has one, else WM_NAME when it can be
// read without a conversion library. COMPOUND_TEXT starts out in Latin-1 and changes
// character set only through escape sequences, so one without ESC is plain Latin-1; a
// Chinese WM_NAME is COMPOUND_TEXT with escapes, and such windows carry _NET_WM_NAME.
std::optional<std::string> CaptionOf(const PropertyValue& netWmName, const PropertyValue& wmName, const Atoms& atoms) {
  if (netWmName.format == 8 && netWmName.type == atoms.utf8String && atoms.utf8String != XCB_ATOM_NONE)
    return netWmName.bytes;
  if (wmName.format != 8) return std::nullopt;
  if (wmName.type == atoms.utf8String && atoms.utf8String != XCB_ATOM_NONE) return wmName.bytes;
  const bool plainCompoundText = wmName.type == atoms.compoundText && atoms.compoundText != XCB_ATOM_NONE &&
                                 wmName.bytes.find('\x1B') == std::string::npos;
  if (wmName.type == XCB_ATOM_STRING || plainCompoundText) return Latin1ToUtf8(wmName.bytes);
  return std::nullopt;
}

// What one round of requests tells about a window.
struct WindowFacts {
  xcb_window_t window = XCB_WINDOW_NONE;
  bool viewable = false;
  bool iconic = false;  // minimised: unmapped by the window manager, yet a window Windows would find
  bool isClient = false;  // an application's window (the window manager marked it, or it speaks the protocols)
  bool acceptsDelete = false;
  std::optional<std::string> caption;  // UTF-8
  std::vector<xcb_window_t> children;  // top of the stacking order first
};

// Asks for everything about all `windows` at once, then collects the replies, so that a
// level of the tree costs one round trip rather than one per window.
std::vector<WindowFacts> Inspect(xcb_connection_t* c, const std::vector<xcb_window_t>& windows, const Atoms& atoms) {
  struct Cookies {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_property_cookie_t netWmName, wmName, protocols, wmState;
    xcb_query_tree_cookie_t tree;
  };
  std::vector<Cookies> cookies;
  cookies.reserve(windows.size());
  for (xcb_window_t w : windows) {
    cookies.push_back({xcb_get_window_attributes(c, w),
                       xcb_get_property(c, 0, w, atoms.netWmName, XCB_GET_PROPERTY_TYPE_ANY, 0, kPropertyWords),
                       xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, kPropertyWords),
                       xcb_get_property(c, 0, w, atoms.wmProtocols, XCB_ATOM_ATOM, 0, kPropertyWords),
                       xcb_get_property(c, 0, w, atoms.wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
                       xcb_query_tree(c, w)});
  }
  std::vector<WindowFacts> facts(windows.size());
  for (std::size_t i = 0; i < windows.size(); ++i) {
    WindowFacts& f = facts[i];
    f.window = windows[i];
    Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(c, cookies[i].attributes, nullptr));
    f.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    const PropertyValue netWmName = x11::TakeProperty(c, cookies[i].netWmName);
    const PropertyValue wmName = x11::TakeProperty(c, cookies[i].wmName);
    const PropertyValue protocols = x11::TakeProperty(c, cookies[i].protocols);
    const PropertyValue wmState = x11::TakeProperty(c, cookies[i].wmState);
    f.caption = CaptionOf(netWmName, wmName, atoms);
    for (std::uint32_t atom : x11::Elements32(protocols))
      if (atom == atoms.wmDeleteWindow && atom != XCB_ATOM_NONE) f.acceptsDelete = true;
    f.isClient = wmState.type != XCB_ATOM_NONE || protocols.type != XCB_ATOM_NONE;
    const auto state = x11::Elements32(wmState);
    f.iconic = !state.empty() && state.front() == kIconicState;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, cookies[i].tree, nullptr));
    if (tree) {
      const xcb_window_t* children = xcb_query_tree_children(tree.get());
      const int count = xcb_query_tree_children_length(tree.get());
      // The server lists children from the bottom of the stacking order up.
      for (int k = count - 1; k >= 0; --k) f.children.push_back(children[k]);
    }
  }
  return facts;
}

// Depth-first from the top of the stacking order, so that the window a user sees in front wins.
xcb_window_t FindAmong(xcb_connection_t* c, const std::vector<xcb_window_t>& windows, const Atoms& atoms,
                       const std::string& wantedLower, int depth) {
  if (windows.empty() || depth > kMaxDepth) return XCB_WINDOW_NONE;
  for (const WindowFacts& f : Inspect(c, windows, atoms)) {
    // A hidden window is passed over, but a minimised one counts; its window manager's frame
    // is unmapped with it, so unmapped frames are searched too.
    const bool shown = f.viewable || f.iconic;
    if (shown && f.acceptsDelete && f.caption && LowerBytes(*f.caption) == wantedLower) return f.window;
    if (f.isClient) continue;  // the children of a client window are the application's own
    if (xcb_window_t found = FindAmong(c, f.children, atoms, wantedLower, depth + 1); found != XCB_WINDOW_NONE)
      return found;
  }
  return XCB_WINDOW_NONE;
}

bool IsGone(const xcb_generic_event_t& event, xcb_window_t window) {
  switch (event.response_type & 0x7F) {
    case XCB_DESTROY_NOTIFY:
      return reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window == window;
    case XCB_UNMAP_NOTIFY:
      return reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window == window;
    default:
      return false;
  }
}

// Waits until the window is destroyed or unmapped, the connection breaks, or the time is up.
void WaitUntilGone(xcb_connection_t* c, xcb_window_t window) {
  const auto deadline = std::chrono::steady_clock::now() + kCloseWait;
  for (;;) {
    while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
      if (IsGone(*event, window)) return;
    }
    if (xcb_connection_has_error(c)) return;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    ::poll(&fd, 1, static_cast<int>(left.count()));
  }
}

bool IsIconic(const XcbSession& x, xcb_window_t window) {
  const xcb_atom_t wmState = x.Atom("WM_STATE");
  if (wmState == XCB_ATOM_NONE) return false;
  const PropertyValue value = x11::TakeProperty(
      x.Connection(), xcb_get_property(x.Connection(), 0, window, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 1));
  const auto state = x11::Elements32(value);
  return !state.empty() && state.front() == kIconicState;
}

}  // namespace

WindowHandle FindWindowA(const char* className, std::string_view windowName) {
  if (className != nullptr || windowName.empty()) return 0;
  XcbSession x;
  if (!x.Connected()) return 0;
  const Atoms atoms(x);
  const std::string wantedLower = LowerBytes(GbkToUtf8(windowName));
  for (xcb_window_t root : x.Roots()) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(x.Connection(), xcb_query_tree(x.Connection(), root), nullptr));
    if (!tree) continue;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    std::vector<xcb_window_t> topLevel;
    for (int k = xcb_query_tree_children_length(tree.get()) - 1; k >= 0; --k) topLevel.push_back(children[k]);
    if (xcb_window_t found = FindAmong(x.Connection(), topLevel, atoms, wantedLower, 1); found != XCB_WINDOW_NONE)
      return found;
  }
  return 0;
}

std::intptr_t SendMessageA(WindowHandle window, unsigned message, std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
  if (message != WM_CLOSE || window == 0 || window > 0xFFFFFFFFu) return 0;
  XcbSession x;
  if (!x.Connected()) return 0;
  xcb_connection_t* c = x.Connection();
  const auto target = static_cast<xcb_window_t>(window);
  const xcb_atom_t wmProtocols = x.Atom("WM_PROTOCOLS");
  const xcb_atom_t wmDeleteWindow = x.Atom("WM_DELETE_WINDOW");
  if (wmProtocols == XCB_ATOM_NONE || wmDeleteWindow == XCB_ATOM_NONE) return 0;

  // Watch the window before asking, so that its going cannot slip between the two.
  const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  Reply<xcb_generic_error_t> error(xcb_request_check(c, xcb_change_window_attributes_checked(c, target, XCB_CW_EVENT_MASK, &mask)));
  if (error) return 0;  // no such window (any more)
  Reply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, target), nullptr));
  if (!attributes) return 0;
  if (attributes->map_state != XCB_MAP_STATE_VIEWABLE && !IsIconic(x, target)) return 0;

  xcb_client_message_event_t request{};
  request.response_type = XCB_CLIENT_MESSAGE;
  request.format = 32;
  request.window = target;
  request.type = wmProtocols;
  request.data.data32[0] = wmDeleteWindow;
  request.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(c, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&request));
  xcb_flush(c);
  WaitUntilGone(c, target);
  return 0;
}

}  // namespace brimsel::platform
