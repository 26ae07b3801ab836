#include "platform/codepage.h"

#include "platform/file_name_rule.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace brimsel::platform {
namespace {

struct IconvCloser {
  void operator()(iconv_t cd) const { iconv_close(cd); }
};

// The length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// The converter from one code page to another, opened once for each thread: opening one
// costs far more than converting a name with it. Null when iconv has no such converter.
iconv_t Converter(const char* to, const char* from) {
  struct Open {
    const char* to;
    const char* from;
    IconvHandle cd;
  };
  thread_local std::vector<Open> opened;
  for (Open& open : opened) {
    if (std::string_view(open.to) == to && std::string_view(open.from) == from) {
      iconv(open.cd.get(), nullptr, nullptr, nullptr, nullptr);  // back to the initial state
      return open.cd.get();
    }
  }
  const iconv_t raw = iconv_open(to, from);
  if (raw == reinterpret_cast<iconv_t>(-1)) return nullptr;
  opened.push_back({to, from, IconvHandle(raw)});
  return raw;
}

// Converts with iconv; a sequence that cannot be converted is skipped (one byte, or one
// whole UTF-8 character) and `replacement` is emitted in its place.
std::string Convert(const char* to, const char* from, std::string_view input, std::string_view replacement) {
  // Each of these code pages reads ASCII as ASCII: most names and paths need no converter.
  if (std::all_of(input.begin(), input.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::string(input);
  const bool fromUtf8 = std::string_view(from) == "UTF-8";
  const iconv_t cd = Converter(to, from);
  if (!cd) return std::string(input);

  std::string out;
  out.reserve(input.size() * 3 / 2 + 8);
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    std::size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (a truncated sequence at the end).
      std::size_t skip = fromUtf8 ? std::min(Utf8SequenceLength(static_cast<unsigned char>(*in)), inLeft) : 1;
      out.append(replacement);
      in += skip;
      inLeft -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "CP936", gbk, "\xEF\xBF\xBD"); }

std::string Utf8ToGbk(std::string_view utf8) { return Convert("CP936", "UTF-8", utf8, "?"); }

namespace {

// Where code page 936, as Windows has it, and GB18030 read a GBK character differently:
// Windows gives these codes characters of the private use area (as it does the user-defined
// areas, where both agree), GB18030 the characters that were later standardised.
struct Cp936Difference {
  std::uint16_t gbk;
  std::uint16_t windows;
  std::uint32_t gb18030;
};
constexpr Cp936Difference kCp936Differences[] = {
    {0xA6D9, 0xE78D, 0xFE10}, {0xA6DA, 0xE78E, 0xFE12}, {0xA6DB, 0xE78F, 0xFE11},
    {0xA6DC, 0xE790, 0xFE13}, {0xA6DD, 0xE791, 0xFE14}, {0xA6DE, 0xE792, 0xFE15}, {0xA6DF, 0xE793, 0xFE16},
    {0xA6EC, 0xE794, 0xFE17}, {0xA6ED, 0xE795, 0xFE18}, {0xA6F3, 0xE796, 0xFE19}, {0xA8BC, 0xE7C7, 0x1E3F},
    {0xA8BF, 0xE7C8, 0x01F9}, {0xA989, 0xE7E7, 0x303E}, {0xA98A, 0xE7E8, 0x2FF0}, {0xA98B, 0xE7E9, 0x2FF1},
    {0xA98C, 0xE7EA, 0x2FF2}, {0xA98D, 0xE7EB, 0x2FF3}, {0xA98E, 0xE7EC, 0x2FF4}, {0xA98F, 0xE7ED, 0x2FF5},
    {0xA990, 0xE7EE, 0x2FF6}, {0xA991, 0xE7EF, 0x2FF7}, {0xA992, 0xE7F0, 0x2FF8}, {0xA993, 0xE7F1, 0x2FF9},
    {0xA994, 0xE7F2, 0x2FFA}, {0xA995, 0xE7F3, 0x2FFB}, {0xFE50, 0xE815, 0x2E81}, {0xFE51, 0xE816, 0x20087},
    {0xFE52, 0xE817, 0x20089}, {0xFE53, 0xE818, 0x200CC}, {0xFE54, 0xE819, 0x2E84}, {0xFE55, 0xE81A, 0x3473},
    {0xFE56, 0xE81B, 0x3447}, {0xFE57, 0xE81C, 0x2E88}, {0xFE58, 0xE81D, 0x2E8B}, {0xFE59, 0xE81E, 0x9FB4},
    {0xFE5A, 0xE81F, 0x359E}, {0xFE5B, 0xE820, 0x361A}, {0xFE5C, 0xE821, 0x360E}, {0xFE5D, 0xE822, 0x2E8C},
    {0xFE5E, 0xE823, 0x2E97}, {0xFE5F, 0xE824, 0x396E}, {0xFE60, 0xE825, 0x3918}, {0xFE61, 0xE826, 0x9FB5},
    {0xFE62, 0xE827, 0x39CF}, {0xFE63, 0xE828, 0x39DF}, {0xFE64, 0xE829, 0x3A73}, {0xFE65, 0xE82A, 0x39D0},
    {0xFE66, 0xE82B, 0x9FB6}, {0xFE67, 0xE82C, 0x9FB7}, {0xFE68, 0xE82D, 0x3B4E}, {0xFE69, 0xE82E, 0x3C6E},
    {0xFE6A, 0xE82F, 0x3CE0}, {0xFE6B, 0xE830, 0x2EA7}, {0xFE6C, 0xE831, 0x215D7}, {0xFE6D, 0xE832, 0x9FB8},
    {0xFE6E, 0xE833, 0x2EAA}, {0xFE6F, 0xE834, 0x4056}, {0xFE70, 0xE835, 0x415F}, {0xFE71, 0xE836, 0x2EAE},
    {0xFE72, 0xE837, 0x4337}, {0xFE73, 0xE838, 0x2EB3}, {0xFE74, 0xE839, 0x2EB6}, {0xFE75, 0xE83A, 0x2EB7},
    {0xFE76, 0xE83B, 0x2298F}, {0xFE77, 0xE83C, 0x43B1}, {0xFE78, 0xE83D, 0x43AC}, {0xFE79, 0xE83E, 0x2EBB},
    {0xFE7A, 0xE83F, 0x43DD}, {0xFE7B, 0xE840, 0x44D6}, {0xFE7C, 0xE841, 0x4661}, {0xFE7D, 0xE842, 0x464C},
    {0xFE7E, 0xE843, 0x9FB9}, {0xFE80, 0xE844, 0x4723}, {0xFE81, 0xE845, 0x4729}, {0xFE82, 0xE846, 0x477C},
    {0xFE83, 0xE847, 0x478D}, {0xFE84, 0xE848, 0x2ECA}, {0xFE85, 0xE849, 0x4947}, {0xFE86, 0xE84A, 0x497A},
    {0xFE87, 0xE84B, 0x497D}, {0xFE88, 0xE84C, 0x4982}, {0xFE89, 0xE84D, 0x4983}, {0xFE8A, 0xE84E, 0x4985},
    {0xFE8B, 0xE84F, 0x4986}, {0xFE8C, 0xE850, 0x499F}, {0xFE8D, 0xE851, 0x499B}, {0xFE8E, 0xE852, 0x49B7},
    {0xFE8F, 0xE853, 0x49B6}, {0xFE90, 0xE854, 0x9FBA}, {0xFE91, 0xE855, 0x241FE}, {0xFE92, 0xE856, 0x4CA3},
    {0xFE93, 0xE857, 0x4C9F}, {0xFE94, 0xE858, 0x4CA0}, {0xFE95, 0xE859, 0x4CA1}, {0xFE96, 0xE85A, 0x4C77},
    {0xFE97, 0xE85B, 0x4CA2}, {0xFE98, 0xE85C, 0x4D13}, {0xFE99, 0xE85D, 0x4D14}, {0xFE9A, 0xE85E, 0x4D15},
    {0xFE9B, 0xE85F, 0x4D16}, {0xFE9C, 0xE860, 0x4D17}, {0xFE9D, 0xE861, 0x4D18}, {0xFE9E, 0xE862, 0x4D19},
    {0xFE9F, 0xE863, 0x4DAE}, {0xFEA0, 0xE864, 0x9FBB}
};
// The byte 0xFF, which code page 936 reads as a character of the private use area.
constexpr char32_t kWindowsCharOfFF = 0xF8F5;
// Code page 936 holds "€" as the single byte 0x80, which GB18030 has not (its "€" is two
// bytes): a name holding that byte is the same on the file system, in a package listing and
// in the Windows build.
constexpr char32_t kEuro = 0x20AC;

const Cp936Difference* DifferenceOfGbk(std::uint16_t gbk) {
  const auto* end = std::end(kCp936Differences);
  const auto* found = std::lower_bound(std::begin(kCp936Differences), end, gbk,
                                       [](const Cp936Difference& d, std::uint16_t code) { return d.gbk < code; });
  return found != end && found->gbk == gbk ? found : nullptr;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The character that starts at `utf8[i]`, and its length; a stray byte stands for itself.
char32_t Utf8At(std::string_view utf8, std::size_t i, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(utf8[i]);
  length = std::min(Utf8SequenceLength(lead), utf8.size() - i);
  if (length == 1) return lead;
  char32_t c = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
  return c;
}

// The GBK bytes that code page 936 gives `c` where GB18030 differs: the code of a
// difference for its Windows character, "?" for a character GB18030 keeps at that code
// (Windows has no code for it), nothing for every other character.
std::optional<std::string> DifferingForm(char32_t c) {
  if (c == kWindowsCharOfFF) return std::string("\xFF");
  if (c == kEuro) return std::string("\x80");
  if (c < 0x1E3F && c != 0x01F9) return std::nullopt;  // below every character of the table
  for (const Cp936Difference& d : kCp936Differences) {
    if (c == d.windows) return std::string{static_cast<char>(d.gbk >> 8), static_cast<char>(d.gbk & 0xFF)};
    if (c == d.gb18030) return std::string("?");
  }
  return std::nullopt;
}

}  // namespace

// GB18030, except where code page 936 reads a GBK code otherwise: there the name is what
// the Windows build's file functions make of the same bytes.
std::string FileNameToUtf8(std::string_view name) {
  std::string out;
  std::size_t converted = 0;
  const auto flushTo = [&](std::size_t end) {
    if (end > converted) out += Convert("UTF-8", "GB18030", name.substr(converted, end - converted), "\xEF\xBF\xBD");
  };
  for (std::size_t i = 0; i < name.size();) {
    const auto byte = static_cast<unsigned char>(name[i]);
    char32_t windows = 0;
    std::size_t length = 1;
    if (IsLeadByte(byte) && i + 1 < name.size()) {
      // The pairs of a four-byte sequence have digits for second bytes: never a difference.
      length = 2;
      const auto code = static_cast<std::uint16_t>(byte << 8 | static_cast<unsigned char>(name[i + 1]));
      if (const Cp936Difference* d = DifferenceOfGbk(code)) windows = d->windows;
    } else if (byte == 0xFF) {
      windows = kWindowsCharOfFF;
    } else if (byte == 0x80) {
      windows = kEuro;
    }
    if (windows != 0) {
      flushTo(i);
      AppendUtf8(out, windows);
      converted = i + length;
    }
    i += length;
  }
  flushTo(name.size());
  return out;
}

std::string Utf8ToFileName(std::string_view utf8) {
  std::string out;
  std::size_t converted = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t length = 1;
    const char32_t c = Utf8At(utf8, i, length);
    if (c >= 0x80) {
      if (std::optional<std::string> form = DifferingForm(c)) {
        if (i > converted) out += Convert("GB18030", "UTF-8", utf8.substr(converted, i - converted), "?");
        out += *form;
        converted = i + length;
      }
    }
    i += length;
  }
  if (utf8.size() > converted) out += Convert("GB18030", "UTF-8", utf8.substr(converted), "?");
  return out;
}

// Each character folded by the C library's Unicode tables (those of the C.UTF-8 locale,
// whatever the process's locale is): upper case, then lower, as a simple case fold does.
std::string CaseFoldKey(std::string_view name) {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  const std::string utf8 = FileNameToUtf8(name);
  std::string key;
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t length = 1;
    char32_t c = Utf8At(utf8, i, length);
    if (unicode != static_cast<locale_t>(nullptr)) {
      c = static_cast<char32_t>(towlower_l(towupper_l(static_cast<wint_t>(c), unicode), unicode));
    } else if (c >= 'A' && c <= 'Z') {
      c += 'a' - 'A';
    }
    AppendUtf8(key, c);
    i += length;
  }
  return key;
}

}  // namespace brimsel::platform
