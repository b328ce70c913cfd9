#include "platform/posix_platform.hpp"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "platform/scripted_platform.hpp"
#include "util/utility_test_support.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/platform/forwarding_platform.hpp"

namespace vellora2 {
namespace {

namespace fs = std::filesystem;

using testing::TempDir;

std::string ReadAll(std::FILE* f) {
  std::rewind(f);
  std::string s;
  for (int c; (c = std::fgetc(f)) != EOF;) s.push_back(static_cast<char>(c));
  return s;
}

TEST(PosixPlatform, MessageBoxWithoutATerminalAnswersTheDefaultButton) {
  std::FILE* in = std::tmpfile();
  std::FILE* err = std::tmpfile();
  PosixPlatform platform(in, stdout, err);
  EXPECT_EQ(platform.MessageBox(u"Save?", mb::kYesNoCancel | mb::kQuestion, u"Vellora"), mb::kYes);
  EXPECT_EQ(platform.MessageBox(u"Sure?", mb::kYesNo | mb::kDefaultButton2, u"Vellora"), mb::kNo);
  EXPECT_NE(ReadAll(err).find("Save? [no terminal"), std::string::npos);
  std::fclose(in);
  std::fclose(err);
  EXPECT_EQ(mb::DefaultAnswer(mb::kAbortRetryIgnore | mb::kDefaultButton3), mb::kIgnore);
  EXPECT_EQ(mb::DefaultAnswer(mb::kOkCancel | mb::kDefaultButton2), mb::kCancel);
}

TEST(PosixPlatform, MessageBoxAsksOnATerminal) {
  int master = -1, slave = -1;
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  std::FILE* in = ::fdopen(slave, "r");
  std::FILE* out = std::tmpfile();
  // A key that the box does not offer is asked again; then "n" answers No.
  const std::string keys = "o\nn\n";
  ASSERT_EQ(::write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  PosixPlatform platform(in, out, stderr);
  EXPECT_EQ(platform.MessageBox(u"Would you like to save?", mb::kYesNoCancel, u"Host"), mb::kNo);
  const std::string shown = ReadAll(out);
  EXPECT_NE(shown.find("Host: Would you like to save?"), std::string::npos);
  EXPECT_NE(shown.find("[Y]es, [N]o, [C]ancel"), std::string::npos);
  std::fclose(in);
  std::fclose(out);
  ::close(master);
}

TEST(PosixPlatform, PathsAndFiles) {
  TempDir dir;
  PosixPlatform p;
  const fs::path old_cwd = fs::current_path();
  fs::current_path(dir.path());
  EXPECT_EQ(p.FullPath(u"a/../b/./c.txt"), dir / "b/c.txt");
  EXPECT_EQ(p.FullPath(u"/x/y/../z"), u"/x/z");
  EXPECT_FALSE(p.FullPath(u"").has_value());
  fs::current_path(old_cwd);

  std::set<std::u16string> names;
  for (int i = 0; i < 20; ++i) {
    auto name = p.CreateTempFile(dir.u16(), u"vellora");
    ASSERT_TRUE(name.has_value());
    EXPECT_TRUE(fs::exists(ToUtf8(*name)));
    EXPECT_EQ(fs::path(ToUtf8(*name)).filename().string().substr(0, 3), "vel");
    names.insert(*name);
  }
  EXPECT_EQ(names.size(), 20u);
  EXPECT_FALSE(p.CreateTempFile(u"/nonexistent-folder", u"x").has_value());
  EXPECT_EQ(p.LastError(), 2);

  const fs::path file = dir.path() / ".hidden";
  std::ofstream(file) << "x";
  EXPECT_EQ(p.FileAttributes(FromUtf8(file.string())), 2 | 32);
  EXPECT_EQ(p.FileAttributes(dir.u16()), 16);
  EXPECT_EQ(p.FileAttributes(u"/no/such/file"), -1);

  EXPECT_EQ(p.SearchPath(dir.u16() + u":/tmp", u".hidden", u".txt"), FromUtf8(file.string()));
  std::ofstream(dir.path() / "notes.txt") << "x";
  EXPECT_EQ(p.SearchPath(u"/nonexistent;" + dir.u16(), u"notes", u".txt"), dir / "notes.txt");
  EXPECT_TRUE(p.SearchPath(u"", u"sh", u"").has_value());
  EXPECT_FALSE(p.SearchPath(u"/nonexistent", u"nothing", u".bin").has_value());
  EXPECT_EQ(p.TempFolder().back(), u'/');
}

TEST(PosixPlatform, EnvironmentExpansionInBothForms) {
  ::setenv("VELLORA2_TEST_HOME", "/home/v", 1);
  ::unsetenv("VELLORA2_TEST_NONE");
  PosixPlatform p;
  EXPECT_EQ(p.ExpandEnvironment(u"%VELLORA2_TEST_HOME%\\docs"), u"/home/v\\docs");
  EXPECT_EQ(p.ExpandEnvironment(u"$VELLORA2_TEST_HOME/docs and ${VELLORA2_TEST_HOME}x"),
            u"$VELLORA2_TEST_HOME/docs and ${VELLORA2_TEST_HOME}x");
  EXPECT_EQ(p.ExpandEnvironment(u"%VELLORA2_TEST_NONE% $VELLORA2_TEST_NONE 100% $"),
            u"%VELLORA2_TEST_NONE% $VELLORA2_TEST_NONE 100% $");
}

TEST(PosixPlatform, ClockAndIdentity) {
  PosixPlatform p;
  const uint32_t before = p.TickCount();
  ::usleep(20000);
  EXPECT_GE(p.TickCount() - before, 15u);
  EXPECT_EQ(p.Version() & 0x80000000u, 0u);
  EXPECT_GE(p.Version() & 0xFFu, 3u);
  EXPECT_TRUE(fs::exists(ToUtf8(p.ModuleFileName())));
  EXPECT_GE(p.Timer(), 0.0);
  EXPECT_LT(p.Timer(), 86400.0);
  EXPECT_EQ(p.LogicalDrives(), 4u);
}

TEST(Platform, CurrentIsPerThreadAndReplaceable) {
  auto scripted = std::make_shared<ScriptedPlatform>();
  auto old = SetCurrentPlatform(scripted);
  EXPECT_EQ(&CurrentPlatform(), scripted.get());
  std::thread([] {
    // A new thread starts without one, and what it sets stays its own.
    auto own = std::make_shared<ScriptedPlatform>();
    EXPECT_EQ(SetCurrentPlatform(own), nullptr);
    EXPECT_EQ(&CurrentPlatform(), own.get());
  }).join();
  EXPECT_EQ(&CurrentPlatform(), scripted.get());
  EXPECT_EQ(SetCurrentPlatform(old), scripted);
  EXPECT_NE(&CurrentPlatform(), scripted.get());
}

TEST(Platform, ForwardingPassesOnWhatItDoesNotAnswerItself) {
  // A host that answers message boxes itself and leaves everything else alone.
  class AnswersNo : public ForwardingPlatform {
   public:
    using ForwardingPlatform::ForwardingPlatform;
    int32_t MessageBox(std::u16string_view, int32_t, std::u16string_view) override { return mb::kNo; }
  };
  auto scripted = std::make_shared<ScriptedPlatform>();
  scripted->tick_count = 42;
  scripted->version = 0x0105;
  scripted->file_answers.emplace_back([](OpenFileNameRecord& record) {
    record.lpstrFile = u"/tmp/chosen";
    return true;
  });
  auto old = SetCurrentPlatform(scripted);
  // Without a target it takes the thread's platform of the moment.
  auto host = std::make_shared<AnswersNo>();
  EXPECT_EQ(&host->Target(), scripted.get());
  SetCurrentPlatform(host);
  Platform& p = CurrentPlatform();
  EXPECT_EQ(p.MessageBox(u"Save?", mb::kYesNoCancel, u"Host"), mb::kNo);
  EXPECT_TRUE(scripted->message_boxes.empty());
  EXPECT_EQ(p.TickCount(), 42u);
  EXPECT_EQ(p.Version(), 0x0105u);
  p.SetMousePointer(kPointerHourglass);
  EXPECT_EQ(scripted->pointer, kPointerHourglass);
  OpenFileNameRecord record;
  record.lpstrTitle = u"Open Project";
  EXPECT_TRUE(p.GetOpenFileName(record));
  EXPECT_EQ(record.lpstrFile, u"/tmp/chosen");
  ASSERT_EQ(scripted->open_file_dialogs.size(), 1u);
  EXPECT_EQ(scripted->open_file_dialogs[0].lpstrTitle, u"Open Project");
  EXPECT_EQ(p.ExpandEnvironment(u"plain"), u"plain");
  SetCurrentPlatform(old);
}

}  // namespace
}  // namespace vellora2
