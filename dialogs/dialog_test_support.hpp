// A fixture that makes a scripted platform the thread's platform for one test,
// and the number of the error a call raises.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/scripted_platform.hpp"
#include "util/utility_test_support.hpp"
#include "vellora2/automation/object.hpp"

namespace vellora2 {

using testing::ErrorOf;

class ScriptedDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetCurrentPlatform(platform_); }
  void TearDown() override { SetCurrentPlatform(previous_); }

  std::shared_ptr<ScriptedPlatform> platform_ = std::make_shared<ScriptedPlatform>();

 private:
  std::shared_ptr<Platform> previous_;
};

// A host's font object, with every property the font dialogs read and write.
inline DynamicObject FontObject(const std::u16string& name, double size, bool italic = false, bool underline = false) {
  return DynamicObject{{u"Name", Variant(name)},        {u"Size", Variant(size)},
                       {u"Bold", Variant(false)},       {u"Italic", Variant(italic)},
                       {u"Underline", Variant(underline)}, {u"Strikethrough", Variant(false)},
                       {u"Weight", Variant(int16_t{400})}};
}

}  // namespace vellora2
