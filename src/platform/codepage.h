#pragma once
// The system code page: GBK (code page 936). Texts of the system are GBK byte strings;
// these conversions are used only at the boundaries (file system, GUI, terminal).

#include <cstddef>
#include <string>
#include <string_view>

namespace brimsel::platform {

// Bytes that cannot be decoded become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);
// Characters that GBK cannot hold become "?".
std::string Utf8ToGbk(std::string_view utf8);

// File and folder names cross the file-system boundary in GB18030: byte for byte GBK for
// every GBK character, the byte 0x80 for "€" as in code page 936, and a four-byte form for
// every other character (a folder such as "jörg"), so that any name the file system holds
// comes back unchanged. Its four-byte
// sequences are lead byte, digit, lead byte, digit: the double-byte scanning below reads
// them as two characters whose second bytes are digits, so it stays in step and never
// takes part of one for "\", "/" or a letter.
std::string FileNameToUtf8(std::string_view name);
std::string Utf8ToFileName(std::string_view utf8);

// True for the first byte of a double-byte GBK character (0x81 to 0xFE).
inline bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// The 0-based index of the last character of `text` that is one of `delimiters`, stepping
// over double-byte characters (whose second byte may equal "\" or a letter); npos if none.
std::size_t LastDelimiter(std::string_view text, std::string_view delimiters);

// True when the byte at `index` is the second byte of a double-byte character.
bool IsTrailByteAt(std::string_view text, std::size_t index);

// ASCII letters of single-byte characters lowered; double-byte characters left alone.
std::string LowerAsciiOfSingleByteChars(std::string_view text);

// Every byte "A" to "Z" lowered, whatever character it belongs to.
std::string LowerBytes(std::string_view text);

// Case-insensitive comparison of ASCII letters of single-byte characters.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);
bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix);

}  // namespace brimsel::platform
