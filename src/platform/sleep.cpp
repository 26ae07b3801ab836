#include "platform/sleep.h"

#include <chrono>
#include <thread>

namespace brimsel::platform {

void Sleep(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace brimsel::platform
