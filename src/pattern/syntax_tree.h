#pragma once
// The syntax tree that the parser makes of a pattern. Modifiers are already applied: a
// letter under "i" is a set of both cases, "." under "s" is the set of all bytes, and so on,
// so the compiler never needs to know which modifier was on where.

#include <memory>
#include <vector>

#include "pattern/char_set.h"

namespace brimsel::pattern {

inline constexpr int kMaxGroups = 14;       // capture groups 1 to 14; group 0 is the match
inline constexpr int kUnbounded = -1;       // the upper count of "*", "+" and "{n,}"

enum class Assertion : int {
  kBeginInput,       // "^" without m, "\A"
  kEndInput,         // "$" without m, "\Z"
  kBeginLine,        // "^" with m
  kEndLine,          // "$" with m
  kWordBoundary,     // "\b"
  kNotWordBoundary,  // "\B"
};

struct Node;
using NodePtr = std::unique_ptr<Node>;

struct Node {
  enum class Kind {
    kByte,       // one byte, exactly
    kSet,        // one byte of `set`
    kAssert,     // `assertion` at the current position
    kBackRef,    // the text of group `group`, ignoring case when `ignore_case`
    kGroup,      // capture group `group` around children[0]
    kConcat,     // children one after the other (none: the empty text)
    kAlternate,  // the first child that leads to a match
    kRepeat,     // children[0], `min` to `max` times, `greedy` or not
  };

  explicit Node(Kind k) : kind(k) {}

  Kind kind;
  unsigned char byte = 0;
  CharSet set;
  Assertion assertion = Assertion::kBeginInput;
  int group = 0;
  bool ignore_case = false;
  int min = 0;
  int max = 0;
  bool greedy = true;
  // kBackRef: the group it names when that group closes before it in the pattern, or
  // nullptr. The group belongs to the same tree.
  const Node* referenced_group = nullptr;
  // True when the node can succeed without consuming a byte.
  bool nullable = false;
  std::vector<NodePtr> children;
};

struct SyntaxTree {
  NodePtr root;
  int group_count = 0;
  bool has_back_references = false;
};

}  // namespace brimsel::pattern
