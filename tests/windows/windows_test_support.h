#pragma once
// The Windows suite's other program (test_helper.exe), started and ended by the tests.

#include "platform/windows/windows_api.h"

#include <string>
#include <string_view>

namespace brimsel::test {

// A running test_helper (or a copy of it), ended when the object goes.
class HelperProcess {
 public:
  // Starts `program` (a copy of test_helper, or test_helper itself when empty) with `mode`
  // and `argument` ("--sleep", "5000"; "--window", caption bytes in GBK; "--lock", a
  // folder in GBK).
  HelperProcess(std::string_view mode, std::string_view argument, const std::string& program = "");
  ~HelperProcess();
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  bool Started() const { return process_ != nullptr; }
  HANDLE Process() const { return process_; }
  bool Running() const { return Started() && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  // True when the program has ended within `limitMs`.
  bool WaitForEnd(DWORD limitMs) const { return Started() && WaitForSingleObject(process_, limitMs) == WAIT_OBJECT_0; }

 private:
  HANDLE process_ = nullptr;
};

// The path of test_helper.exe.
std::string HelperPath();

}  // namespace brimsel::test
