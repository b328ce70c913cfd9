#include "storage/element_path.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2 {
namespace {

constexpr int32_t kRootMode = STGM_CREATE | STGM_TRANSACTED | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
constexpr int32_t kChildMode = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;

std::vector<std::u16string> Components(std::u16string path) {
  const StringArray a = ParseElements(path);
  EXPECT_EQ(a.LBound(), 0);
  return a.data();
}

TEST(ParseElements, SplitsAtEveryBackslashAndDropsOnlyTheLeadingOne) {
  std::u16string path = u"\\Help\\QuiHelp.hlp";
  EXPECT_EQ(ParseElements(path).data(), (std::vector<std::u16string>{u"Help", u"QuiHelp.hlp"}));
  EXPECT_EQ(path, u"Help\\QuiHelp.hlp");

  EXPECT_EQ(Components(u"A\\\\B"), (std::vector<std::u16string>{u"A", u"", u"B"}));
  EXPECT_EQ(Components(u"Images\\"), (std::vector<std::u16string>{u"Images", u""}));
  EXPECT_EQ(Components(u""), (std::vector<std::u16string>{u""}));
  EXPECT_EQ(Components(u"\\\\x"), (std::vector<std::u16string>{u"", u"x"}));
  EXPECT_EQ(Components(u" a \\b"), (std::vector<std::u16string>{u" a ", u"b"}));
}

TEST(ParseElements, ASeparatorPastThe16BitRangeOverflows) {
  std::u16string fits = std::u16string(32765, u'a') + u"\\b";  // separator at 32766
  EXPECT_EQ(ParseElements(fits).size(), 2u);

  std::u16string path = std::u16string(32766, u'a') + u"\\b";  // separator at 32767
  std::u16string storage;
  std::u16string stream;
  try {
    SplitStreamStorage(path, storage, stream);
    FAIL() << "no overflow";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), rt::kOverflow);
    EXPECT_EQ(e.source(), u"Vellora2.CFilesIOVellora.CFilesIO::ParseElementsVellora.CFilesIO::SplitStreamStorage");
  }
}

TEST(SplitStreamStorage, StoragePathGetsABackslashBeforeEachStorage) {
  struct Case {
    std::u16string path, after, storage, stream;
  };
  for (const auto& c : {Case{u"QuiHelp.hlp", u"QuiHelp.hlp", u"", u"QuiHelp.hlp"},
                        Case{u"\\Help\\QuiHelp.hlp", u"Help\\QuiHelp.hlp", u"\\Help", u"QuiHelp.hlp"},
                        Case{u"Images\\", u"Images\\", u"\\Images", u""},
                        Case{u"a\\b\\c\\d", u"a\\b\\c\\d", u"\\a\\b\\c", u"d"}}) {
    std::u16string path = c.path;
    std::u16string storage;
    std::u16string stream = u"old";
    SplitStreamStorage(path, storage, stream);
    EXPECT_EQ(path, c.after) << ToUtf8(c.path);
    EXPECT_EQ(storage, c.storage) << ToUtf8(c.path);
    EXPECT_EQ(stream, c.stream) << ToUtf8(c.path);
  }

  // The storage path is appended to: callers pass an empty variable.
  std::u16string path = u"x\\y";
  std::u16string storage = u"\\pre";
  std::u16string stream;
  SplitStreamStorage(path, storage, stream);
  EXPECT_EQ(storage, u"\\pre\\x");
}

class CreatePathTest : public ::testing::Test {
 protected:
  CreatePathTest() {
    const int32_t handle = engine_.CreateTempStore();
    root_ = engine_.CreateRootStorage(u"doc", kRootMode, handle);
  }
  StorageEngine engine_;
  Storage root_;
};

TEST_F(CreatePathTest, CreatesOnlyTheMissingLevelsAndReleasesThem) {
  root_.CreateStorage(u"A", kChildMode).CreateStream(u"kept", kChildMode).WriteValue(0, Variant(int32_t{7}));

  std::u16string path = u"\\a\\B\\C";
  CreatePath(root_, path);
  EXPECT_EQ(path, u"a\\B\\C");

  // Nothing stays open: every level opens exclusively again, and "A" (found
  // whatever the case) kept its stream rather than being replaced.
  Storage a = root_.OpenStorage(u"A", kChildMode);
  EXPECT_EQ(a.ElementType(u"kept"), STGTY_STREAM);
  EXPECT_EQ(a.ElementType(u"B"), STGTY_STORAGE);
  EXPECT_EQ(a.OpenStorage(u"B", kChildMode).ElementType(u"C"), STGTY_STORAGE);
  int16_t type = 0;
  std::u16string name;
  root_.NextElement(0, type, name);
  EXPECT_EQ(name, u"A");
  root_.NextElement(1, type, name);
  EXPECT_EQ(type, 0) << "no second storage";
}

TEST_F(CreatePathTest, AStreamInTheWayFailsAtTheOpenWithTheFrame) {
  root_.CreateStream(u"S", kChildMode);
  std::u16string path = u"\\S\\T";
  try {
    CreatePath(root_, path);
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), STG_E_FILENOTFOUND);
    EXPECT_EQ(e.source(), u"Vellora2.Storage|Vellora.CFilesIO::CreatePath");
  }
  EXPECT_EQ(path, u"S\\T");
  EXPECT_EQ(root_.ElementType(u"S"), STGTY_STREAM);

  std::u16string invalid = u"bad:name";
  EXPECT_THROW(CreatePath(root_, invalid), AutomationError);
}

}  // namespace
}  // namespace vellora2
