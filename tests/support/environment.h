#pragma once
// The process environment and the local time, as the shared tests set and read them; each
// system has its own calls for both (posix/, windows/).

#include <ctime>
#include <string>

namespace brimsel::test {

void SetEnvironment(const char* name, const std::string& value);
void UnsetEnvironment(const char* name);
// The broken-down local time of `t`, safe to call from any thread.
std::tm LocalTime(std::time_t t);

}  // namespace brimsel::test
