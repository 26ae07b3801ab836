#pragma once

namespace brimsel::platform {

// Blocks the calling thread; pumps nothing, as the Windows call does.
void Sleep(unsigned milliseconds);

}  // namespace brimsel::platform
