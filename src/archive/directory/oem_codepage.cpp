#include "archive/directory/oem_codepage.h"

namespace brimsel {

void OemToAnsiInPlace(std::string& name) {
  // OEM code page 936 = ANSI code page 936: nothing to map.
  (void)name;
}

}  // namespace brimsel
