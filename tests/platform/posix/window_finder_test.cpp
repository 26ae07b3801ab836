// The window finder against a private Xvfb, with small xcb windows of the test's own
// standing in for the running product.

#include "platform/x11/window_finder.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "support/posix/xvfb.h"

namespace brimsel::platform {
namespace {

using test::Xvfb;

xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
  auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

void SetText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type, const std::string& bytes) {
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 8, static_cast<std::uint32_t>(bytes.size()), bytes.data());
}

enum class OnClose { Destroy, Unmap, Ignore };

struct WindowProps {
  std::optional<std::string> netWmName;  // UTF-8
  std::optional<std::string> wmName;     // bytes of WM_NAME
  const char* wmNameType = "STRING";     // or "COMPOUND_TEXT"
  bool acceptsDelete = true;
  bool mapped = true;
  bool inFrame = false;  // reparented into a frame, as a window manager does
  bool iconic = false;   // minimised by a window manager: marked iconic, unmapped with its frame
  OnClose onClose = OnClose::Destroy;
};

// A top-level window served by a thread of its own, so that it can answer a close
// request while the test waits in SendMessageA.
class TestWindow {
 public:
  TestWindow(const std::string& display, const WindowProps& props) : props_(props) {
    c_ = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c_)) return;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    xcb_window_t parent = screen->root;
    if (props.inFrame) {
      frame_ = xcb_generate_id(c_);
      xcb_create_window(c_, XCB_COPY_FROM_PARENT, frame_, screen->root, 10, 10, 140, 120, 0,
                        XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
      parent = frame_;
    }
    window_ = xcb_generate_id(c_);
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, parent, 0, 20, 120, 80, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    wmProtocols_ = Intern(c_, "WM_PROTOCOLS");
    wmDeleteWindow_ = Intern(c_, "WM_DELETE_WINDOW");
    if (props.netWmName) SetText(c_, window_, Intern(c_, "_NET_WM_NAME"), Intern(c_, "UTF8_STRING"), *props.netWmName);
    if (props.wmName) SetText(c_, window_, XCB_ATOM_WM_NAME, Intern(c_, props.wmNameType), *props.wmName);
    if (props.acceptsDelete)
      xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, wmProtocols_, XCB_ATOM_ATOM, 32, 1, &wmDeleteWindow_);
    if (props.inFrame || props.iconic) {
      const std::uint32_t state[2] = {props.iconic ? 3u : 1u, XCB_WINDOW_NONE};
      const xcb_atom_t wmState = Intern(c_, "WM_STATE");
      xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, wmState, wmState, 32, 2, state);
    }
    if (props.inFrame && !props.iconic) xcb_map_window(c_, frame_);
    if (props.mapped && !props.iconic) xcb_map_window(c_, window_);
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));  // a round trip: all of it is done
    thread_ = std::thread([this] { Serve(); });
  }

  ~TestWindow() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    xcb_disconnect(c_);
  }

  WindowHandle Handle() const { return window_; }
  bool CloseRequested() const { return closeRequested_; }

  // Whether the window still exists and is mapped, asked of the server.
  bool Viewable() const {
    auto* reply = xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window_), nullptr);
    const bool viewable = reply != nullptr && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return viewable;
  }

 private:
  void Serve() {
    pollfd connection{xcb_get_file_descriptor(c_), POLLIN, 0};
    while (!stop_ && !xcb_connection_has_error(c_)) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
        if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE) Answer(*reinterpret_cast<xcb_client_message_event_t*>(event));
        std::free(event);
      }
      ::poll(&connection, 1, 20);  // wakes for the next event, or to see stop_
    }
  }

  void Answer(const xcb_client_message_event_t& message) {
    if (message.type != wmProtocols_ || message.data.data32[0] != wmDeleteWindow_) return;
    closeRequested_ = true;
    if (props_.onClose == OnClose::Destroy) xcb_destroy_window(c_, window_);
    if (props_.onClose == OnClose::Unmap) xcb_unmap_window(c_, window_);
    xcb_flush(c_);
  }

  WindowProps props_;
  xcb_connection_t* c_ = nullptr;
  xcb_window_t frame_ = XCB_WINDOW_NONE;
  xcb_window_t window_ = XCB_WINDOW_NONE;
  xcb_atom_t wmProtocols_ = XCB_ATOM_NONE;
  xcb_atom_t wmDeleteWindow_ = XCB_ATOM_NONE;
  std::atomic<bool> stop_{false};
  std::atomic<bool> closeRequested_{false};
  std::thread thread_;
};

WindowProps Titled(const std::string& utf8) {
  WindowProps props;
  props.netWmName = utf8;
  return props;
}

class WindowFinderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!xvfb_.Running()) GTEST_SKIP() << xvfb_.Error();
    xvfb_.ExportDisplay();
  }
  const std::string& Display() const { return xvfb_.Display(); }

 private:
  Xvfb xvfb_;
};

