#include "elements/pair_ends.hpp"

#include <gtest/gtest.h>

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

std::vector<uint32_t> Found(PairScan scan, const std::vector<uint8_t>& text, size_t from, size_t to, uint8_t first,
                            uint8_t second) {
  std::vector<uint32_t> out((to - from + 1) / 2 + kPairEndsSpare);
  out.resize(FindPairEnds(scan, text.data(), from, to, first, second, out.data()));
  return out;
}

std::vector<uint32_t> Expected(const std::vector<uint8_t>& text, size_t from, size_t to, uint8_t first,
                               uint8_t second) {
  std::vector<uint32_t> out;
  for (size_t i = std::max<size_t>(from, 1); i < to; ++i) {
    if (text[i] == second && text[i - 1] == first) out.push_back(static_cast<uint32_t>(i + 1));
  }
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
    for (const PairScan scan : Kinds()) {
      ASSERT_EQ(Found(scan, text, from, to, first, second), expected)
          << "kind " << static_cast<int>(scan) << ", bytes " << from << " to " << to << " of " << text.size();
    }
  }
}

}  // namespace
}  // namespace vellora2
