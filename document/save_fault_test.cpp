#include <gtest/gtest.h>

#include "compound/fault_file.hpp"
#include "document/thread_state.hpp"
#include "platform/scripted_platform.hpp"
#include "vellora2/document/cvellora.hpp"

namespace vellora2 {
namespace {

using compound::FaultPlan;

// A save that fails at any write, sync or truncate leaves the file at its last
// commit and the document dirty, and a later save still works.
TEST(DocumentSave, AFailedSaveKeepsTheLastCommitAndTheChanges) {
  auto platform = std::make_shared<ScriptedPlatform>();
  auto old_platform = SetCurrentPlatform(platform);
  auto memory = std::make_shared<compound::MemoryFileSystem>();
  auto plan = std::make_shared<FaultPlan>();
  {
    CVellora doc;
    CurrentThreadState().gStorageEngine =
        std::make_shared<StorageEngine>(std::make_shared<compound::FaultFileSystem>(memory, plan));
    ASSERT_TRUE(doc.NewFile());
    doc.DocTitle(u"first");
    doc.SaveToPath(u"/mem/doc.qxv");

    int failures = 0;
    std::u16string committed = u"first";
    for (long n = 0;; ++n) {
      doc.DocTitle(u"second " + std::u16string(1, static_cast<char16_t>(u'a' + n % 26)));
      plan->kind = FaultPlan::Kind::kDiskFull;
      plan->at = plan->calls + n;
      bool saved = true;
      try {
        doc.SaveFile();
      } catch (const AutomationError&) {
        saved = false;
        ++failures;
        EXPECT_TRUE(doc.Dirty());
      }
      plan->kind = FaultPlan::Kind::kNone;
      StorageEngine reader(memory);
      EXPECT_TRUE(reader.Check(u"/mem/doc.qxv").empty()) << "after failing call " << n;
      Storage root = reader.OpenStorageFile(u"/mem/doc.qxv", STGM_READ | STGM_TRANSACTED | STGM_SHARE_DENY_NONE);
      root.ReadSummaryInfo();
      if (saved) {
        EXPECT_EQ(root.Title(), doc.DocTitle());
        EXPECT_FALSE(doc.Dirty());
        break;
      }
      // A failure after the commit point leaves the new state; before it, the
      // old one. Never anything in between.
      EXPECT_TRUE(root.Title() == committed || root.Title() == doc.DocTitle()) << "after failing call " << n;
      committed = root.Title();
    }
    EXPECT_GT(failures, 2);
    std::printf("a save was failed at %d different calls\n", failures);
    platform->message_box_answers = {mb::kNo};
  }
  SetCurrentPlatform(old_platform);
}

}  // namespace
}  // namespace vellora2
