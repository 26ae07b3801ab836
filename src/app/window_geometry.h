#pragma once
// The wizard window's frame as its designer laid it out, in pixels: the same for the Qt
// and the Win32 window.

namespace brimsel::geometry {

inline constexpr int kClientWidth = 519;
inline constexpr int kClientHeight = 341;
inline constexpr int kBottomPanelHeight = 46;
inline constexpr int kLeftPanelWidth = 153;
inline constexpr int kNotebookWidth = kClientWidth - kLeftPanelWidth;       // 366
inline constexpr int kNotebookHeight = kClientHeight - kBottomPanelHeight;  // 295
inline constexpr int kServerPanelHeight = 47;
// The width a report list gives a column whose width was never set.
inline constexpr int kDefaultColumnWidth = 50;
inline constexpr int kFontPixels = 12;

}  // namespace brimsel::geometry
