#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "elements/stream_window.hpp"
#include "elements/test_document.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/elements/cfilesio.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2 {
namespace {

using testing::TestDocument;

template <typename Body>
AutomationError ErrorOf(Body&& body) {
  try {
    body();
  } catch (const AutomationError& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return AutomationError(0, u"");
}

// A loaded stream holding `bytes`, directly under "Data".
class Loaded : public ::testing::Test {
 protected:
  void LoadWith(std::string_view bytes) {
    files_.CloseLoadedFile();
    doc_.PutStream(u"Data\\s", bytes);
    ASSERT_TRUE(files_.Load(u"Data\\s"));
  }
  std::vector<std::u16string> AllLines() {
    std::vector<std::u16string> lines;
    while (!files_.EOFStream()) lines.push_back(files_.GetLine());
    return lines;
  }
  void SetUp() override { doc_.root().CreateStorage(u"Data", testing::kEdit); }

  TestDocument doc_;
  CFilesIO files_;
};

TEST_F(Loaded, LoadCreatesWhatIsMissingAndCloseCommitsIt) {
  std::u16string name = u"\\New\\Deeper\\notes";
  EXPECT_FALSE(files_.Load(name));
  EXPECT_EQ(name, u"New\\Deeper\\notes");
  EXPECT_FALSE(files_.Dirty());
  files_.PutLine(u"kept");
  files_.CloseLoadedFile();
  EXPECT_EQ(doc_.StreamBytes(u"New\\Deeper\\notes"), "kept\r\n");
  EXPECT_TRUE(files_.Load(u"New\\Deeper\\notes"));
  EXPECT_EQ(files_.GetLine(), u"kept");

  // Directly under the root, the stream's storage is the root.
  EXPECT_FALSE(files_.Load(u"top"));
  files_.PutInFile(Variant(int32_t{0x01020304}));
  files_.CloseLoadedFile();
  EXPECT_EQ(doc_.StreamBytes(u"top"), std::string("\x04\x03\x02\x01", 4));

  files_.CloseLoadedFile();  // nothing loaded: nothing happens
  files_.Clear();
}

TEST_F(Loaded, GetLineEndsAtCrLfOrALoneCr) {
  LoadWith("A\r\nB");
  EXPECT_EQ(files_.GetLine(), u"A");
  EXPECT_EQ(files_.SeekInFile(), 3);
  EXPECT_EQ(files_.GetLine(), u"B");
  EXPECT_TRUE(files_.EOFStream());
  EXPECT_EQ(files_.GetLine(), u"");

  LoadWith("one\rtwo\r\n\r\nthree\r");
  EXPECT_EQ(AllLines(), (std::vector<std::u16string>{u"one", u"two", u"", u"three"}));

  // A lone CR before the stream's last byte: that byte is consumed with it.
  LoadWith("x\ry");
  EXPECT_EQ(files_.GetLine(), u"x");
  EXPECT_TRUE(files_.EOFStream());

  // Bytes are Windows-1252 characters.
  LoadWith("caf\xe9 \x80");
  EXPECT_EQ(files_.GetLine(), u"caf\u00e9 \u20ac");
}

TEST_F(Loaded, LinesOfEveryShortLengthKeepEveryCharacter) {
  // Lines are widened in blocks of 8 and 16 bytes, the last block overlapping
  // the one before: every length up to three blocks, plain and with a
  // Windows-1252 character at each place.
  std::string text;
  std::vector<std::u16string> expected;
  for (size_t n = 0; n <= 48; ++n) {
    std::string line;
    for (size_t i = 0; i < n; ++i) line += static_cast<char>('a' + i % 26);
    for (size_t high = 0; high <= n; ++high) {
      std::string variant = line;
      if (high < n) variant[high] = '\x80';
      text += variant + "\r\n";
      expected.push_back(FromAnsi(variant));
    }
  }
  LoadWith(text);
  EXPECT_EQ(AllLines(), expected);
}

TEST_F(Loaded, FilterQuotesKeepsLineEndsInsideQuotes) {
  const std::string text = "a \"q\r\nr\" b\r\nnext";
  LoadWith(text);
  EXPECT_EQ(AllLines(), (std::vector<std::u16string>{u"a \"q", u"r\" b", u"next"}));

  files_.FilterQuotes(true);
  files_.SeekInFile(0);
  EXPECT_EQ(AllLines(), (std::vector<std::u16string>{u"a \"q\r\nr\" b", u"next"}));

  // A line that starts with a quote is inside it from the first character.
  LoadWith("\"x\ry\"\rz\r\n");
  EXPECT_EQ(AllLines(), (std::vector<std::u16string>{u"\"x\ry\"", u"z"}));

  // A quoted section longer than the read-ahead, with line ends on both sides of its blocks.
  std::string quoted = "\"";
  for (int i = 0; i < 20000; ++i) quoted += "ab\r\n";
  LoadWith(quoted + "\"\r\nlast");
  const auto lines = AllLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], FromAnsi(quoted + "\""));
  EXPECT_EQ(lines[1], u"last");
}

