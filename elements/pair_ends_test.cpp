#include "elements/pair_ends.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vellora2 {
namespace {

// Every kind this processor runs, the fastest included.
std::vector<PairScan> Kinds() {
  std::vector<PairScan> kinds;
  for (const PairScan scan : {PairScan::kPortable, PairScan::kSse2, PairScan::kAvx2, PairScan::kAvx512}) {
    if (Runs(scan)) kinds.push_back(scan);
  }
  return kinds;
}

std::vector<uint32_t> Expected(const std::vector<uint8_t>& text, size_t from, size_t to, uint8_t first,
                               uint8_t second) {
  std::vector<uint32_t> out;
  for (size_t i = std::max<size_t>(from, 1); i < to; ++i) {
    if (text[i] == second && text[i - 1] == first) out.push_back(static_cast<uint32_t>(i + 1));
  }
  return out;
}

// The offsets of every `spacing`-th pair, found in two calls that split the
// range at `middle` and go on counting.
std::vector<uint32_t> Found(PairScan scan, const std::vector<uint8_t>& text, size_t from, size_t to, uint8_t first,
                            uint8_t second, uint32_t spacing = 1, size_t middle = SIZE_MAX) {
  middle = std::clamp(middle, from, to);
  std::vector<uint32_t> out((middle - from + 1) / 2 / spacing + (to - middle + 1) / 2 / spacing + 2);
  uint64_t seen = 0;
  size_t n = FindPairEnds(scan, text.data(), from, middle, first, second, spacing, seen, out.data());
  n += FindPairEnds(scan, text.data(), middle, to, first, second, spacing, seen, out.data() + n);
  EXPECT_EQ(seen, Expected(text, from, to, first, second).size());
  out.resize(n);
  return out;
}

std::vector<uint32_t> EveryOne(const std::vector<uint32_t>& all, uint32_t spacing) {
  std::vector<uint32_t> out;
  for (size_t i = spacing - 1; i < all.size(); i += spacing) out.push_back(all[i]);
  return out;
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(PairEnds, EveryKindFindsThePairsOnChunkEdgesAndInCrowds) {
  EXPECT_TRUE(Runs(FastestPairScan()));
  // A CR ending one chunk of 64 and its LF starting the next; a CR just before
  // `from`; 40 line ends in one chunk; a CR as the last byte, whose LF is
  // not part of the text.
  std::string edge(63, 'a');
  edge += "\r\n";
  edge += std::string(100, 'b');
  std::string crowd;
  for (int i = 0; i < 40; ++i) crowd += "\r\n";
  const std::vector<uint8_t> texts[] = {Bytes(edge), Bytes(crowd + "x" + crowd), Bytes("ab\r\ncd\r")};
  for (const PairScan scan : Kinds()) {
    SCOPED_TRACE(static_cast<int>(scan));
    EXPECT_EQ(Found(scan, texts[0], 0, texts[0].size(), '\r', '\n'), (std::vector<uint32_t>{65}));
    EXPECT_EQ(Found(scan, texts[0], 64, texts[0].size(), '\r', '\n'), (std::vector<uint32_t>{65}));
    EXPECT_EQ(Found(scan, texts[0], 65, texts[0].size(), '\r', '\n'), (std::vector<uint32_t>{}));
    EXPECT_EQ(Found(scan, texts[1], 0, texts[1].size(), '\r', '\n'),
              Expected(texts[1], 0, texts[1].size(), '\r', '\n'));
    EXPECT_EQ(Found(scan, texts[1], 0, texts[1].size(), '\r', '\n').size(), 80U);
    EXPECT_EQ(Found(scan, texts[1], 0, texts[1].size(), '\r', '\n', 7, 30),
              EveryOne(Expected(texts[1], 0, texts[1].size(), '\r', '\n'), 7));
    EXPECT_EQ(Found(scan, texts[2], 0, texts[2].size(), '\r', '\n'), (std::vector<uint32_t>{4}));
    // An LF that starts the text has no CR before it.
    const std::vector<uint8_t> lf = Bytes("\n\r\n");
    EXPECT_EQ(Found(scan, lf, 0, lf.size(), '\r', '\n'), (std::vector<uint32_t>{3}));
    // The bytes after the text never make a pair, whatever the two bytes
    // are: here the second one is zero and the first its complement.
    const std::vector<uint8_t> high{0xFF, 0x00, 'a', 0xFF};
    EXPECT_EQ(Found(scan, high, 0, high.size(), 0xFF, 0x00), (std::vector<uint32_t>{2}));
  }
}

TEST(PairEnds, EveryKindAgreesWithAByteByByteSearchOnRandomText) {
  std::mt19937 random(22);
  const uint8_t alphabet[] = {'\r', '\n', 'a', 0, 0xFF};
  for (int round = 0; round < 300; ++round) {
    // Lengths around one, two and several chunks; the vector is exactly as
    // long as the text, so that a read past its end shows under ASan.
    std::vector<uint8_t> text(std::uniform_int_distribution<size_t>(0, 400)(random));
    for (auto& b : text) b = alphabet[std::uniform_int_distribution<size_t>(0, 4)(random)];
    const size_t from = std::uniform_int_distribution<size_t>(0, text.size())(random);
    const size_t to = std::uniform_int_distribution<size_t>(from, text.size())(random);
    const auto [first, second] =
        round % 2 == 0 ? std::pair<uint8_t, uint8_t>('\r', '\n') : std::pair<uint8_t, uint8_t>(0, 0xFF);
    const auto expected = Expected(text, from, to, first, second);
    const size_t middle = std::uniform_int_distribution<size_t>(from, to)(random);
    for (const PairScan scan : Kinds()) {
      for (const uint32_t spacing : {1U, 2U, 3U, 64U}) {
        ASSERT_EQ(Found(scan, text, from, to, first, second, spacing, middle), EveryOne(expected, spacing))
            << "kind " << static_cast<int>(scan) << ", bytes " << from << " to " << to << " split at " << middle
            << " of " << text.size() << ", every " << spacing;
      }
    }
  }
}

}  // namespace
}  // namespace vellora2
