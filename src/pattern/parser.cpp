#include "pattern/parser.h"

#include <optional>
#include <string>

#include "pattern/pattern_error.h"

namespace brimsel::pattern {
namespace {

constexpr int kMaxCountDigits = 8;

// Code page 1251 letters for the r modifier.
constexpr unsigned char kSmallA = 0xE0;      // а
constexpr unsigned char kSmallYa = 0xFF;     // я
constexpr unsigned char kCapitalA = 0xC0;    // А
constexpr unsigned char kCapitalYa = 0xDF;   // Я
constexpr unsigned char kSmallYo = 0xB8;     // ё
constexpr unsigned char kCapitalYo = 0xA8;   // Ё

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

NodePtr MakeNode(Node::Kind kind, bool nullable) {
  auto node = std::make_unique<Node>(kind);
  node->nullable = nullable;
  return node;
}

struct Count {
  int min = 0;
  int max = 0;
  std::size_t length = 0;  // characters of the quantifier, "{" to "}"
  bool too_big = false;
};

class Parser {
 public:
  Parser(std::string_view pattern, const Settings& settings)
      : text_(pattern),
        space_(CharSet::Of(settings.space_chars)),
        word_(CharSet::Of(settings.word_chars)),
        line_separators_(CharSet::Of(settings.line_separators)),
        initial_(settings.modifiers) {}

  SyntaxTree Run() {
    SyntaxTree tree;
    tree.root = ParseAlternation(initial_, /*in_group=*/false);
    tree.group_count = group_count_;
    tree.has_back_references = has_back_references_;
    return tree;
  }

 private:
  // --- reading ---
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return text_[pos_]; }
  [[noreturn]] void Fail(int code) const { throw EPatternError(code, static_cast<int>(pos_)); }
  [[noreturn]] void FailAfterReading(std::size_t count, int code) {
    pos_ += count;
    Fail(code);
  }

  // With x on, blanks, tabs, line breaks and "#" comments between items are skipped.
  void SkipExtended(const Modifiers& flags) {
    if (!flags.x) return;
    while (!AtEnd()) {
      const char c = Peek();
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++pos_;
      } else if (c == '#') {
        while (!AtEnd() && Peek() != '\n' && Peek() != '\r') ++pos_;
      } else {
        break;
      }
    }
  }

  // "{n}", "{n,}" or "{n,m}" at `at`; nothing when the "{" there begins no count.
  std::optional<Count> CountAt(std::size_t at) const {
    std::size_t p = at + 1;
    auto digits = [&](std::size_t& length, long long& value) {
      length = 0;
      value = 0;
      while (p < text_.size() && text_[p] >= '0' && text_[p] <= '9') {
        if (length < kMaxCountDigits + 1) value = value * 10 + (text_[p] - '0');
        ++length;
        ++p;
      }
    };
    std::size_t min_length = 0, max_length = 0;
    long long min = 0, max = 0;
    digits(min_length, min);
    if (min_length == 0 || p >= text_.size()) return std::nullopt;
    bool has_comma = false;
    if (text_[p] == ',') {
      has_comma = true;
      ++p;
      digits(max_length, max);
      if (p >= text_.size()) return std::nullopt;
    }
    if (text_[p] != '}') return std::nullopt;
    Count count;
    count.length = p + 1 - at;
    count.too_big = min_length > kMaxCountDigits || max_length > kMaxCountDigits;
    if (!count.too_big) {
      count.min = static_cast<int>(min);
      count.max = !has_comma ? count.min : (max_length == 0 ? kUnbounded : static_cast<int>(max));
    }
    return count;
  }

  bool QuantifierAt(std::size_t at) const {
    if (at >= text_.size()) return false;
    const char c = text_[at];
    return c == '*' || c == '+' || c == '?' || (c == '{' && CountAt(at).has_value());
  }

