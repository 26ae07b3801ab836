#pragma once
// Control identifiers of the Win32 wizard window. They stay clear of IDOK and IDCANCEL,
// which the dialog keyboard sends for Enter and Esc.

namespace brimsel::win32 {

inline constexpr int kNextId = 201;
inline constexpr int kCloseId = 202;
inline constexpr int kFirstOtherId = 300;

inline constexpr char kFormClass[] = "TfrmUpdate";
inline constexpr char kPanelClass[] = "TPanel";
inline constexpr char kApplicationClass[] = "BrimselApplication";

}  // namespace brimsel::win32
