// Linux file names are GB18030; the "A" file functions of the system take its code page.
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace brimsel::platform {
namespace {

// Names outside GBK ("jörg", "€", an emoji) cross the file-system boundary in GB18030 and
// come back unchanged; GBK characters keep their GBK bytes. The scanning stays in step
// over the four-byte forms: their second and fourth bytes are digits.
TEST(CodePage, FileNamesOutsideGbkRoundTripAndScanInStep) {
  const std::string jorg = Utf8ToFileName("jörg");
  EXPECT_EQ(jorg, "j\x81\x30\x8B\x32rg");
  EXPECT_EQ(Utf8ToFileName("在线"), Utf8ToGbk("在线"));
  for (const char* utf8 : {"€ ñ ß", "\xF0\x9F\x98\x80"}) EXPECT_EQ(FileNameToUtf8(Utf8ToFileName(utf8)), utf8);
  const std::string path = "\\opt\\" + jorg + "\\" + Utf8ToFileName("\xF0\x9F\x98\x80") + "\\Update.EXE";
  EXPECT_EQ(LastDelimiter(path, "\\"), path.size() - 11);
  EXPECT_TRUE(IsTrailByteAt(jorg, 4));
  EXPECT_EQ(LowerAsciiOfSingleByteChars(path).substr(path.size() - 10), "update.exe");
}

}  // namespace
}  // namespace brimsel::platform
