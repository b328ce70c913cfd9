#include "vellora2/automation/error.hpp"

#include <gtest/gtest.h>

namespace vellora2 {
namespace {

TEST(AutomationError, StandardTextsAndDefaults) {
  EXPECT_EQ(StandardErrorText(53), u"File not found");
  EXPECT_EQ(StandardErrorText(75), u"Path/File access error");
  EXPECT_EQ(StandardErrorText(91), u"Object variable or With block variable not set");
  EXPECT_EQ(StandardErrorText(438), u"Object doesn't support this property or method");
  EXPECT_EQ(StandardErrorText(12345), u"Application-defined or object-defined error");

  AutomationError plain(6, u"Vellora2.CVellora");
  EXPECT_EQ(plain.description(), u"Overflow");
  AutomationError own(-2147220990, u"src", u"Element not found.");
  EXPECT_EQ(own.description(), u"Element not found.");
  EXPECT_STREQ(own.what(), "Element not found. (-2147220990) [src]");
}

TEST(AutomationError, FramesChainThroughTwoHandlers) {
  bool released_inner = false;
  std::vector<int> release_order;
  auto inner = [&] {
    WithFrame(
        u"|Vellora.CFilesIO::CreatePath", [] { Raise(58, u"Vellora2.CFilesIO"); },
        [&] {
          released_inner = true;
          release_order.push_back(1);
        });
  };
  try {
    WithFrame(u"|Vellora.CFilesIO::Import", inner, [&] { release_order.push_back(2); });
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 58);
    EXPECT_EQ(e.source(), u"Vellora2.CFilesIO|Vellora.CFilesIO::CreatePath|Vellora.CFilesIO::Import");
    EXPECT_EQ(e.description(), u"File already exists");
  }
  EXPECT_TRUE(released_inner);
  EXPECT_EQ(release_order, (std::vector<int>{1, 2}));
  // Without an error the body's value comes through.
  EXPECT_EQ(WithFrame(u"|x", [] { return 42; }), 42);
}

}  // namespace
}  // namespace vellora2
