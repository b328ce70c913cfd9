// The terminal dialogs: a pseudo-terminal plays the user; without a terminal
// every dialog is a cancel that is reported on standard error.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "dialogs/dialog_test_support.hpp"
#include "platform/posix_platform.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"

namespace vellora2 {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string Contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  std::array<char, 256> chunk{};
  while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), file) != nullptr) text += chunk.data();
  return text;
}

TEST(PosixDialogs, WithoutATerminalEveryDialogIsCancelledAndSaysSo) {
  std::FILE* in = std::tmpfile();
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  auto platform = std::make_shared<PosixPlatform>(in, out, err);
  auto previous = SetCurrentPlatform(platform);
  {
    GCommonDialog dialog;
    std::u16string name = u"x";
    int32_t index = 1;
    EXPECT_FALSE(dialog.VBGetOpenFileName(name, std::u16string(), true, false, false, false, u"All|*.*", index, u"",
                                          u"Open Project"));
    EXPECT_EQ(index, -1);
    EXPECT_FALSE(dialog.VBGetSaveFileName(name));
    int32_t color = 5, dc = 0;
    EXPECT_FALSE(dialog.VBChooseColor(color));
    DynamicObject font = FontObject(u"Sans", 10.0);
    EXPECT_FALSE(dialog.VBChooseFont(font));
    EXPECT_FALSE(dialog.VBPrintDlg(dc));
    EXPECT_FALSE(dialog.VBPageSetupDlg());
  }
  SetCurrentPlatform(previous);
  EXPECT_EQ(platform->CommDlgExtendedError(), 0u);
  const std::string said = Contents(err);
  EXPECT_NE(said.find("Open: Open Project [no terminal: the dialog was cancelled]\n"), std::string::npos) << said;
  for (const char* dialog : {"Save As", "Color", "Font", "Print", "Page Setup"}) {
    EXPECT_NE(said.find(std::string(dialog) + " [no terminal"), std::string::npos) << dialog;
  }
  EXPECT_EQ(Contents(out), "");
  for (std::FILE* f : {in, out, err}) std::fclose(f);
}

// A pseudo-terminal: what is typed reaches the platform's input as a user's
// lines would, and what the platform shows can be read back.
class TerminalDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    in_ = ::fdopen(::dup(slave_), "r");
    out_ = ::fdopen(::dup(slave_), "w");
    previous_ = SetCurrentPlatform(std::make_shared<PosixPlatform>(in_, out_, stderr));
    folder_ = fs::temp_directory_path() / ("vellora2-tty-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    std::ofstream(folder_ / "a.txt") << "a";
  }
  void TearDown() override {
    SetCurrentPlatform(previous_);
    std::fclose(in_);
    std::fclose(out_);
    ::close(slave_);
    ::close(master_);
    fs::remove_all(folder_);
  }

  void Type(const std::string& keys) {
    ASSERT_EQ(::write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }
  std::string Screen() {
    std::string text;
    std::array<char, 512> chunk{};
    ssize_t n = 0;
    while ((n = ::read(master_, chunk.data(), chunk.size())) > 0) text.append(chunk.data(), static_cast<size_t>(n));
    return text;
  }
  std::u16string Path(const char* name) const { return FromUtf8((folder_ / name).string()); }

  fs::path folder_;

 private:
  int master_ = -1;
  int slave_ = -1;
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
  std::shared_ptr<Platform> previous_;
};

TEST_F(TerminalDialogs, OpenAndSaveAskForNamesUntilTheyFit) {
  GCommonDialog dialog;
  // A missing file is refused; "a" finds a.txt through the default extension.
  Type("missing.txt\na\ny\n");
  std::u16string name, title, filter = u"Projects|*.qxv|Text|*.TXT";
  int32_t index = 1;
  bool read_only = false;
  ASSERT_TRUE(dialog.VBGetOpenFileName(name, title, true, false, read_only, false, filter, index,
                                       FromUtf8(folder_.string()), u"Open Project", u"txt"));
  EXPECT_EQ(name, Path("a.txt"));
  EXPECT_EQ(title, u"a.txt");
  EXPECT_TRUE(read_only);
  EXPECT_EQ(index, 2);  // the filter the chosen file matches
  EXPECT_EQ(filter, u"Text\0*.TXT"s);
  const std::string screen = Screen();
  EXPECT_NE(screen.find("== Open Project =="), std::string::npos) << screen;
  EXPECT_NE(screen.find("no such file"), std::string::npos) << screen;

  // Replacing a.txt is declined, so the dialog asks again.
  Type("a\nn\nb\n");
  name = u"";
  ASSERT_TRUE(dialog.VBGetSaveFileName(name, title, true, u"Text|*.txt", 1, FromUtf8(folder_.string()), u"", u"txt"));
  EXPECT_EQ(name, Path("b.txt"));
  EXPECT_NE(Screen().find("already exists. Replace it?"), std::string::npos);

  // An empty name is a cancel.
  Type("\n");
  name = u"";
  EXPECT_FALSE(dialog.VBGetSaveFileName(name, title));
}

TEST_F(TerminalDialogs, ColourFontPrintAndPageSetup) {
  GCommonDialog dialog;
  Type("102030\n");
  int32_t color = 0;
  ASSERT_TRUE(dialog.VBChooseColor(color));
  EXPECT_EQ(color, 0x302010);

  Type("DejaVu Serif\n14\nbold italic\n");
  DynamicObject font = FontObject(u"Sans", 10.0);
  ASSERT_TRUE(dialog.VBChooseFont(font));
  EXPECT_EQ(font.GetProperty(u"Name").ToString(), u"DejaVu Serif");
  EXPECT_EQ(font.GetProperty(u"Size").ToDouble(), 14.0);
  EXPECT_TRUE(font.GetProperty(u"Bold").ToBool());
  EXPECT_TRUE(font.GetProperty(u"Italic").ToBool());

  Type("laser\n2\ny\n3-4\n");
  int32_t dc = 0, from = 1, to = -1;
  int16_t copies = 1;
  bool collate = false;
  EPrintRange range = eprAll;
  ASSERT_TRUE(dialog.VBPrintDlg(dc, range, false, from, to, false, copies, false, true, false, collate));
  EXPECT_NE(dc, 0);
  EXPECT_EQ(range, eprPageNumbers);
  EXPECT_EQ(from, 3);
  EXPECT_EQ(to, 4);
  EXPECT_EQ(copies, 2);
  EXPECT_TRUE(collate);

  // Margins below their minimum are refused and asked again.
  Type("a4\nlandscape\n5 25 20 20\n30 25 20 20\n");
  int32_t left = 25, right = 25, top = 20, bottom = 20, min = 10;
  EPaperSize paper = epsLetter;
  EOrientation orientation = eoPortrait;
  ASSERT_TRUE(dialog.VBPageSetupDlg(0, false, false, false, false, left, min, right, min, top, min, bottom, min, paper,
                                    orientation, epqDraft, epsuMillimeters));
  EXPECT_EQ(left, 30);
  EXPECT_EQ(right, 25);
  EXPECT_EQ(paper, epsA4);
  EXPECT_EQ(orientation, eoLandscape);
  EXPECT_NE(Screen().find("cannot be smaller"), std::string::npos);
}

}  // namespace
}  // namespace vellora2
