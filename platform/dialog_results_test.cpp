#include "platform/dialog_results.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "vellora2/automation/text.hpp"
#include "vellora2/platform/platform.hpp"

namespace vellora2::dialog {
namespace {

using namespace std::string_literals;

OpenFileNameRecord RecordWithRoom(uint32_t file, uint32_t title) {
  OpenFileNameRecord record;
  record.nMaxFile = file;
  record.nMaxFileTitle = title;
  return record;
}

TEST(DialogBuffers, TextEndsAtTheFirstNulAndBuffersArePaddedOrCut) {
  EXPECT_EQ(BufferText(u"name\0junk\0\0"s), u"name");
  EXPECT_EQ(BufferText(u"no nul"), u"no nul");
  EXPECT_EQ(BufferText(u"\0after"s), u"");
  EXPECT_EQ(ToBuffer(u"ab", 4), u"ab\0\0"s);
  EXPECT_EQ(ToBuffer(u"abcdef", 3), u"abc");
  EXPECT_EQ(ToBuffer(u"abc", 0), u"");
}

TEST(DialogFilters, PairsAreReadUntilTheEmptyItemAndBlankPatternsDropped) {
  const auto filters = ParseFilter(u"Text files\0 *.txt ; *.TEXT;\0Blank\0   \0All\0*.*\0\0Never\0*.x\0"s);
  ASSERT_EQ(filters.size(), 2U);
  EXPECT_EQ(filters[0].description, u"Text files");
  EXPECT_EQ(filters[0].patterns, (std::vector<std::u16string>{u"*.txt", u"*.TEXT"}));
  EXPECT_EQ(filters[1].description, u"All");
  EXPECT_EQ(filters[1].patterns, std::vector<std::u16string>{u"*.*"});
  // A list the host forgot to end, and a description without its patterns.
  EXPECT_EQ(ParseFilter(u"Docs\0*.qxv"s).size(), 1U);
  EXPECT_TRUE(ParseFilter(u"Docs\0"s).empty());
  EXPECT_TRUE(ParseFilter(u"").empty());
}

TEST(DialogFilters, MatchingIgnoresCaseAndTakesOnlyStarAndQuestionMarkAsWildcards) {
  const Filter text{u"Text", {u"*.txt", u"notes?.md"}};
  EXPECT_TRUE(MatchesFilter(u"README.TXT", text));
  EXPECT_TRUE(MatchesFilter(u"notes1.md", text));
  EXPECT_FALSE(MatchesFilter(u"notes12.md", text));
  EXPECT_FALSE(MatchesFilter(u"readme.txt.bak", text));
  // "*.*" takes names without a dot too.
  EXPECT_TRUE(MatchesFilter(u"Makefile", Filter{u"All", {u"*.*"}}));
  // Brackets and backslashes are ordinary characters in a file name.
  EXPECT_TRUE(MatchesFilter(u"report[1].txt", Filter{u"One", {u"report[1].*"}}));
  EXPECT_FALSE(MatchesFilter(u"report1.txt", Filter{u"One", {u"report[1].*"}}));
  EXPECT_TRUE(MatchesFilter(u"a\\b.txt", Filter{u"Odd", {u"a\\b.*"}}));
  // Case is ignored beyond ASCII as well, and "?" is one character, not one byte.
  EXPECT_TRUE(MatchesFilter(u"notes\u00E4.md", text));
  EXPECT_TRUE(MatchesFilter(u"\u00C4RGER.\u00D6L", Filter{u"Oil", {u"*.\u00F6l"}}));
}

TEST(DialogFilters, IndexKeepsTheFilterInUseWhenItMatches) {
  const auto filters = ParseFilter(u"Text\0*.txt\0Docs\0*.qxv;*.txt\0All\0*.*\0\0"s);
  EXPECT_EQ(FilterIndexFor(u"a.qxv", filters, 1), 2U);
  EXPECT_EQ(FilterIndexFor(u"a.txt", filters, 2), 2U);
  EXPECT_EQ(FilterIndexFor(u"a.txt", filters, 3), 3U);
  EXPECT_EQ(FilterIndexFor(u"a.txt", filters, 0), 1U);
  EXPECT_EQ(FilterIndexFor(u"a.txt", filters, 9), 1U);
  EXPECT_EQ(FilterIndexFor(u"a.bin", ParseFilter(u"Text\0*.txt\0\0"s), 7), 7U);
}

TEST(DialogNames, DefaultExtensionOnlyForANameWithoutOne) {
  EXPECT_EQ(WithDefaultExtension(u"/tmp/report", u"qxv"), u"/tmp/report.qxv");
  EXPECT_EQ(WithDefaultExtension(u"/tmp/report", u"..qxv"), u"/tmp/report.qxv");
  EXPECT_EQ(WithDefaultExtension(u"/tmp/report.txt", u"qxv"), u"/tmp/report.txt");
  EXPECT_EQ(WithDefaultExtension(u"/tmp/v1.2/report", u"qxv"), u"/tmp/v1.2/report.qxv");
  EXPECT_EQ(WithDefaultExtension(u"C:\\v1.2\\report", u"qxv"), u"C:\\v1.2\\report.qxv");
  EXPECT_EQ(WithDefaultExtension(u"/tmp/report", u""), u"/tmp/report");
  EXPECT_EQ(WithDefaultExtension(u"/tmp/report", u"."), u"/tmp/report");
  EXPECT_EQ(FileNameOf(u"/"), u"");
  EXPECT_EQ(FileNameOf(u"name"), u"name");
}

TEST(DialogChosenFiles, OneFileFillsPathTitleAndOffsets) {
  auto record = RecordWithRoom(64, 16);
  record.lpstrDefExt = u"qxv";
  record.Flags = cdlg::kOfnExtensionDifferent;
  ASSERT_EQ(StoreChosenFiles(record, {u"/home/ann/report.qxv"}), 0U);
  EXPECT_EQ(BufferText(record.lpstrFile), u"/home/ann/report.qxv");
  EXPECT_EQ(record.lpstrFile.size(), 64U);
  EXPECT_EQ(record.lpstrFileTitle, ToBuffer(u"report.qxv", 16));
  EXPECT_EQ(record.nFileOffset, 10);
  EXPECT_EQ(record.nFileExtension, 17);
  EXPECT_EQ(record.Flags & cdlg::kOfnExtensionDifferent, 0U);

  // Another extension is flagged, whatever the case; none at all leaves no offset.
  ASSERT_EQ(StoreChosenFiles(record, {u"/home/ann/report.txt"}), 0U);
  EXPECT_NE(record.Flags & cdlg::kOfnExtensionDifferent, 0U);
  ASSERT_EQ(StoreChosenFiles(record, {u"/home/ann/REPORT.QXV"}), 0U);
  EXPECT_EQ(record.Flags & cdlg::kOfnExtensionDifferent, 0U);
  ASSERT_EQ(StoreChosenFiles(record, {u"/home/ann/report"}), 0U);
  EXPECT_EQ(record.nFileExtension, 0);

  // A default extension given with its dot is the same extension.
  record.lpstrDefExt = u".qxv";
  ASSERT_EQ(StoreChosenFiles(record, {u"/home/ann/report.qxv"}), 0U);
  EXPECT_EQ(record.Flags & cdlg::kOfnExtensionDifferent, 0U);

  // Without a default extension nothing is different; without a title buffer none is written.
  auto plain = RecordWithRoom(32, 0);
  plain.Flags = cdlg::kOfnExtensionDifferent;
  ASSERT_EQ(StoreChosenFiles(plain, {u"/a.txt"}), 0U);
  EXPECT_EQ(plain.Flags & cdlg::kOfnExtensionDifferent, 0U);
  EXPECT_TRUE(plain.lpstrFileTitle.empty());
  EXPECT_EQ(plain.nFileOffset, 1);
}

TEST(DialogChosenFiles, SeveralFilesInBothFormsOrOnlyTheFirst) {
  const std::vector<std::u16string> chosen{u"/home/ann/a.txt", u"/home/ann/bb.qxv"};
  auto explorer = RecordWithRoom(40, 8);
  explorer.Flags = cdlg::kOfnAllowMultiSelect | cdlg::kOfnExplorer;
  ASSERT_EQ(StoreChosenFiles(explorer, chosen), 0U);
  EXPECT_EQ(explorer.lpstrFile.substr(0, 27), u"/home/ann\0a.txt\0bb.qxv\0\0\0\0\0"s);
  EXPECT_EQ(explorer.nFileOffset, 10);
  EXPECT_EQ(explorer.nFileExtension, 12);
  EXPECT_EQ(BufferText(explorer.lpstrFileTitle), u"a.txt");

  auto older = RecordWithRoom(40, 0);
  older.Flags = cdlg::kOfnAllowMultiSelect;
  ASSERT_EQ(StoreChosenFiles(older, chosen), 0U);
  EXPECT_EQ(BufferText(older.lpstrFile), u"/home/ann a.txt bb.qxv");
  EXPECT_EQ(older.nFileOffset, 10);

  // Files in the root folder keep its one slash.
  auto root = RecordWithRoom(40, 0);
  root.Flags = cdlg::kOfnAllowMultiSelect | cdlg::kOfnExplorer;
  ASSERT_EQ(StoreChosenFiles(root, {u"/a", u"/b"}), 0U);
  EXPECT_EQ(root.lpstrFile.substr(0, 7), u"/\0a\0b\0\0"s);
  EXPECT_EQ(root.nFileOffset, 2);

  // Without the multi-select flag only the first file is taken.
  auto single = RecordWithRoom(40, 0);
  single.Flags = cdlg::kOfnExplorer;
  ASSERT_EQ(StoreChosenFiles(single, chosen), 0U);
  EXPECT_EQ(BufferText(single.lpstrFile), u"/home/ann/a.txt");
}

TEST(DialogChosenFiles, NothingChosenOrNoRoomLeavesTheRecordAsItWas) {
  auto record = RecordWithRoom(15, 6);
  record.lpstrFile = ToBuffer(u"initial", 15);
  record.nFileOffset = 3;
  EXPECT_EQ(StoreChosenFiles(record, {}), cdlg::kErrDialogFailure);
  // The path needs its NUL: 15 characters do not fit a 15-character buffer.
  EXPECT_EQ(StoreChosenFiles(record, {u"/tmp/abcdefghij"}), cdlg::kErrBufferTooSmall);
  // Nor does a title of six characters fit six.
  EXPECT_EQ(StoreChosenFiles(record, {u"/abcdef"}), cdlg::kErrBufferTooSmall);
  // The explorer list's second NUL needs room too.
  auto several = RecordWithRoom(7, 0);
  several.Flags = cdlg::kOfnAllowMultiSelect | cdlg::kOfnExplorer;
  EXPECT_EQ(StoreChosenFiles(several, {u"/d/a", u"/d/b"}), cdlg::kErrBufferTooSmall);
  several.nMaxFile = 8;
  EXPECT_EQ(StoreChosenFiles(several, {u"/d/a", u"/d/b"}), 0U);
  EXPECT_EQ(BufferText(record.lpstrFile), u"initial");
  EXPECT_EQ(record.nFileOffset, 3);
  EXPECT_TRUE(record.lpstrFileTitle.empty());
}

TEST(DialogColors, ColorrefAndTextBothWaysAndBadTextRefused) {
  EXPECT_EQ(FormatColor(0x00563412), u"#123456");
  EXPECT_EQ(FormatColor(0xFF0000FF), u"#FF0000");
  uint32_t color = 7;
  ASSERT_TRUE(ParseColor(u"#123456", color));
  EXPECT_EQ(color, 0x00563412U);
  ASSERT_TRUE(ParseColor(u"aBcDeF", color));
  EXPECT_EQ(color, 0x00EFCDABU);
  for (const std::u16string_view bad :
       {u"", u"#", u"#12345", u"#1234567", u"##123456", u"#12345G", u"#12 456", u"#\uFF1123456"}) {
    color = 7;
    EXPECT_FALSE(ParseColor(bad, color)) << ToUtf8(bad);
    EXPECT_EQ(color, 7U);
  }
}

TEST(DialogPapers, CodesNamesAndSizesMapBothWays) {
  std::set<int16_t> codes;
  for (const auto& paper : Papers()) {
    EXPECT_TRUE(codes.insert(paper.code).second) << paper.code;
    EXPECT_EQ(PaperByCode(paper.code), &paper);
    // A name shared by several codes leads back to the first of them.
    const Paper* named = PaperByName(paper.name);
    ASSERT_NE(named, nullptr);
    EXPECT_LE(named->code, paper.code);
    EXPECT_EQ(std::string_view(named->name), paper.name);
  }
  EXPECT_EQ(codes.size(), 41U);
  EXPECT_EQ(*codes.begin(), 1);
  EXPECT_EQ(*codes.rbegin(), 41);
  EXPECT_EQ(PaperByName("iso_a4_210x297mm")->code, 9);
  EXPECT_EQ(PaperByName("na_letter_8.5x11in")->code, 1);
  EXPECT_EQ(PaperByCode(0), nullptr);
  EXPECT_EQ(PaperByCode(42), nullptr);
  EXPECT_EQ(PaperByCode(-1), nullptr);
  EXPECT_EQ(PaperByName(""), nullptr);
  EXPECT_EQ(PaperByName("ISO_A4_210X297MM"), nullptr);
  // Sizes within a millimetre, portrait or landscape.
  EXPECT_EQ(PaperBySize(210.4, 296.6)->code, 9);
  EXPECT_EQ(PaperBySize(297, 210)->code, 9);
  EXPECT_EQ(PaperBySize(215.9, 279.4)->code, 1);
  EXPECT_EQ(PaperBySize(212, 297), nullptr);
  EXPECT_EQ(PaperBySize(0, 0), nullptr);
}

TEST(MessageBoxDefaults, EachButtonSetAndDefaultButtonAndBadStyles) {
  EXPECT_EQ(mb::DefaultAnswer(mb::kOkOnly | mb::kDefaultButton3), mb::kOk);
  EXPECT_EQ(mb::DefaultAnswer(mb::kOkCancel), mb::kOk);
  EXPECT_EQ(mb::DefaultAnswer(mb::kOkCancel | mb::kDefaultButton3), mb::kCancel);
  EXPECT_EQ(mb::DefaultAnswer(mb::kAbortRetryIgnore | mb::kDefaultButton2 | mb::kCritical), mb::kRetry);
  EXPECT_EQ(mb::DefaultAnswer(mb::kYesNoCancel | mb::kDefaultButton3 | mb::kQuestion), mb::kCancel);
  EXPECT_EQ(mb::DefaultAnswer(mb::kYesNo | mb::kDefaultButton2), mb::kNo);
  EXPECT_EQ(mb::DefaultAnswer(mb::kRetryCancel), mb::kRetry);
  // Sets and default buttons the table does not know answer OK.
  EXPECT_EQ(mb::DefaultAnswer(6), mb::kOk);
  EXPECT_EQ(mb::DefaultAnswer(mb::kYesNo | 0x300), mb::kOk);
  EXPECT_EQ(mb::DefaultAnswer(-1), mb::kOk);
}

}  // namespace
}  // namespace vellora2::dialog
