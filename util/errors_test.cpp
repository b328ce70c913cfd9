#include "util/errors.hpp"

#include <gtest/gtest.h>

#include "vellora2/automation/error.hpp"
#include "vellora2/util/enums.hpp"

namespace vellora2 {
namespace {

AutomationError Caught(int32_t number) {
  try {
    RaiseUtilityError(number);
  } catch (const AutomationError& e) {
    return e;
  }
  ADD_FAILURE() << "RaiseUtilityError(" << number << ") returned";
  return AutomationError(0, {});
}

TEST(RaiseUtilityError, RuntimeNumbersCarryTheStandardTextAndTheVBErrorSource) {
  const AutomationError e = Caught(53);
  EXPECT_EQ(e.number(), 53);
  EXPECT_EQ(e.source(), u"Vellora2.VBError");
  EXPECT_EQ(e.description(), u"File not found");
  EXPECT_EQ(Caught(1000).source(), u"Vellora2.VBError");
  EXPECT_EQ(Caught(-5).source(), u"Vellora2.VBError");
}

TEST(RaiseUtilityError, LibraryNumbersNameTheSectionOfTheirTens) {
  const AutomationError e = Caught(eeNoTrueOption);
  EXPECT_EQ(e.number(), 13002);
  EXPECT_EQ(e.source(), u"Vellora2.Utility");
  EXPECT_EQ(e.description(), u"No option button is selected");
  EXPECT_EQ(Caught(eeMissingParameter).source(), u"Vellora2.Utility");
  EXPECT_EQ(Caught(eeBaseBytes).source(), u"Vellora2.Bytes");
  // A number without a text of its own keeps its section and gets the generic text.
  const AutomationError dialog = Caught(eeBaseCommonDialog + 7);
  EXPECT_EQ(dialog.source(), u"Vellora2.CommonDialog");
  EXPECT_EQ(dialog.description(), StandardErrorText(eeBaseCommonDialog + 7));
  EXPECT_EQ(Caught(1001).source(), u"Vellora2.VBError");

  // The hook for failed platform calls reports nothing.
  EXPECT_NO_THROW(RaiseApiErrorIf(161));
}

}  // namespace
}  // namespace vellora2
