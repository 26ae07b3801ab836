// The window as built, against the control table it is built from (window_layout.h): the
// frame, every control in its parent at its place, with its size, text and font, the
// pages one at a time, each filling the notebook, and the server list's columns. The same body checks the Qt and the
// Win32 window.

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "app/window_fixture.h"
#include "app/window_layout.h"
#include "app/window_texts.h"

namespace brimsel::test {
namespace {

using WindowLayoutTest = WindowTest;

TEST_F(WindowLayoutTest, TheFrameAndEveryControlAreAsTheTableSays) {
  WizardForm& window = MakeWindow();
  // The texts as built: showing the window puts the settings into three of them.
  for (const layout::Control& control : layout::kControls)
    EXPECT_EQ(window.Caption(control.name), control.text) << control.name;

  window.Show();
  const ControlPlace client = PlaceOf(window, layout::kForm);
  EXPECT_EQ(client.width, layout::kClientWidth);
  EXPECT_EQ(client.height, layout::kClientHeight);
  EXPECT_EQ(WindowTitle(window), texts::kOnlineUpdate);
  for (const layout::Control& control : layout::kControls) {
    if (control.kind == layout::Kind::kPage) continue;  // a page is placed when it is shown
    SCOPED_TRACE(control.name);
    const ControlPlace place = PlaceOf(window, control.name);
    EXPECT_EQ(place.parent, control.parent);
    EXPECT_EQ(place.x, control.x);
    EXPECT_EQ(place.y, control.y);
    if (control.AutoSized()) {
      EXPECT_GE(place.width, TextWidth(window, control.name)) << "the whole line fits";
    } else {
      EXPECT_EQ(place.width, control.width);
      EXPECT_EQ(place.height, control.height);
    }
    if (control.kind != layout::Kind::kLabel) continue;
    const ControlFont font = FontOf(window, control.name);
    EXPECT_EQ(font.family, texts::kFontFamily);
    EXPECT_EQ(font.pixels, layout::kFontPixels);
    EXPECT_EQ(font.bold, (control.style & layout::kBold) != 0);
  }
}

TEST_F(WindowLayoutTest, TheNotebookShowsItsPagesOneAtATimeAndTheServerListHasItsColumns) {
  WizardForm& window = ShowWindow();
  std::vector<std::string_view> pages;
  for (const layout::Control& control : layout::kControls) {
    if (control.kind == layout::Kind::kPage) pages.push_back(control.name);
  }
  ASSERT_EQ(pages.size(), static_cast<std::size_t>(kPageCount));
  for (const int shown : {0, 3, 4, 1, 2}) {
    SCOPED_TRACE(shown);
    if (shown != 0) window.ShowPage(shown);
    EXPECT_EQ(CurrentPage(), shown);
    for (int page = 0; page < kPageCount; ++page) EXPECT_EQ(IsShown(window, pages[page]), page == shown) << page;
    const layout::Control& page = *layout::Find(pages[shown]);
    const ControlPlace place = PlaceOf(window, page.name);
    EXPECT_EQ(place.parent, page.parent);
    EXPECT_EQ(place.x, page.x);
    EXPECT_EQ(place.y, page.y);
    EXPECT_EQ(place.width, page.width);
    EXPECT_EQ(place.height, page.height);
  }

  int index = 0;
  for (const layout::Column& column : layout::kServerColumns) {
    const ColumnShown shown = ColumnOf(window, index++);
    EXPECT_EQ(shown.caption, column.caption);
    EXPECT_EQ(shown.width, column.width);
  }
  EXPECT_EQ(ColumnOf(window, index).caption, "") << "no more columns";
}

}  // namespace
}  // namespace brimsel::test
