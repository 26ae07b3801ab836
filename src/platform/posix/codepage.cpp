#include "platform/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>

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

// Converts with iconv; a sequence that cannot be converted is skipped (one byte, or one
// whole UTF-8 character) and `replacement` is emitted in its place.
std::string Convert(const char* to, const char* from, std::string_view input, std::string_view replacement) {
  const bool fromUtf8 = std::string_view(from) == "UTF-8";
  iconv_t raw = iconv_open(to, from);
  if (raw == reinterpret_cast<iconv_t>(-1)) return std::string(input);
  std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser> cd(raw);

  std::string out;
  out.reserve(input.size() * 3 / 2 + 8);
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    std::size_t rc = iconv(cd.get(), &in, &inLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (a truncated sequence at the end).
      std::size_t skip = fromUtf8 ? std::min(Utf8SequenceLength(static_cast<unsigned char>(*in)), inLeft) : 1;
      out.append(replacement);
      in += skip;
      inLeft -= skip;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "CP936", gbk, "\xEF\xBF\xBD"); }

std::string Utf8ToGbk(std::string_view utf8) { return Convert("CP936", "UTF-8", utf8, "?"); }

std::string FileNameToUtf8(std::string_view name) { return Convert("UTF-8", "GB18030", name, "\xEF\xBF\xBD"); }

std::string Utf8ToFileName(std::string_view utf8) { return Convert("GB18030", "UTF-8", utf8, "?"); }

}  // namespace brimsel::platform
