#pragma once
// The one rule for the names of the files the updater writes and the package it fetches:
// Windows's, on every build. Packages are made for Windows, and a name that Windows would
// take for a device, cut short, strip of its last dots or read as something else must not
// become a file on either build. The rule is judged on the GBK bytes of the name, before
// anything is written or asked, and gives the same answer everywhere.

#include <cstddef>
#include <string>
#include <string_view>

namespace brimsel::platform {

enum class NameFault {
  kNone,
  kEmpty,
  kNotGbk,              // bytes code page 936 does not read as characters
  kControlCharacter,    // 0x01 to 0x1F, and NUL
  kReservedCharacter,   // \ / : * ? " < > |
  kTrailingDotOrSpace,  // Windows drops them, so "a." would be written as "a"
  kDeviceName,          // CON, NUL, COM1, LPT1.txt, CONIN$ ...: a device, not a file
  kTooLong,             // the file system would cut it short
};

// What is wrong with `name` as the name of one file in a folder; kNone when nothing is.
NameFault JudgeFileName(std::string_view name);
inline bool IsPlainFileName(std::string_view name) { return JudgeFileName(name) == NameFault::kNone; }

// The reason in words: English for update.log and the vendor's tool, Chinese (GBK) for the
// wizard's boxes.
const char* NameFaultText(NameFault fault);
const char* NameFaultTextGbk(NameFault fault);

// The longest name a folder holds: 255 bytes once it is UTF-8, as Linux file systems and
// Wine's keep names; within it Windows's 255 UTF-16 units hold as well.
inline constexpr std::size_t kMaxNameBytes = 255;

// The longest path the system's file functions take: MAX_PATH less its closing NUL,
// counted in UTF-16 units, and the longest folder that CreateDirectory makes (room left for
// an 8.3 name).
inline constexpr std::size_t kMaxPathUnits = 259;
inline constexpr std::size_t kMaxFolderUnits = 247;
// The length of `path` in UTF-16 units as the file system gets it.
std::size_t SystemPathLength(std::string_view path);

// A name shaped like the system's short alias of a longer one: "~" and digits right before
// the extension (or the end), as in "LONGFI~1.TXT". Such a name may reach another file.
bool IsAliasShapedName(std::string_view name);

// The name as the file system compares names without regard to case (each character
// folded as the system folds it): two names with equal keys are one file on Windows.
std::string CaseFoldKey(std::string_view name);

// The message of the error that ends a start from a folder whose name the system cannot
// hold as text (GBK): Chinese, with the folder as far as it can be shown.
std::string FolderNameNotHeldMessage(std::string_view shownFolder);

}  // namespace brimsel::platform