TEST_F(WindowFinderTest, PicksTheProductByItsWholeCaptionAmongShownWindowsThatCanBeClosed) {
  TestWindow notes(Display(), Titled("Notes"));
  TestWindow product(Display(), Titled("Brimsel"));
  TestWindow editor(Display(), Titled("Brimsel Editor"));
  TestWindow untitled(Display(), Titled(""));
  WindowProps noProtocol = Titled("Stubborn");  // cannot be asked to close
  noProtocol.acceptsDelete = false;
  TestWindow stubborn(Display(), noProtocol);
  WindowProps hidden = Titled("Hidden");
  hidden.mapped = false;
  TestWindow unmapped(Display(), hidden);
  EXPECT_EQ(FindWindowA(nullptr, "Brimsel"), product.Handle());
  EXPECT_EQ(FindWindowA(nullptr, "bRIMSEL"), product.Handle());
  for (const char* caption : {"Brim", "Brimsel Edit", "Calendar", "", "Stubborn", "Hidden"})
    EXPECT_EQ(FindWindowA(nullptr, caption), 0u) << caption;
  EXPECT_EQ(FindWindowA("TfrmMain", "Brimsel"), 0u);  // a class name finds nothing
}

TEST_F(WindowFinderTest, FindsAndClosesAWindowWithAChineseCaption) {
  WindowProps props = Titled("博睿演示 Pro");
  props.wmName = "\x1B%G\xE5\x8D\x9A";  // what Xlib makes of a Chinese WM_NAME: COMPOUND_TEXT with escapes
  props.wmNameType = "COMPOUND_TEXT";
  TestWindow product(Display(), props);
  const WindowHandle found = FindWindowA(nullptr, Utf8ToGbk("博睿演示 PRO"));
  ASSERT_EQ(found, product.Handle());

  EXPECT_EQ(SendMessageA(found, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(product.CloseRequested());
  EXPECT_FALSE(product.Viewable());
  EXPECT_EQ(FindWindowA(nullptr, Utf8ToGbk("博睿演示 Pro")), 0u);
}

TEST_F(WindowFinderTest, ReadsALatin1WmNameWhenThereIsNoNetWmName) {
  WindowProps props;
  props.wmName = "Brimsel Caf\xE9";  // Latin-1
  TestWindow product(Display(), props);
  EXPECT_EQ(FindWindowA(nullptr, Utf8ToGbk("brimsel café")), product.Handle());

  WindowProps compound;
  compound.wmName = "Brimsel Plain";  // COMPOUND_TEXT without escapes is Latin-1 too
  compound.wmNameType = "COMPOUND_TEXT";
  TestWindow plain(Display(), compound);
  EXPECT_EQ(FindWindowA(nullptr, "Brimsel Plain"), plain.Handle());
}

// A window reparented into a frame, as a window manager does, and one that only hides
// itself when asked to close.
TEST_F(WindowFinderTest, FindsAndClosesAFramedWindowAndOneThatOnlyHidesItself) {
  WindowProps framed = Titled("Brimsel");
  framed.inFrame = true;
  WindowProps hiding = Titled("Brimsel Pro");
  hiding.onClose = OnClose::Unmap;
  for (const WindowProps& props : {framed, hiding}) {
    TestWindow product(Display(), props);
    ASSERT_EQ(FindWindowA(nullptr, props.netWmName->c_str()), product.Handle()) << *props.netWmName;
    SendMessageA(product.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(product.CloseRequested());
    EXPECT_FALSE(product.Viewable());
    EXPECT_EQ(FindWindowA(nullptr, props.netWmName->c_str()), 0u);
  }
}

// Windows' FindWindowA finds a minimised window, so that the product can be closed before
// its running executable is replaced.
TEST_F(WindowFinderTest, FindsAndClosesAMinimisedWindowWithOrWithoutAFrame) {
  for (const bool inFrame : {false, true}) {
    WindowProps props = Titled("Brimsel");
    props.iconic = true;
    props.inFrame = inFrame;
    TestWindow product(Display(), props);
    ASSERT_EQ(FindWindowA(nullptr, "Brimsel"), product.Handle()) << inFrame;
    SendMessageA(product.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(product.CloseRequested()) << inFrame;
    EXPECT_EQ(FindWindowA(nullptr, "Brimsel"), 0u) << inFrame;
  }
}

TEST_F(WindowFinderTest, OnlyCloseIsSentAndItsWaitIsBoundedWhenTheWindowStays) {
  WindowProps props = Titled("Brimsel");
  props.onClose = OnClose::Ignore;
  TestWindow product(Display(), props);
  EXPECT_EQ(SendMessageA(product.Handle(), 0x0002 /* WM_DESTROY */, 0, 0), 0);
  EXPECT_EQ(SendMessageA(0x3FFFFF, WM_CLOSE, 0, 0), 0);  // no such window: returns at once
  EXPECT_FALSE(product.CloseRequested());

  const auto start = std::chrono::steady_clock::now();
  SendMessageA(product.Handle(), WM_CLOSE, 0, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_TRUE(product.CloseRequested());
  EXPECT_TRUE(product.Viewable());
}

TEST(WindowFinderWithoutDisplay, FindsNothing) {
  const char* old = std::getenv("DISPLAY");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::unsetenv("DISPLAY");
  EXPECT_EQ(FindWindowA(nullptr, "Brimsel"), 0u);
  EXPECT_EQ(SendMessageA(0x200001, WM_CLOSE, 0, 0), 0);
  ::setenv("DISPLAY", ":4095", 1);  // a display that is not there
  EXPECT_EQ(FindWindowA(nullptr, "Brimsel"), 0u);
  if (saved)
    ::setenv("DISPLAY", saved->c_str(), 1);
  else
    ::unsetenv("DISPLAY");
}

}  // namespace
}  // namespace brimsel::platform
