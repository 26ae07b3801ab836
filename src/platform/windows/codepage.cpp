// The conversions with the system's own tables (code page 936), through UTF-16. The
// double-byte scanning helpers hold no system call and are the same as on Linux.
#include "platform/codepage.h"

#include "platform/windows/windows_text.h"

namespace brimsel::platform {
namespace {

bool IsAsciiUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

// One character at a time, so that a byte the code page cannot decode becomes one U+FFFD
// and the text after it is still read, as on Linux.
std::string GbkToUtf8(std::string_view gbk) {
  std::wstring wide;
  wide.reserve(gbk.size());
  for (std::size_t i = 0; i < gbk.size();) {
    const int length = IsLeadByte(static_cast<unsigned char>(gbk[i])) && i + 1 < gbk.size() ? 2 : 1;
    wchar_t decoded[2];
    const int count =
        ::MultiByteToWideChar(windows::kSystemCodePage, MB_ERR_INVALID_CHARS, gbk.data() + i, length, decoded, 2);
    if (count > 0) {
      wide.append(decoded, static_cast<std::size_t>(count));
      i += static_cast<std::size_t>(length);
    } else {
      wide.push_back(L'\xFFFD');
      ++i;
    }
  }
  return windows::FromWide(wide, CP_UTF8);
}

// One "?" for each character that GBK cannot hold, a character beyond U+FFFF included
// (which UTF-16 holds as two units).
std::string Utf8ToGbk(std::string_view utf8) {
  const std::wstring wide = windows::ToWide(utf8, CP_UTF8);
  std::string gbk;
  gbk.reserve(wide.size() * 2);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size();
    char encoded[4];
    BOOL usedDefault = FALSE;
    const int count = pair ? 0
                           : ::WideCharToMultiByte(windows::kSystemCodePage, WC_NO_BEST_FIT_CHARS, &wide[i], 1,
                                                   encoded, sizeof encoded, nullptr, &usedDefault);
    if (count > 0 && !usedDefault) {
      gbk.append(encoded, static_cast<std::size_t>(count));
    } else {
      gbk.push_back('?');
    }
    if (pair) ++i;
  }
  return gbk;
}

// The "A" file functions take names in the system code page, which has no four-byte forms:
// a name outside it cannot be written at all, so file names are GBK texts here.
std::string FileNameToUtf8(std::string_view name) { return GbkToUtf8(name); }
std::string Utf8ToFileName(std::string_view utf8) { return Utf8ToGbk(utf8); }

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
