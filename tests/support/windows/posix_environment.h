#pragma once
// setenv and unsetenv, which the shared tests use to set the environment of the code under
// test, over the C runtime's own call. Given to every test program of the Windows suite.

#include <stdlib.h>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name) != nullptr) return 0;
  return _putenv_s(name, value);
}

inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
