#pragma once
// Names stored by MS-DOS programs are in the OEM code page, names flagged as UTF-8 in UTF-8.
// This is the one place that turns them into the system (ANSI) code page.

#include <string>

namespace brimsel {

// Converts `name` in place from the OEM code page to the ANSI code page. Both are GBK
// (code page 936) on this system, so the bytes stay as they are; a system whose OEM and
// ANSI code pages differ would map the bytes here.
void OemToAnsiInPlace(std::string& name);

// Converts `name` in place from UTF-8 (an archive that says so with flag bit 11) to the ANSI
// code page. A character GBK cannot hold, or a byte that is no UTF-8, becomes the byte 0xFF,
// which no GBK name holds: the file name rule then refuses the name, rather than the entry
// being installed under a name it never had.
void Utf8ToAnsiInPlace(std::string& name);

}  // namespace brimsel
