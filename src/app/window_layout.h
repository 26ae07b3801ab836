#pragma once
// The wizard window as its designer laid it out: the frame, and every control with its
// name, kind, parent, place, size, text and font. The Qt and the Win32 window are built
// from this one table, and the tests check each built window against it. Places are in
// pixels relative to the control's parent; texts are GBK.

#include <string_view>

#include "app/step_controller.h"
#include "app/window_texts.h"

namespace brimsel::layout {

inline constexpr int kClientWidth = 519;
inline constexpr int kClientHeight = 341;
inline constexpr int kBottomPanelHeight = 46;
inline constexpr int kLeftPanelWidth = 153;
inline constexpr int kNotebookWidth = kClientWidth - kLeftPanelWidth;       // 366
inline constexpr int kNotebookHeight = kClientHeight - kBottomPanelHeight;  // 295
inline constexpr int kServerPanelHeight = 47;
inline constexpr int kFontPixels = 12;  // texts::kFontFamily, Chinese (GB2312) character set
inline constexpr int kProgressBarMax = 100;  // ProgressBar2 starts at 0 of this
// The text colour of a link label (kLink below), red, green and blue.
struct Colour {
  int red, green, blue;
};
inline constexpr Colour kLinkColour = {0, 0, 255};

// The window itself: the parent of the three areas.
inline constexpr char kForm[] = "frmUpdate";

enum class Kind { kPanel, kBevel, kButton, kPicture, kNotebook, kPage, kLabel, kServerList, kProgressBar, kMemo };

// A label's font and look, added together.
enum Style : unsigned { kPlain = 0, kBold = 1, kLink = 2 };  // a link: kLinkColour, hand cursor

struct Control {
  const char* name;
  Kind kind;
  const char* parent;  // kForm, or a control above it in the table
  int x, y, width, height;
  const char* text = "";
  unsigned style = kPlain;

  // A label without a size is as large as its one line of text; one with a size wraps its
  // words within it.
  constexpr bool AutoSized() const { return kind == Kind::kLabel && width == 0; }
};

// In the order the controls are made, which is also the tab order: Next comes first. The
// pages of the notebook follow one another by index, each with what lies on it.
inline constexpr Control kControls[] = {
    {"Panel1", Kind::kPanel, kForm, 0, kNotebookHeight, kClientWidth, kBottomPanelHeight},
    {"Bevel1", Kind::kBevel, "Panel1", 0, 0, kClientWidth, 3},
    {"btnNext", Kind::kButton, "Panel1", 352, 12, 75, 25, texts::kNextCaption},
    {"btnClose", Kind::kButton, "Panel1", 432, 12, 75, 25, texts::kCloseCaption},
    {"Panel2", Kind::kPanel, kForm, 0, 0, kLeftPanelWidth, kNotebookHeight},
    {"Image1", Kind::kPicture, "Panel2", 16, 18, 118, 254},  // a fixed 24-bit bitmap of that size
    {"Notebook1", Kind::kNotebook, kForm, kLeftPanelWidth, 0, kNotebookWidth, kNotebookHeight},

    {"Default", Kind::kPage, "Notebook1", 0, 0, kNotebookWidth, kNotebookHeight},
    {"Label1", Kind::kLabel, "Default", 24, 32, 0, 0, texts::kWelcome, kBold},
    {"lblTitle", Kind::kLabel, "Default", 24, 64, 0, 0, texts::kTitleLine},
    {"Label3", Kind::kLabel, "Default", 112, 264, 0, 0, texts::kClickNext},

    {"tesk", Kind::kPage, "Notebook1", 0, 0, kNotebookWidth, kNotebookHeight},
    {"lsvTest", Kind::kServerList, "tesk", 0, 0, kNotebookWidth, kNotebookHeight - kServerPanelHeight},
    {"Panel3", Kind::kPanel, "tesk", 0, kNotebookHeight - kServerPanelHeight, kNotebookWidth, kServerPanelHeight},
    {"Label2", Kind::kLabel, "Panel3", 0, 16, 0, 0, texts::kPleaseWait},

    {"2", Kind::kPage, "Notebook1", 0, 0, kNotebookWidth, kNotebookHeight},
    {"lblFile", Kind::kLabel, "2", 104, 96, 0, 0, texts::kUpdatingFile},
    {"lblDown", Kind::kLabel, "2", 80, 120, 0, 0, texts::kDone},
    {"ProgressBar2", Kind::kProgressBar, "2", 24, 144, 313, 16},  // 0 of kProgressBarMax

    {"4", Kind::kPage, "Notebook1", 0, 0, kNotebookWidth, kNotebookHeight},
    {"Memo1", Kind::kMemo, "4", 16, 16, 337, 265},  // the installation log

    {"3", Kind::kPage, "Notebook1", 0, 0, kNotebookWidth, kNotebookHeight},
    {"Label6", Kind::kLabel, "3", 32, 32, 0, 0, texts::kThanks, kBold},
    {"lblHit", Kind::kLabel, "3", 32, 64, 313, 33, texts::kNewestInstalled},
    {"Label7", Kind::kLabel, "3", 32, 104, 0, 0, texts::kComeBack},
    {"Label8", Kind::kLabel, "3", 32, 136, 0, 0, texts::kMoreAt},
    {"lblUrl", Kind::kLabel, "3", 144, 136, 0, 0, "", kLink},  // the homepage, once the window is shown
};

// The columns of the report-style server list lsvTest, in order. The row number's column
// keeps the width a list gives a column whose width was never set.
struct Column {
  const char* caption;
  int width;
};
inline constexpr Column kServerColumns[] = {
    {texts::kColumnNumber, 50}, {texts::kColumnServerName, 80}, {texts::kColumnUrl, 160}, {texts::kColumnTestTime, 70}};

// The control of that name; nullptr when the table has none.
constexpr const Control* Find(std::string_view name) {
  for (const Control& control : kControls) {
    if (name == control.name) return &control;
  }
  return nullptr;
}

// The rules a builder relies on: every parent is made before its children, and the
// notebook has a page for every step.
constexpr bool ParentsComeFirst() {
  for (const Control& control : kControls) {
    const Control* parent = Find(control.parent);
    if (std::string_view(control.parent) != kForm && (parent == nullptr || parent >= &control)) return false;
  }
  return true;
}
constexpr int PageCount() {
  int pages = 0;
  for (const Control& control : kControls) pages += control.kind == Kind::kPage ? 1 : 0;
  return pages;
}
static_assert(ParentsComeFirst());
static_assert(PageCount() == kPageCount);

}  // namespace brimsel::layout
