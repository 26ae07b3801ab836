#pragma once
// MatchFirstGroup: the text of capture group 1 of the first match of `pattern` in `text`,
// with the engine's defaults. Empty when either is empty, when nothing matches, or when
// group 1 took no part in the match. Engine errors (a bad pattern) go on to the caller.

#include <string>
#include <string_view>

namespace brimsel {

std::string MatchFirstGroup(std::string_view text, std::string_view pattern);

}  // namespace brimsel
