#include "windows_test_support.h"

#include <cstdio>

namespace brimsel::test {

std::string HelperPath() { return BRIMSEL_TEST_HELPER; }

HelperProcess::HelperProcess(std::string_view mode, std::string_view argument, const std::string& program) {
  const std::string path = program.empty() ? HelperPath() : program;
  std::string hex;
  for (const unsigned char byte : argument) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", byte);
    hex += pair;
  }
  std::string commandLine = "\"" + path + "\" " + std::string(mode) + " " + (mode == "--sleep" ? std::string(argument) : hex);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    CloseHandle(started.hThread);
    process_ = started.hProcess;
  }
}

HelperProcess::~HelperProcess() {
  if (process_ == nullptr) return;
  if (Running()) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

}  // namespace brimsel::test
