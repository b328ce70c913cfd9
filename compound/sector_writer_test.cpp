#include "compound/sector_writer.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "compound/fault_file.hpp"
#include "compound/format.hpp"
#include "compound/test_support.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

using testing::ErrorOf;

constexpr uint32_t kSsz = 512;

class SectorWriterTest : public ::testing::Test {
 protected:
  // Sector s of the file (the first 512 bytes are the header's).
  std::vector<std::byte> SectorOf(uint32_t s) {
    const auto bytes = memory_->Contents("f");
    const size_t at = (size_t{s} + 1) * kSsz;
    if (bytes.size() < at + kSsz) return {};
    return {bytes.begin() + static_cast<ptrdiff_t>(at), bytes.begin() + static_cast<ptrdiff_t>(at + kSsz)};
  }
  static std::vector<std::byte> Filled(uint8_t value, size_t n = kSsz) {
    return std::vector<std::byte>(n, std::byte{value});
  }

  std::shared_ptr<MemoryFileSystem> memory_ = std::make_shared<MemoryFileSystem>();
  // A fault far away: the plan only counts the calls.
  std::shared_ptr<FaultPlan> plan_ = std::make_shared<FaultPlan>(FaultPlan{FaultPlan::Kind::kIoError, 1'000'000});
  FaultFileSystem fs_{memory_, plan_};
  std::shared_ptr<File> file_ = fs_.Open("f", OpenMode::kCreateNew);
};

TEST_F(SectorWriterTest, ASectorOutsideTheFormatsRangeFailsWithoutWriting) {
  SectorWriter w(*file_, kSsz);
  w.Put(3, Filled(1));
  EXPECT_EQ(ErrorOf([&] { w.Put(kFreeSect, Filled(2)); }), STG_E_CANTSAVE);
  EXPECT_EQ(ErrorOf([&] { w.PutInPlace(kMaxRegSect + 1, Filled(2)); }), STG_E_CANTSAVE);
  w.Flush();
  EXPECT_EQ(memory_->Contents("f").size(), 5u * kSsz);
}

TEST_F(SectorWriterTest, AdjacentSectorsGoOutInOneWriteAndGapsSplitIt) {
  SectorWriter w(*file_, kSsz);
  const auto in_place = Filled(0xAA);
  w.Put(3, Filled(1));
  w.Put(4, Filled(2, 10));  // short: the rest of the sector is zeros
  w.PutInPlace(5, in_place);
  EXPECT_EQ(plan_->calls, 0);  // nothing written before a run ends
  w.Put(9, Filled(4));         // not adjacent: the run 3..5 goes out
  EXPECT_EQ(plan_->calls, 1);
  w.Put(8, Filled(5));  // lower: not a continuation either
  EXPECT_EQ(plan_->calls, 2);
  w.Flush();
  EXPECT_EQ(plan_->calls, 3);
  w.Flush();  // nothing queued: no call
  EXPECT_EQ(plan_->calls, 3);

  EXPECT_EQ(SectorOf(3), Filled(1));
  auto padded = Filled(2, 10);
  padded.resize(kSsz, std::byte{0});
  EXPECT_EQ(SectorOf(4), padded);
  EXPECT_EQ(SectorOf(5), in_place);
  EXPECT_EQ(SectorOf(8), Filled(5));
  EXPECT_EQ(SectorOf(9), Filled(4));
}

TEST_F(SectorWriterTest, ALongRunIsCutAt256KiB) {
  SectorWriter w(*file_, kSsz);
  const uint32_t per_write = (256u << 10) / kSsz;
  for (uint32_t s = 0; s < 2 * per_write + 1; ++s) w.Put(s, Filled(static_cast<uint8_t>(s)));
  w.Flush();
  EXPECT_EQ(plan_->calls, 3);
  EXPECT_EQ(SectorOf(per_write), Filled(static_cast<uint8_t>(per_write)));
  EXPECT_EQ(SectorOf(2 * per_write), Filled(static_cast<uint8_t>(2 * per_write)));
}

TEST_F(SectorWriterTest, AFullDiskFailsTheWriteThatMeetsIt) {
  *plan_ = FaultPlan{FaultPlan::Kind::kDiskFull, 1};
  SectorWriter w(*file_, kSsz);
  w.Put(0, Filled(1));
  w.Put(1, Filled(2));
  w.Put(7, Filled(3));  // writes 0..1
  w.Put(8, Filled(4));
  EXPECT_EQ(ErrorOf([&] { w.Flush(); }), STG_E_MEDIUMFULL);
  EXPECT_EQ(SectorOf(1), Filled(2));
  // Torn: the first half of the failed run reached the file, no more.
  EXPECT_EQ(SectorOf(7), Filled(3));
  EXPECT_EQ(SectorOf(8), std::vector<std::byte>());
}

}  // namespace
}  // namespace vellora2::compound
