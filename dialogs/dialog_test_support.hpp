// A fixture that makes a scripted platform the thread's platform for one test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/scripted_platform.hpp"

namespace vellora2 {

class ScriptedDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetCurrentPlatform(platform_); }
  void TearDown() override { SetCurrentPlatform(previous_); }

  std::shared_ptr<ScriptedPlatform> platform_ = std::make_shared<ScriptedPlatform>();

 private:
  std::shared_ptr<Platform> previous_;
};

}  // namespace vellora2