  // --- structure ---
  NodePtr ParseAlternation(Modifiers flags, bool in_group) {
    std::vector<NodePtr> branches;
    branches.push_back(ParseSequence(flags));
    while (!AtEnd() && Peek() == '|') {
      ++pos_;
      branches.push_back(ParseSequence(flags));
    }
    if (in_group) {
      if (AtEnd()) Fail(kPatternUnclosedGroup);
      ++pos_;  // ")"
    } else if (!AtEnd()) {
      FailAfterReading(1, kPatternUnopenedGroup);  // only a ")" stops a sequence early
    }
    if (branches.size() == 1) return std::move(branches.front());
    auto node = MakeNode(Node::Kind::kAlternate, false);
    for (auto& branch : branches) {
      node->nullable = node->nullable || branch->nullable;
      node->children.push_back(std::move(branch));
    }
    return node;
  }

  // Items up to "|", ")" or the end. Modifier switches change `flags` for the rest of the
  // enclosing group, its later branches included.
  NodePtr ParseSequence(Modifiers& flags) {
    auto sequence = MakeNode(Node::Kind::kConcat, true);
    for (;;) {
      SkipExtended(flags);
      if (AtEnd() || Peek() == '|' || Peek() == ')') break;
      if (QuantifierAt(pos_)) {
        FailAfterReading(Peek() == '{' ? CountAt(pos_)->length : 1, kPatternQuantifierFollowsNothing);
      }
      if (Peek() == '(' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '?') {
        ParseSwitchOrComment(flags);
        continue;  // neither is an item: a quantifier right after one follows nothing
      }
      NodePtr item = ParseQuantified(ParseAtom(flags), flags);
      sequence->nullable = sequence->nullable && item->nullable;
      sequence->children.push_back(std::move(item));
    }
    if (sequence->children.size() == 1) return std::move(sequence->children.front());
    return sequence;
  }

  void ParseSwitchOrComment(Modifiers& flags) {
    pos_ += 2;  // "(?"
    if (!AtEnd() && Peek() == '#') {
      const auto close = text_.find(')', pos_);
      if (close == std::string_view::npos) {
        pos_ = text_.size();
        Fail(kPatternUnclosedComment);
      }
      pos_ = close + 1;
      return;
    }
    Modifiers changed = flags;
    bool on = true;
    for (;;) {
      if (AtEnd()) Fail(kPatternUnrecognizedModifier);
      const char c = Peek();
      ++pos_;
      if (c == ')') break;
      if (c == '-' && on) {
        on = false;
        continue;
      }
      bool* modifier = changed.Find(c);
      if (modifier == nullptr) Fail(kPatternUnrecognizedModifier);
      *modifier = on;
    }
    flags = changed;
  }

  NodePtr ParseQuantified(NodePtr atom, const Modifiers& flags) {
    SkipExtended(flags);
    if (!QuantifierAt(pos_)) return atom;
    int min = 0, max = kUnbounded;
    const char c = Peek();
    if (c == '{') {
      const Count count = *CountAt(pos_);
      pos_ += count.length;
      if (count.too_big) Fail(kPatternCountTooBig);
      if (count.max != kUnbounded && count.max < count.min) Fail(kPatternCountMinAboveMax);
      min = count.min;
      max = count.max;
    } else {
      ++pos_;
      if (c == '+') min = 1;
      if (c == '?') max = 1;
    }
    // Every repeat that can loop needs an operand that consumes: a loop around an empty
    // match would never end. This also covers back-references, which may be empty.
    if (c != '?' && atom->nullable) Fail(kPatternOperandCouldBeEmpty);
    bool greedy = flags.g;
    SkipExtended(flags);
    if (!AtEnd() && Peek() == '?') {
      ++pos_;
      greedy = false;
    }
    SkipExtended(flags);
    if (QuantifierAt(pos_)) {
      FailAfterReading(Peek() == '{' ? CountAt(pos_)->length : 1, kPatternNestedQuantifier);
    }
    auto repeat = MakeNode(Node::Kind::kRepeat, min == 0 || atom->nullable);
    repeat->min = min;
    repeat->max = max;
    repeat->greedy = greedy;
    repeat->children.push_back(std::move(atom));
    return repeat;
  }

