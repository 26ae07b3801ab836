#include "support/environment.h"

#include <stdlib.h>
#include <time.h>

namespace brimsel::test {

void SetEnvironment(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }

// An empty value removes the variable from the C runtime's environment.
void UnsetEnvironment(const char* name) { _putenv_s(name, ""); }

std::tm LocalTime(std::time_t t) {
  std::tm local{};
  localtime_s(&local, &t);
  return local;
}

}  // namespace brimsel::test
