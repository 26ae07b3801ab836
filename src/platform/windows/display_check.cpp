// A Windows desktop always has a display to open windows on.
#include "platform/display_check.h"

namespace brimsel::platform {

bool DisplayAvailable(std::string& /*why*/) { return true; }

}  // namespace brimsel::platform