  // --- atoms ---
  NodePtr ParseAtom(const Modifiers& flags) {
    const char c = Peek();
    ++pos_;
    switch (c) {
      case '(': return ParseGroup(flags);
      case '.': return SetNode(flags.s ? CharSet::All() : line_separators_.Complement());
      case '^': return AssertNode(flags.m ? Assertion::kBeginLine : Assertion::kBeginInput);
      case '$': return AssertNode(flags.m ? Assertion::kEndLine : Assertion::kEndInput);
      case '[': return ParseClass(flags);
      case '\\': return ParseEscape(flags);
      default: return LiteralNode(static_cast<unsigned char>(c), flags);
    }
  }

  NodePtr ParseGroup(const Modifiers& flags) {
    if (group_count_ == kMaxGroups) Fail(kPatternTooManyGroups);
    const int number = ++group_count_;
    auto group = MakeNode(Node::Kind::kGroup, false);
    group->group = number;
    group->children.push_back(ParseAlternation(flags, /*in_group=*/true));
    group->nullable = group->children.front()->nullable;
    closed_groups_[number] = group.get();
    return group;
  }

  NodePtr ParseEscape(const Modifiers& flags) {
    if (AtEnd()) Fail(kPatternTrailingBackslash);
    const char c = Peek();
    ++pos_;
    switch (c) {
      case 'A': return AssertNode(Assertion::kBeginInput);
      case 'Z': return AssertNode(Assertion::kEndInput);
      case 'b': return AssertNode(Assertion::kWordBoundary);
      case 'B': return AssertNode(Assertion::kNotWordBoundary);
      case 'd': return SetNode(Digits());
      case 'D': return SetNode(Digits().Complement());
      case 'w': return SetNode(word_);
      case 'W': return SetNode(word_.Complement());
      case 's': return SetNode(space_);
      case 'S': return SetNode(space_.Complement());
      default: break;
    }
    if (c >= '1' && c <= '9') return BackRefNode(c - '0', flags);
    return LiteralNode(CharacterEscape(c), flags);
  }

  // The byte of "\" + c where c is not a class or an assertion: a control character, a
  // "\x" code, or c itself.
  unsigned char CharacterEscape(char c) {
    switch (c) {
      case 't': return '\t';
      case 'n': return '\n';
      case 'r': return '\r';
      case 'f': return '\f';
      case 'a': return '\a';
      case 'e': return 27;
      case 'x': return HexEscape();
      default: return static_cast<unsigned char>(c);
    }
  }

  // After "\x": two hexadecimal digits, or hexadecimal digits between braces below 256.
  unsigned char HexEscape() {
    if (AtEnd()) Fail(kPatternNoHexCode);
    if (Peek() != '{') {
      int value = 0;
      for (int i = 0; i < 2; ++i) {
        if (AtEnd()) Fail(kPatternNoHexCode);
        const int digit = HexValue(Peek());
        ++pos_;
        if (digit < 0) Fail(kPatternBadHexDigit);
        value = value * 16 + digit;
      }
      return static_cast<unsigned char>(value);
    }
    ++pos_;  // "{"
    int value = 0;
    int digits = 0;
    for (;;) {
      if (AtEnd()) Fail(kPatternNoHexCode);
      const char c = Peek();
      ++pos_;
      if (c == '}') break;
      const int digit = HexValue(c);
      if (digit < 0) Fail(kPatternBadHexDigit);
      ++digits;
      value = value > 0xFFFF ? value : value * 16 + digit;  // stays well inside int
    }
    if (digits == 0) Fail(kPatternBadHexDigit);
    if (value > 0xFF) Fail(kPatternHexCodeTooBig);
    return static_cast<unsigned char>(value);
  }