TEST_F(Loaded, GetLineFromAPositionResetsTheCallersVariable) {
  LoadWith("0123\r\n5678\r\n");
  int32_t at = 7;
  EXPECT_EQ(files_.GetLine(at), u"678");
  EXPECT_EQ(at, -1);
  EXPECT_EQ(files_.GetLine(at), u"");
  EXPECT_EQ(files_.GetLine(0), u"0123");
}

TEST_F(Loaded, ReadAheadFollowsWritesAndLongLines) {
  // Lines longer than the read-ahead block, and a write behind the reader's back.
  const std::string longline(200000, 'L');
  LoadWith(longline + "\r\nsecond\r\nthird");
  EXPECT_EQ(files_.GetLine().size(), longline.size());
  EXPECT_EQ(files_.SeekInFile(), static_cast<int32_t>(longline.size() + 2));
  files_.PutInFile(Variant(u"SECOND"));
  files_.SeekInFile(static_cast<int32_t>(longline.size() + 2));
  EXPECT_EQ(files_.GetLine(), u"SECOND");
  Variant byte = uint8_t{0};
  files_.GetFromFile(byte);
  EXPECT_EQ(byte, Variant(uint8_t{'t'}));
  EXPECT_EQ(files_.GetLine(), u"hird");
  EXPECT_TRUE(files_.Dirty());
}

TEST_F(Loaded, LineEndsOnTheEdgeOfAReadAheadBlock) {
  const size_t block = StreamWindow::kBlock;
  // CR as a block's last byte, its LF the next block's first.
  LoadWith(std::string(block - 1, 'a') + "\r\nnext");
  EXPECT_EQ(AllLines(), (std::vector<std::u16string>{std::u16string(block - 1, u'a'), u"next"}));
  // A lone CR as a block's last byte: the next block's first byte starts a line.
  LoadWith(std::string(block - 1, 'b') + "\rzz\r\n");
  EXPECT_EQ(AllLines(), (std::vector<std::u16string>{std::u16string(block - 1, u'b'), u"zz"}));
  // ... or is consumed with it when it is the stream's last byte.
  LoadWith(std::string(block - 1, 'c') + "\ry");
  EXPECT_EQ(AllLines(), (std::vector<std::u16string>{std::u16string(block - 1, u'c')}));
  EXPECT_EQ(files_.SeekInFile(), static_cast<int32_t>(block + 1));

  // A line over three blocks, Windows-1252 characters on either side of the
  // block edges and among plain text.
  std::string line(2 * block + 100, 'p');
  for (const size_t at : {size_t{5}, block - 1, block, 2 * block - 2, 2 * block + 99}) line[at] = '\x80';
  line[block + 17] = '\xe9';
  LoadWith(line + "\r\n");
  EXPECT_EQ(AllLines(), (std::vector<std::u16string>{FromAnsi(line)}));

  // With FilterQuotes, a quoted CR that is the stream's last byte still ends
  // the line and is not part of it.
  files_.FilterQuotes(true);
  LoadWith("\"a\r");
  EXPECT_EQ(AllLines(), (std::vector<std::u16string>{u"\"a"}));
}

TEST_F(Loaded, ValuesAreReadByTheirSubtype) {
  LoadWith("");
  files_.PutInFile(Variant(int16_t{-2}), 4);
  files_.PutInFile(Variant(2.5));
  Variant i = int16_t{0};
  files_.GetFromFile(i, 4);
  EXPECT_EQ(i, Variant(int16_t{-2}));
  Variant d = 0.0;
  files_.GetFromFile(d);
  EXPECT_EQ(d, Variant(2.5));
  Variant s = u"xxxx";
  files_.GetFromFile(s, 0);
  EXPECT_EQ(s, Variant(std::u16string(4, u'\0')));
  EXPECT_EQ(files_.SeekInFile(), 4);
  EXPECT_FALSE(files_.EOFStream());
}

