#pragma once
// Names stored by MS-DOS programs are in the OEM code page. This is the one place that
// turns them into the system (ANSI) code page.

#include <string>

namespace brimsel {

// Converts `name` in place from the OEM code page to the ANSI code page. Both are GBK
// (code page 936) on this system, so the bytes stay as they are; a system whose OEM and
// ANSI code pages differ would map the bytes here.
void OemToAnsiInPlace(std::string& name);

}  // namespace brimsel
