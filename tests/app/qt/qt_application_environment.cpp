// One QApplication for the whole test program, made before the first test and destroyed
// after the last, with the real message pump installed as update.exe installs it.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "platform/pump.h"
#include "platform/qt/qt_pump.h"

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    application_ = std::make_unique<QApplication>(argc_, argv_);
    brimsel::platform::InstallQtPump();
  }
  void TearDown() override {
    brimsel::platform::SetMessagePump({});
    application_.reset();
  }

 private:
  // QApplication keeps references to both for its whole life.
  int argc_ = 1;
  char name_[10] = "app_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

// gtest takes ownership of the environment.
[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
