#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "util/file_test_support.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

using namespace std::string_literals;
using testing::TempDir;

TEST(Existence, FilesFoldersAndWildcards) {
  TempDir dir;
  dir.Write("a.txt", "x");
  std::filesystem::create_directory(dir.path() / "sub.d");
  GUtility u;

  EXPECT_TRUE(u.ExistFile(dir / "a.txt"));
  EXPECT_FALSE(u.ExistFile(dir / "sub.d"));
  EXPECT_FALSE(u.ExistFile(dir / "b.txt"));
  EXPECT_FALSE(u.ExistFile(u""));
  EXPECT_TRUE(u.ExistFileDir(dir / "a.txt"));
  EXPECT_TRUE(u.ExistFileDir(dir / "sub.d"));
  EXPECT_FALSE(u.ExistFileDir(dir / "b.txt"));

  EXPECT_TRUE(u.Exists(dir / "a.txt"));
  EXPECT_TRUE(u.Exists(dir / "sub.d"));
  EXPECT_TRUE(u.Exists(dir / "*.txt"));
  EXPECT_TRUE(u.Exists(dir / "?.t?t"));
  EXPECT_TRUE(u.Exists(dir / "sub.*"));
  EXPECT_TRUE(u.Exists(dir / "sub.d/*.*"));  // an empty folder still lists "." and ".."
  EXPECT_FALSE(u.Exists(dir / "*.doc"));
  EXPECT_FALSE(u.Exists(dir / "A.TXT"));  // the file system's case rules hold
  EXPECT_FALSE(u.Exists(dir / "missing/*"));
  EXPECT_FALSE(u.Exists(u""));
}

TEST(WholeFiles, TextRoundTripsAsWindows1252Bytes) {
  TempDir dir;
  GUtility u;
  const std::u16string text = u"caf\u00e9 \u20ac\r\n\0end"s;
  u.SaveFileStr(dir / "t.txt", text);
  EXPECT_EQ(dir.Read("t.txt"), "caf\xe9 \x80\r\n\0end"s);
  EXPECT_EQ(u.GetFileText(dir / "t.txt"), text);
  u.SaveFileStr(dir / "t.txt", u"");  // replacing empties the file first
  EXPECT_EQ(u.GetFileText(dir / "t.txt"), u"");

  EXPECT_EQ(u.SaveFileText(dir / "l.txt", u"line"), 0);
  EXPECT_EQ(dir.Read("l.txt"), "line\r\n");
  EXPECT_EQ(u.SaveFileText(dir / "none/l.txt", u"line"), rt::kPathNotFound);

  try {
    u.GetFileText(dir / "missing.txt");
    ADD_FAILURE() << "no error for a missing file";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), rt::kFileNotFound);
    EXPECT_EQ(e.source(), u"Vellora2.VBError");
  }
  EXPECT_THROW(u.GetFileText(dir.u16()), AutomationError);  // a folder is no file
  EXPECT_THROW(u.SaveFileStr(dir / "none/t.txt", u"x"), AutomationError);
}

TEST(WholeFiles, IsRtfReadsFiveExactBytesAndClosesTheFile) {
  TempDir dir;
  GUtility u;
  dir.Write("r.rtf", "{\\rtf1\\ansi}");
  dir.Write("upper.rtf", "{\\RTF1");
  dir.Write("short.rtf", "{\\rt");
  EXPECT_TRUE(u.IsRTF(dir / "r.rtf"));
  EXPECT_FALSE(u.IsRTF(dir / "upper.rtf"));
  EXPECT_FALSE(u.IsRTF(dir / "short.rtf"));
  EXPECT_FALSE(u.IsRTF(dir / "missing.rtf"));
  // Writers are kept out while a file is open for reading, so a successful write
  // shows that IsRTF let go of it.
  EXPECT_EQ(u.SaveFileText(dir / "short.rtf", u"x"), 0);
}

TEST(WholeFiles, AFileOpenElsewhereIsASharingConflict) {
  TempDir dir;
  dir.Write("busy.txt", "x");
  const int fd = ::open((dir.path() / "busy.txt").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_SH), 0);
  GUtility u;
  EXPECT_EQ(u.GetFileText(dir / "busy.txt"), u"x");  // readers share
  EXPECT_EQ(u.SaveFileText(dir / "busy.txt", u"y"), rt::kPermissionDenied);
  EXPECT_EQ(dir.Read("busy.txt"), "x");
  ::close(fd);
}

}  // namespace
}  // namespace vellora2
