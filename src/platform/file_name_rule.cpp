// The file name rule, shared by both builds: it reads GBK bytes only, and the one
// conversion it uses (the file-system boundary's) gives the same text on both.
#include "platform/file_name_rule.h"


#include "platform/codepage.h"

namespace brimsel::platform {
namespace {

bool IsTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The names Windows keeps for devices in every folder. "COM0" and "LPT0" are among them
// on the newer systems.
bool IsDeviceStem(std::string_view stem) {
  std::string upper;
  for (const char c : stem) upper += AsciiUpper(c);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
    if (upper == device) return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && IsAsciiDigit(upper[3]);
}

// A device name with or without an extension: Windows looks at the part before the first
// dot, blanks at its end dropped ("nul .txt" is the device too).
bool IsDeviceName(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  return IsDeviceStem(stem);
}

// The number of bytes of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

NameFault JudgeFileName(std::string_view name) {
  if (name.empty()) return NameFault::kEmpty;
  // One pass over the characters: a double-byte character is a lead byte and a trail byte;
  // 0x80 is the euro sign of code page 936; 0xFF and a lead byte without its trail byte are
  // no characters at all (the system would read them as another name).
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (IsLeadByte(byte)) {
      if (i + 1 >= name.size() || !IsTrailByte(static_cast<unsigned char>(name[i + 1]))) return NameFault::kNotGbk;
      ++i;
      continue;
    }
    if (byte == 0xFF) return NameFault::kNotGbk;
    if (byte < 0x20) return NameFault::kControlCharacter;
    if (std::string_view("\\/:*?\"<>|").find(static_cast<char>(byte)) != std::string_view::npos)
      return NameFault::kReservedCharacter;
  }
  if (name.back() == '.' || name.back() == ' ') return NameFault::kTrailingDotOrSpace;
  if (IsDeviceName(name)) return NameFault::kDeviceName;
  if (FileNameToUtf8(name).size() > kMaxNameBytes) return NameFault::kTooLong;
  return NameFault::kNone;
}

const char* NameFaultText(NameFault fault) {
  switch (fault) {
    case NameFault::kNone: return "a plain file name";
    case NameFault::kEmpty: return "the name is empty";
    case NameFault::kNotGbk: return "the name holds bytes that are no GBK characters";
    case NameFault::kControlCharacter: return "the name holds a control character";
    case NameFault::kReservedCharacter: return "the name holds a character Windows reserves (\\ / : * ? \" < > |)";
    case NameFault::kTrailingDotOrSpace: return "the name ends in a dot or a blank, which Windows drops";
    case NameFault::kDeviceName: return "the name is a device of Windows (CON, NUL, COM1, LPT1 ...)";
    case NameFault::kTooLong: return "the name is longer than the file system keeps (255 bytes in UTF-8)";
  }
  return "not a plain file name";
}

const char* NameFaultTextGbk(NameFault fault) {
  switch (fault) {
    case NameFault::kNone: return "";
    case NameFault::kEmpty: return "\xC3\xFB\xB3\xC6\xCE\xAA\xBF\xD5";  // 名称为空
    case NameFault::kNotGbk:  // 含有不是 GBK 编码的字节
      return "\xBA\xAC\xD3\xD0\xB2\xBB\xCA\xC7 GBK \xB1\xE0\xC2\xEB\xB5\xC4\xD7\xD6\xBD\xDA";
    case NameFault::kControlCharacter: return "\xBA\xAC\xD3\xD0\xBF\xD8\xD6\xC6\xD7\xD6\xB7\xFB";  // 含有控制字符
    case NameFault::kReservedCharacter:  // 含有 Windows 保留的字符（\ / : * ? " < > |）
      return "\xBA\xAC\xD3\xD0 Windows \xB1\xA3\xC1\xF4\xB5\xC4\xD7\xD6\xB7\xFB\xA3\xA8\\ / : * ? \" < > |\xA3\xA9";
    case NameFault::kTrailingDotOrSpace:  // 以点或空格结尾，Windows 会把它们去掉
      return "\xD2\xD4\xB5\xE3\xBB\xF2\xBF\xD5\xB8\xF1\xBD\xE1\xCE\xB2\xA3\xACWindows \xBB\xE1\xB0\xD1\xCB\xFC\xC3\xC7"
             "\xC8\xA5\xB5\xF4";
    case NameFault::kDeviceName:  // 是 Windows 的设备名（CON、NUL、COM1 等）
      return "\xCA\xC7 Windows \xB5\xC4\xC9\xE8\xB1\xB8\xC3\xFB\xA3\xA8" "CON\xA1\xA2NUL\xA1\xA2" "COM1 \xB5\xC8\xA3\xA9";
    case NameFault::kTooLong:  // 过长，文件系统会截短它
      return "\xB9\xFD\xB3\xA4\xA3\xAC\xCE\xC4\xBC\xFE\xCF\xB5\xCD\xB3\xBB\xE1\xBD\xD8\xB6\xCC\xCB\xFC";
  }
  return "";
}

std::size_t SystemPathLength(std::string_view path) {
  const std::string utf8 = FileNameToUtf8(path);
  std::size_t units = 0;
  for (std::size_t i = 0; i < utf8.size(); i += Utf8Length(static_cast<unsigned char>(utf8[i])))
    units += Utf8Length(static_cast<unsigned char>(utf8[i])) == 4 ? 2 : 1;  // beyond U+FFFF: a surrogate pair
  return units;
}

bool IsAliasShapedName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  const std::string_view stem = name.substr(0, dot == std::string_view::npos ? name.size() : dot);
  std::size_t digits = 0;
  while (digits < stem.size() && IsAsciiDigit(stem[stem.size() - 1 - digits])) ++digits;
  // The "~" must be a character of its own, not the second byte of a double-byte one.
  const std::size_t tilde = stem.size() - digits - 1;
  return digits > 0 && digits < stem.size() && stem[tilde] == '~' && !IsTrailByteAt(stem, tilde);
}

std::string FolderNameNotHeldMessage(std::string_view shownFolder) {
  // 程序所在文件夹的名称含有系统无法表示的字符（…），请把程序移到其他文件夹
  return std::string("\xB3\xCC\xD0\xF2\xCB\xF9\xD4\xDA\xCE\xC4\xBC\xFE\xBC\xD0\xB5\xC4\xC3\xFB\xB3\xC6\xBA\xAC\xD3\xD0"
                     "\xCF\xB5\xCD\xB3\xCE\xDE\xB7\xA8\xB1\xED\xCA\xBE\xB5\xC4\xD7\xD6\xB7\xFB\xA3\xA8") +
         std::string(shownFolder) +
         "\xA3\xA9\xA3\xAC\xC7\xEB\xB0\xD1\xB3\xCC\xD0\xF2\xD2\xC6\xB5\xBD\xC6\xE4\xCB\xFB\xCE\xC4\xBC\xFE\xBC\xD0";
}

}  // namespace brimsel::platform
