#include "archive/directory/oem_codepage.h"

#include <algorithm>
#include <string_view>

#include "platform/codepage.h"

namespace brimsel {

void OemToAnsiInPlace(std::string& name) {
  // OEM code page 936 = ANSI code page 936: nothing to map.
  (void)name;
}

namespace {

// The length of the UTF-8 sequence that starts with `lead`; 1 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  return 1;
}

// One character's GBK form, or the byte no GBK name holds.
std::string CharacterToAnsi(std::string_view utf8) {
  const std::string gbk = platform::Utf8ToGbk(utf8);
  return platform::GbkToUtf8(gbk) == utf8 ? gbk : std::string("\xFF");
}

}  // namespace

void Utf8ToAnsiInPlace(std::string& name) {
  std::string whole = platform::Utf8ToGbk(name);
  if (platform::GbkToUtf8(whole) == name) {  // the common case: every character has its form
    name = std::move(whole);
    return;
  }
  std::string converted;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t length = std::min(SequenceLength(static_cast<unsigned char>(name[i])), name.size() - i);
    converted += CharacterToAnsi(std::string_view(name).substr(i, length));
    i += length;
  }
  name = std::move(converted);
}

}  // namespace brimsel
