// The conversions with the system's own tables (code page 936), through UTF-16. The
// double-byte scanning helpers hold no system call and are the same as on Linux.
#include "platform/codepage.h"

#include "platform/windows/windows_text.h"

namespace brimsel::platform {
namespace {

bool IsAsciiUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

// Without MB_ERR_INVALID_CHARS the system maps undecodable bytes to U+FFFD (or to a
// best-fit character); with the default character "?" it writes what GBK cannot hold.
std::string GbkToUtf8(std::string_view gbk) { return windows::FromWide(windows::ToWide(gbk), CP_UTF8); }

std::string Utf8ToGbk(std::string_view utf8) {
  const std::wstring wide = windows::ToWide(utf8, CP_UTF8);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = ::WideCharToMultiByte(windows::kSystemCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                           0, "?", nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(windows::kSystemCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), size, bytes.data(), length, "?",
                        nullptr);
  return bytes;
}

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
