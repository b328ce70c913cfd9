// Exports that meet a full disk or an I/O error, at every call they make on
// their file.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "compound/fault_file.hpp"
#include "elements/test_document.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/elements/chelpio.hpp"

namespace vellora2 {
namespace {

using compound::FaultPlan;
using testing::TestDocument;

// Bytes that show where a wrongly placed block went.
std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
  return bytes;
}

class ExportFaults : public ::testing::Test {
 protected:
  ExportFaults() { plan_->every_call = true; }

  // Fails call n (counting from the call after this one) of each export in
  // turn, from n = 0 until `run` succeeds. `run` returns whether it did; a
  // failed run must leave no file. Returns the fault points met.
  template <typename Run>
  long FailEveryCall(FaultPlan::Kind kind, const char* what, Run&& run) {
    long failures = 0;
    long clean = 0;
    for (long n = 0;; ++n) {
      plan_->kind = kind;
      plan_->at = plan_->calls + n;
      const bool done = run(clean);
      plan_->kind = FaultPlan::Kind::kNone;
      if (done) break;
      ++failures;
      EXPECT_LT(n, 1000) << what << ": no end";
      if (n >= 1000) break;
    }
    std::printf("%s: %ld fault points, %ld clean failures\n", what, failures, clean);
    EXPECT_EQ(clean, failures) << what;
    return failures;
  }

  std::shared_ptr<FaultPlan> plan_ = std::make_shared<FaultPlan>();
  TestDocument doc_{false, std::make_shared<compound::FaultFileSystem>(compound::PosixFileSystem(), plan_)};
};

// Open, lock, each of three blocks, close: every one may fail, and each
// failure gives the runtime's error for it and takes the file away again.
TEST_F(ExportFaults, AFailureAtAnyCallLeavesNoFileAndSaysWhy) {
  // Two of Export's 1 MiB blocks and a part of a third.
  const std::string bytes = Pattern((2 << 20) + 5);
  doc_.PutStream(u"Images\\big", bytes);
  CFilesIO files;
  for (const auto kind : {FaultPlan::Kind::kDiskFull, FaultPlan::Kind::kIoError}) {
    const bool full = kind == FaultPlan::Kind::kDiskFull;
    const long points = FailEveryCall(kind, full ? "export, disk full" : "export, I/O error", [&](long& clean) {
      try {
        files.Export(u"Images\\big", doc_.Path("out"));
      } catch (const AutomationError& e) {
        const bool reported = e.number() == (full ? rt::kDiskFull : rt::kDeviceIoError) &&
                              e.source() == u"Vellora2.CFilesIO|Vellora.CFilesIO::Export" &&
                              e.description() == (full ? u"Disk full" : u"Device I/O error");
        EXPECT_TRUE(reported) << e.number() << " " << ToUtf8(e.source()) << " " << ToUtf8(e.description());
        EXPECT_FALSE(doc_.FileExists("out"));
        if (reported && !doc_.FileExists("out")) ++clean;
        return false;
      }
      return true;
    });
    EXPECT_EQ(points, 6);
    EXPECT_EQ(doc_.ReadFile("out"), bytes);
    std::remove(ToUtf8(doc_.Path("out")).c_str());
  }
}

// The help file's export keeps its errors to itself, and leaves no part of a
// file either.
TEST_F(ExportFaults, AHelpFileThatCannotBeWrittenLeavesNothing) {
  const std::string bytes = Pattern(1000);
  doc_.PutStream(u"Help\\QuiHelp.hlp", bytes);
  CHelpIO help;
  const long points = FailEveryCall(FaultPlan::Kind::kDiskFull, "help export, disk full", [&](long& clean) {
    help.Export(doc_.Path("help.hlp"));
    if (doc_.FileExists("help.hlp")) return true;
    ++clean;
    return false;
  });
  EXPECT_EQ(points, 4);
  EXPECT_EQ(doc_.ReadFile("help.hlp"), bytes);
}

}  // namespace
}  // namespace vellora2