TEST_F(Loaded, TheLineIndexIsBuiltOnceAndRebuiltAfterWrites) {
  LoadWith("alpha\r\n\r\ngamma\r\ndelta");
  files_.GetLine();
  EXPECT_EQ(files_.GetNumLines(), 4);
  EXPECT_EQ(files_.GetLineByNum(1), u"alpha");
  EXPECT_EQ(files_.GetLineByNum(2), u"");
  EXPECT_EQ(files_.GetLineByNum(4), u"delta");
  EXPECT_EQ(files_.GetLineByByte(0), u"alpha");
  EXPECT_EQ(files_.GetLineByByte(6), u"alpha");  // the LF ending it
  EXPECT_EQ(files_.GetLineByByte(9), u"gamma");
  EXPECT_EQ(files_.GetLineByByte(20), u"delta");
  EXPECT_EQ(files_.SeekInFile(), 7) << "the index reads without moving";
  EXPECT_EQ(ErrorOf([&] { files_.GetLineByNum(5); }).number(), rt::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { files_.GetLineByByte(21); }).number(), rt::kSubscriptOutOfRange);

  files_.SeekInFile(21);
  files_.PutLine(u"");
  files_.PutLine(u"epsilon");
  EXPECT_EQ(files_.GetNumLines(), 5);
  EXPECT_EQ(files_.GetLineByNum(5), u"epsilon");

  // The index outlives Close and a Load of the same element, so a changed
  // stream seen only through a new Load is not re-read...
  files_.CloseLoadedFile();
  doc_.PutStream(u"Data\\s", "other");
  files_.Load(u"\\Data\\s");
  EXPECT_EQ(files_.GetNumLines(), 5);
  // ...while a Load of another element drops it.
  files_.CloseLoadedFile();
  doc_.PutStream(u"Data\\t", "just one");
  files_.Load(u"Data\\t");
  EXPECT_EQ(files_.GetNumLines(), 1);
  files_.Clear();
  EXPECT_EQ(files_.GetNumLines(), 0);
  files_.CloseLoadedFile();
  EXPECT_EQ(doc_.StreamBytes(u"Data\\t"), "");
}

TEST(LoadedStream, NothingLoadedGivesTheTextsAndFramesHostsKnow) {
  TestDocument doc;
  CFilesIO files;
  const std::u16string must = u"You must first Load an element in code.";
  struct Case {
    std::function<void()> call;
    std::u16string description;
    std::u16string source;
  };
  Variant v = int32_t{0};
  int32_t pos = 3;
  const std::vector<Case> cases{
      {[&] { files.SeekInFile(); }, must, u"Vellora2.CFilesIOVellora.CFilesIO::SeekInFile"},
      {[&] { files.GetLine(pos); }, must, u"Vellora2.CFilesIO|Vellora.CFilesIO::GetLine"},
      {[&] { files.GetLineByNum(1); }, must, u"Vellora2.CFilesIO"},
      {[&] { files.GetLineByByte(0); }, must, u"Vellora2.CFilesIO"},
      {[&] { files.GetNumLines(); }, must, u"Vellora2.CFilesIO"},
      {[&] { files.GetFromFile(v); }, must, u"Vellora2.CFilesIO|Vellora.CFilesIO::GetFromFile"},
      {[&] { files.PutInFile(v); }, must, u"Vellora2.CFilesIO|Vellora.CFilesIO::PutInFile"},
      {[&] { files.PutLine(u"x"); }, u"You must first Load and element in code.",
       u"Vellora2.CFilesIO|Vellora.CFilesIO::PutString"},
      {[&] { (void)files.EOFStream(); }, u"Stream not loaded.", u"Vellora2.CFilesIO"},
  };
  for (const auto& c : cases) {
    const auto e = ErrorOf(c.call);
    EXPECT_EQ(e.number(), ionotloaded) << ToUtf8(c.source);
    EXPECT_EQ(e.description(), c.description) << ToUtf8(c.source);
    EXPECT_EQ(e.source(), c.source);
  }
  EXPECT_EQ(pos, 3);
  EXPECT_FALSE(files.Dirty());
}

TEST(LoadedStream, AFailedLoadTranslatesTheStorageMessage) {
  TestDocument doc;
  CFilesIO files;
  doc.PutStream(u"plain", "x");
  const auto e = ErrorOf([&] { files.Load(u"plain\\inner\\s"); });
  EXPECT_EQ(e.number(), STG_E_FILENOTFOUND);
  EXPECT_EQ(e.description(), u"The file or the specified element (storage or stream) could not be found.");
  EXPECT_EQ(e.source(), u"Vellora2.Storage|Vellora.CFilesIO::CreatePath|Vellora.CFilesIO::Load");
  EXPECT_EQ(ErrorOf([&] { files.GetLine(); }).number(), ionotloaded);

  // A stream open elsewhere cannot be loaded; the nested frame is the engine's.
  Stream held = doc.root().OpenStream(u"plain", testing::kEdit);
  const auto busy = ErrorOf([&] { files.Load(u"plain"); });
  EXPECT_EQ(busy.number(), STG_E_ACCESSDENIED);
  EXPECT_EQ(busy.description(), StorageErrorText(STG_E_ACCESSDENIED, u"").ToString());
  EXPECT_EQ(busy.source(), u"Vellora2.Storage|Vellora.CFilesIO::Load");
}

}  // namespace
}  // namespace vellora2
