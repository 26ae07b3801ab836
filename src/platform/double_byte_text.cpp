// The double-byte scanning helpers declared in codepage.h. They hold no system call and
// read GBK bytes the same way on every system, so the Linux and the Windows build share
// this one file; only the conversions differ between the two.
#include "platform/codepage.h"

namespace brimsel::platform {
namespace {

bool IsAsciiUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

std::size_t LastDelimiter(std::string_view text, std::string_view delimiters) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
      ++i;  // the second byte belongs to this character
      continue;
    }
    if (delimiters.find(text[i]) != std::string_view::npos) found = i;
  }
  return found;
}

bool IsTrailByteAt(std::string_view text, std::size_t index) {
  for (std::size_t i = 0; i < text.size() && i <= index; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      if (i + 1 == index) return true;
      ++i;
    }
  }
  return false;
}

std::string LowerAsciiOfSingleByteChars(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    auto c = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(c) && i + 1 < out.size()) {
      ++i;
      continue;
    }
    if (IsAsciiUpper(c)) out[i] = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string LowerBytes(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    auto c = static_cast<unsigned char>(ch);
    if (IsAsciiUpper(c)) ch = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && LowerAsciiOfSingleByteChars(a) == LowerAsciiOfSingleByteChars(b);
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameTextIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && SameTextIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace brimsel::platform
