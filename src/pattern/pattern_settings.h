#pragma once
// What a pattern is compiled with besides its text: the six modifiers and the character
// sets that the syntax refers to. A new engine starts with these defaults.

#include <string>

namespace brimsel::pattern {

struct Modifiers {
  bool i = false;  // ignore letter case
  bool r = true;   // Cyrillic ranges of code page 1251 in classes
  bool s = true;   // "." matches the line separators too
  bool g = true;   // quantifiers are greedy
  bool m = false;  // "^" and "$" also at line separators
  bool x = false;  // blanks and "#" comments in the pattern are ignored

  // The switch of a modifier letter (either case); nullptr for any other letter.
  bool* Find(char letter) {
    switch (letter) {
      case 'i': case 'I': return &i;
      case 'r': case 'R': return &r;
      case 's': case 'S': return &s;
      case 'g': case 'G': return &g;
      case 'm': case 'M': return &m;
      case 'x': case 'X': return &x;
      default: return nullptr;
    }
  }
  bool operator==(const Modifiers&) const = default;
};

struct Settings {
  Modifiers modifiers;
  std::string space_chars = " \t\n\r\f";
  std::string word_chars = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
  std::string line_separators = "\r\n";
  // Two different characters that count as one separator, or empty.
  std::string line_paired_separator = "\r\n";
  bool operator==(const Settings&) const = default;
};

}  // namespace brimsel::pattern
