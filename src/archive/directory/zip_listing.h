#pragma once
// The updater's listing line of one entry: name (with "#" for an encrypted entry and "@"
// for one with a comment), date, time, uncompressed and compressed size, ratio, method and
// directory, joined by TAB characters and lowered byte by byte.

#include <cstdint>
#include <string>

#include "archive/directory/zip_obj.h"

namespace brimsel {

// "STOR", "SHR", "RED1" to "RED4", "IMP", "TOK", "DEF" for methods 0 to 8; the decimal
// number for any other method.
std::string MethodName(std::uint16_t method);
// min(100, compressed x 100 / uncompressed rounded to the nearest integer, halves up);
// 0 for an empty entry.
int CompressionRatio(std::uint64_t compressed, std::uint64_t uncompressed);
std::string ListingLine(const TZipEntryInfo& entry);

}  // namespace brimsel
