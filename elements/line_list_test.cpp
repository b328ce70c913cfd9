#include "elements/line_list.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "vellora2/automation/error.hpp"

namespace vellora2 {
namespace {

std::vector<std::string> Lines(const LineList& list) {
  std::vector<std::string> out;
  for (int32_t n = 1; n <= list.Count(); ++n) out.emplace_back(list.Line(n));
  return out;
}

std::vector<int32_t> LineOfEveryByte(const LineList& list, size_t size) {
  std::vector<int32_t> out;
  for (size_t b = 0; b < size; ++b) out.push_back(list.LineOfByte(static_cast<int64_t>(b)));
  return out;
}

using V = std::vector<std::string>;

TEST(LineList, TheSettingsDecideTrailingTextEmptyLinesAndDelimiters) {
  const std::string text = "\r\none\r\n\r\ntwo\rstill\r\ntail";

  LineList usual("\r\n", {true, true, false});
  usual.SetText(text);
  EXPECT_EQ(Lines(usual), (V{"", "one", "", "two\rstill", "tail"}));

  LineList no_tail("\r\n", {false, true, false});
  no_tail.SetText(text);
  EXPECT_EQ(Lines(no_tail), (V{"", "one", "", "two\rstill"}));

  LineList no_empty("\r\n", {true, false, false});
  no_empty.SetText(text);
  EXPECT_EQ(Lines(no_empty), (V{"one", "two\rstill", "tail"}));

  LineList with_ends("\r\n", {true, true, true});
  with_ends.SetText(text);
  EXPECT_EQ(Lines(with_ends), (V{"\r\n", "one\r\n", "\r\n", "two\rstill\r\n", "tail"}));

  // A text that ends with its delimiter has no empty last line; nor has "".
  usual.SetText("a\r\nb\r\n");
  EXPECT_EQ(Lines(usual), (V{"a", "b"}));
  usual.SetText("");
  EXPECT_EQ(usual.Count(), 0);
  // A delimiter cut in half is text; longer delimiters work alike.
  usual.SetText("a\r");
  EXPECT_EQ(Lines(usual), (V{"a\r"}));
  LineList bars("||", {true, true, false});
  bars.SetText("a|b||c|||d");
  EXPECT_EQ(Lines(bars), (V{"a|b", "c", "|d"}));
}

TEST(LineList, EveryByteMapsToTheLineThatSelectsIt) {
  const std::string text = "ab\r\n\r\ncd\r\n";
  LineList usual("\r\n", {true, true, false});
  usual.SetText(text);
  EXPECT_EQ(LineOfEveryByte(usual, text.size()), (std::vector<int32_t>{1, 1, 1, 1, 2, 2, 3, 3, 3, 3}));

  // Skipped empty lines belong to the line before them, or the first line.
  LineList no_empty("\r\n", {true, false, false});
  no_empty.SetText("\r\nab\r\n\r\ncd");
  EXPECT_EQ(LineOfEveryByte(no_empty, 10), (std::vector<int32_t>{1, 1, 1, 1, 1, 1, 1, 1, 2, 2}));
  EXPECT_EQ(no_empty.Line(no_empty.LineOfByte(6)), "ab");

  for (int64_t outside : {int64_t{-1}, static_cast<int64_t>(text.size())}) {
    try {
      usual.LineOfByte(outside);
      ADD_FAILURE() << outside;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), rt::kSubscriptOutOfRange);
    }
  }
  EXPECT_THROW(usual.Line(0), AutomationError);
  EXPECT_THROW(usual.Line(4), AutomationError);
  usual.SetText("\r\n");
  EXPECT_EQ(usual.LineOfByte(1), 1);
  LineList none("\r\n", {true, false, false});
  none.SetText("\r\n\r\n");
  EXPECT_THROW(none.LineOfByte(0), AutomationError);
}

