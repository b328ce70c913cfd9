#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "compound/fault_file.hpp"
#include "document/thread_state.hpp"
#include "platform/scripted_platform.hpp"
#include "vellora2/automation/text.hpp"
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

// Saving over a file that is there: a failure at any call, the look at who
// holds the old file and its move aside among them, is reported and leaves the
// old file as it was, under its name, with nothing beside it.
TEST(DocumentSave, AFailedSaveOverAFileKeepsIt) {
  auto platform = std::make_shared<ScriptedPlatform>();
  auto old_platform = SetCurrentPlatform(platform);
  std::string pattern = (std::filesystem::temp_directory_path() / "vellora2-save-XXXXXX").string();
  const std::filesystem::path dir = ::mkdtemp(pattern.data());
  const std::string target = (dir / "target.qxv").string();
  const std::string previous = "the file that was there";
  auto plan = std::make_shared<FaultPlan>();
  plan->every_call = true;
  auto files = std::make_shared<compound::FaultFileSystem>(compound::PosixFileSystem(), plan);
  long failures = 0;
  long clean = 0;
  long kept = 0;
  for (long n = 0; n < 1000; ++n) {
    std::ofstream(target, std::ios::binary) << previous;
    bool saved = true;
    {
      CVellora doc;
      CurrentThreadState().gStorageEngine = std::make_shared<StorageEngine>(files);
      ASSERT_TRUE(doc.NewFile());
      doc.DocTitle(u"new");
      plan->kind = FaultPlan::Kind::kIoError;
      plan->at = plan->calls + n;
      try {
        doc.SaveToPath(FromUtf8(target));
      } catch (const AutomationError& e) {
        plan->kind = FaultPlan::Kind::kNone;
        saved = false;
        ++failures;
        std::ifstream in(target, std::ios::binary);
        const std::string now(std::istreambuf_iterator<char>(in), {});
        const bool reported = e.number() != 0 && !e.source().empty() && !e.description().empty();
        if (now == previous) ++kept;
        const auto beside = std::distance(std::filesystem::directory_iterator(dir), {});
        const bool left = now == previous && beside == 1;
        EXPECT_TRUE(reported && left) << "after failing call " << n << ": " << e.number() << " " << ToUtf8(e.source())
                                      << ", " << beside << " files";
        // The document stays where it was, with its edits, to be saved again.
        EXPECT_EQ(doc.DocTitle(), u"new");
        EXPECT_TRUE(doc.Dirty());
        if (reported && left) ++clean;
      }
      plan->kind = FaultPlan::Kind::kNone;
      platform->message_box_answers = {mb::kNo};
    }
    if (saved) break;
  }
  std::printf("save over a file: %ld fault points, %ld clean failures, %ld kept the old file\n", failures, clean, kept);
  EXPECT_EQ(clean, failures);
  EXPECT_EQ(kept, failures);
  // Asking who holds the file, moving it aside, and every call of the new file's create, copy and commit.
  EXPECT_GT(failures, 6);
  std::filesystem::remove_all(dir);
  SetCurrentPlatform(old_platform);
}

}  // namespace
}  // namespace vellora2
