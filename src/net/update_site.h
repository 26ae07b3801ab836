#pragma once
// What the updater asks of the vendor's site and of each download server, and what it
// looks for in their replies. Shared by the update check and by `updtool check`, which
// tries a published release the way an installed updater would.

namespace brimsel {

// The release date in the version reply: "<!--date" + the date without blanks + "Main -->".
inline constexpr char kReleaseDatePattern[] = "<!--date(\\S+)Main -->";
inline constexpr char kVersionQuery[] = "/update/getver.asp?soft=";
inline constexpr char kProbePage[] = "/update/test.html";
inline constexpr char kProbePassed[] = "\xB2\xE2\xCA\xD4\xB3\xC9\xB9\xA6";  // 测试成功
inline constexpr char kPackageFolder[] = "/update/";
inline constexpr char kPackageExtension[] = ".zip";

}  // namespace brimsel