  NodePtr ParseClass(const Modifiers& flags) {
    bool negate = false;
    if (!AtEnd() && Peek() == '^') {
      negate = true;
      ++pos_;
    }
    CharSet set;
    bool first = true;
    for (;;) {
      if (AtEnd()) Fail(kPatternUnmatchedClass);
      if (Peek() == ']' && !first) {
        ++pos_;
        break;
      }
      first = false;
      const ClassElement low = ReadClassElement();
      if (low.is_set) {
        set.Add(low.set);
        continue;
      }
      const bool range = pos_ + 1 < text_.size() && Peek() == '-' && text_[pos_ + 1] != ']';
      if (!range) {
        set.Add(low.byte);
        continue;
      }
      ++pos_;  // "-"
      const ClassElement high = ReadClassElement();
      if (high.is_set) {  // "a-\d": no range, the "-" is itself
        set.Add(low.byte);
        set.Add('-');
        set.Add(high.set);
        continue;
      }
      AddRange(set, low.byte, high.byte, flags);
    }
    if (flags.i) set.AddOtherLetterCase();
    return SetNode(negate ? set.Complement() : set);
  }

  struct ClassElement {
    bool is_set = false;
    unsigned char byte = 0;
    CharSet set;
  };

  ClassElement ReadClassElement() {
    ClassElement element;
    const char c = Peek();
    ++pos_;
    if (c != '\\') {
      element.byte = static_cast<unsigned char>(c);
      return element;
    }
    if (AtEnd()) Fail(kPatternClassTrailingBackslash);
    const char escaped = Peek();
    ++pos_;
    element.is_set = escaped == 'd' || escaped == 's' || escaped == 'w';
    if (escaped == 'd') element.set = Digits();
    if (escaped == 's') element.set = space_;
    if (escaped == 'w') element.set = word_;
    // Inside a class "\D", "\S" and "\W" are the letters themselves, like any other escape.
    if (!element.is_set) element.byte = CharacterEscape(escaped);
    return element;
  }

  void AddRange(CharSet& set, unsigned char low, unsigned char high, const Modifiers& flags) {
    if (flags.r) {
      if (low == kSmallA && high == kSmallYa) {
        set.AddRange(kSmallA, kSmallYa);
        set.Add(kSmallYo);
        return;
      }
      if (low == kCapitalA && high == kCapitalYa) {
        set.AddRange(kCapitalA, kCapitalYa);
        set.Add(kCapitalYo);
        return;
      }
      if (low == kSmallA && high == kCapitalYa) {  // а-Я: every letter, both cases
        set.AddRange(kCapitalA, kSmallYa);
        set.Add(kSmallYo);
        set.Add(kCapitalYo);
        return;
      }
    }
    if (high < low) Fail(kPatternInvalidRange);
    set.AddRange(low, high);
  }

  // --- nodes ---
  static CharSet Digits() {
    CharSet set;
    set.AddRange('0', '9');
    return set;
  }

  static NodePtr SetNode(const CharSet& set) {
    auto node = MakeNode(Node::Kind::kSet, false);
    node->set = set;
    return node;
  }

  static NodePtr AssertNode(Assertion assertion) {
    auto node = MakeNode(Node::Kind::kAssert, true);
    node->assertion = assertion;
    return node;
  }

  static NodePtr LiteralNode(unsigned char byte, const Modifiers& flags) {
    if (flags.i && IsAsciiLetter(byte)) {
      CharSet set;
      set.Add(byte);
      set.AddOtherLetterCase();
      return SetNode(set);
    }
    auto node = MakeNode(Node::Kind::kByte, false);
    node->byte = byte;
    return node;
  }

  // A back-reference can match nothing unless it names a group that is already closed and
  // cannot match nothing (a reference to an unset group fails).
  NodePtr BackRefNode(int number, const Modifiers& flags) {
    has_back_references_ = true;
    const Node* group = closed_groups_[number];
    auto node = MakeNode(Node::Kind::kBackRef, group == nullptr || group->nullable);
    node->group = number;
    node->referenced_group = group;
    node->ignore_case = flags.i;
    return node;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  CharSet space_;
  CharSet word_;
  CharSet line_separators_;
  Modifiers initial_;
  int group_count_ = 0;
  bool has_back_references_ = false;
  const Node* closed_groups_[kMaxGroups + 1] = {};
};

}  // namespace

SyntaxTree Parse(std::string_view pattern, const Settings& settings) {
  return Parser(pattern, settings).Run();
}

}  // namespace brimsel::pattern
