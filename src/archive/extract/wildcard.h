#pragma once
// The wildcard patterns that select entries for extraction, in the Windows style:
//   *   any run of characters, none included, across folder separators;
//   ?   exactly one character (a double-byte GBK character counts as one);
//   any other character matches itself.
// A pattern is matched against the whole stored path of an entry, Directory + FileName
// with "\" as separator: "*.txt" selects every .txt file in every folder, "readme.txt"
// only the one at the top, "*\readme.txt" the ones in folders. Letter case is the caller's
// business (both sides are lowered before matching); "/" in a pattern stands for "\".

#include <string_view>

namespace brimsel {

bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace brimsel
