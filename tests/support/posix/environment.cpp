#include "support/environment.h"

#include <stdlib.h>
#include <time.h>

namespace brimsel::test {

void SetEnvironment(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

void UnsetEnvironment(const char* name) { ::unsetenv(name); }

std::tm LocalTime(std::time_t t) {
  std::tm local{};
  ::localtime_r(&t, &local);
  return local;
}

}  // namespace brimsel::test
