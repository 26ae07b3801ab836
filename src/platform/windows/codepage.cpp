// The conversions with the system's own tables (code page 936), through UTF-16. The
// double-byte scanning helpers are shared with Linux (double_byte_text.cpp).
#include "platform/codepage.h"

#include "platform/file_name_rule.h"

#include "platform/windows/windows_text.h"

namespace brimsel::platform {

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
// a name outside it cannot be written at all, so file names are GBK texts here, read as
// those functions read them (0xFF too, which the display's conversion refuses).
std::string FileNameToUtf8(std::string_view name) { return windows::FromWide(windows::ToWide(name), CP_UTF8); }
std::string Utf8ToFileName(std::string_view utf8) { return Utf8ToGbk(utf8); }

// Each character as the file system compares names: the system's ordinal upper case (what
// CompareStringOrdinal ignoring case uses), then lower.
std::string CaseFoldKey(std::string_view name) {
  std::wstring wide = windows::ToWide(name);
  if (!wide.empty()) {
    ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    ::CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  }
  return windows::FromWide(wide, CP_UTF8);
}

}  // namespace brimsel::platform