TEST(LineList, TextReadInBlocksSplitsAsOneText) {
  constexpr size_t kBlock = LineList::kBlock;
  // A CR LF cut by the edge of the first block, and a lone CR as the last byte
  // of the second, which stays text once the third shows that no LF follows.
  const std::string first(kBlock - 1, 'a');
  const std::string second(kBlock - 2, 'b');
  const std::string text = first + "\r\n" + second + "\rc\r\n";
  LineList usual("\r\n", {true, true, false});
  size_t at = 0;
  int calls = 0;
  usual.ReadText(text.size(), [&](std::span<char> into) {
    std::memcpy(into.data(), text.data() + at, into.size());
    at += into.size();
    ++calls;
  });
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(Lines(usual), (V{first, second + "\rc"}));
  EXPECT_EQ(usual.LineOfByte(static_cast<int64_t>(kBlock)), 1);
  EXPECT_EQ(usual.LineOfByte(static_cast<int64_t>(2 * kBlock - 1)), 2);

  // A reader that fails leaves a list without lines or text.
  EXPECT_THROW(usual.ReadText(10, [](std::span<char>) { Raise(rt::kOutOfMemory, u"test"); }), AutomationError);
  EXPECT_EQ(usual.Count(), 0);
  EXPECT_THROW(usual.LineOfByte(0), AutomationError);
}

// The lines as a search for one delimiter after another finds them, and where
// each starts.
struct Split {
  V lines;
  std::vector<size_t> starts;
};

Split SplitOneByOne(const std::string& text, const std::string& delimiter, LineList::Settings settings) {
  Split out;
  const auto add = [&](size_t start, size_t end) {
    out.lines.push_back(text.substr(start, end - start));
    out.starts.push_back(start);
  };
  size_t start = 0;
  for (size_t at; (at = text.find(delimiter, start)) != std::string::npos; start = at + delimiter.size()) {
    if (at > start || settings.keep_empty_lines) add(start, at + (settings.include_delimiter ? delimiter.size() : 0));
  }
  if (start < text.size() && settings.trailing_text_is_line) add(start, text.size());
  return out;
}

// The line that holds each byte: the last one that starts at or before it.
std::vector<int32_t> LinesOfBytes(const std::vector<size_t>& starts, size_t size) {
  std::vector<int32_t> out;
  for (size_t b = 0; b < size; ++b) {
    const auto after = std::upper_bound(starts.begin(), starts.end(), b) - starts.begin();
    out.push_back(static_cast<int32_t>(std::max<ptrdiff_t>(after, 1)));
  }
  return out;
}

TEST(LineList, EverySettingAgreesWithASearchOneDelimiterAtATime) {
  // Texts of many lengths, and one of several blocks, dense with CRs and
  // LFs, split with every setting and every few lines' starts kept; "\n\r"
  // takes the same way as "\r\n", "\r\r" and "\n" the way of any other
  // delimiter. Lines are looked up in order, backwards and at random, and
  // every byte of the short texts by offset.
  std::mt19937 random(23);
  std::vector<std::string> texts;
  texts.reserve(61);
  for (int i = 0; i < 60; ++i) texts.emplace_back(std::uniform_int_distribution<size_t>(0, 300)(random), 'a');
  texts.emplace_back(2 * LineList::kBlock + 100, 'a');
  for (auto& text : texts) {
    for (auto& c : text) c = "\r\nab"[std::uniform_int_distribution<int>(0, 3)(random)];
  }
  for (const std::string delimiter : {"\r\n", "\n\r", "\r\r", "\n"}) {
    for (int bits = 0; bits < 8; ++bits) {
      const LineList::Settings settings{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
      for (const uint32_t spacing : {1U, 3U, LineList::kSpacing}) {
        LineList list(delimiter, settings, spacing);
        for (const std::string& text : texts) {
          list.SetText(text);
          const Split expected = SplitOneByOne(text, delimiter, settings);
          const std::string where =
              "settings " + std::to_string(bits) + ", every " + std::to_string(spacing) + ", " +
              std::to_string(text.size()) + " bytes";
          ASSERT_EQ(Lines(list), expected.lines) << where;
          for (int32_t n = list.Count(); n >= 1; n -= 7) ASSERT_EQ(list.Line(n), expected.lines[n - 1]) << where;
          for (int i = 0; i < 20 && list.Count() > 0; ++i) {
            const int32_t n = std::uniform_int_distribution<int32_t>(1, list.Count())(random);
            ASSERT_EQ(list.Line(n), expected.lines[n - 1]) << where;
          }
          if (text.size() <= 300 && list.Count() > 0) {
            ASSERT_EQ(LineOfEveryByte(list, text.size()), LinesOfBytes(expected.starts, text.size())) << where;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace vellora2
