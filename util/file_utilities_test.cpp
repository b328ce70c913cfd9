#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "util/utility_test_support.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

using namespace std::string_literals;
using testing::ErrorOf;
using testing::TempDir;

TEST(Existence, FilesFoldersAndWildcards) {
  TempDir dir;
  dir.Write("a.txt", "x");
  std::filesystem::create_directory(dir.path() / "sub.d");
  GUtility u;
  EXPECT_TRUE(u.ExistFile(dir / "a.txt"));
  EXPECT_FALSE(u.ExistFile(dir / "sub.d"));
  EXPECT_FALSE(u.ExistFile(dir / "b.txt"));
  EXPECT_TRUE(u.ExistFileDir(dir / "sub.d"));
  EXPECT_FALSE(u.ExistFileDir(dir / "b.txt"));

  for (const char* spec : {"a.txt", "sub.d", "*.txt", "?.t?t", "sub.*", "sub.d/*.*"}) {
    EXPECT_TRUE(u.Exists(dir / spec)) << spec;  // the empty folder still lists "." and ".."
  }
  for (const char* spec : {"*.doc", "A.TXT", "missing/*"}) EXPECT_FALSE(u.Exists(dir / spec)) << spec;
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
  EXPECT_EQ(ErrorOf([&] { u.SaveFileStr(dir / "none/t.txt", u"x"); }), rt::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { u.GetFileText(dir / "missing.txt"); }), rt::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { u.GetFileText(dir.u16()); }), rt::kFileNotFound);  // a folder is no file
}

TEST(WholeFiles, IsRtfReadsFiveExactBytesAndLetsGo) {
  TempDir dir;
  GUtility u;
  dir.Write("r.rtf", "{\\rtf1\\ansi}");
  dir.Write("upper.rtf", "{\\RTF1");
  dir.Write("short.rtf", "{\\rt");
  EXPECT_TRUE(u.IsRTF(dir / "r.rtf"));
  EXPECT_FALSE(u.IsRTF(dir / "upper.rtf"));
  EXPECT_FALSE(u.IsRTF(dir / "short.rtf"));
  EXPECT_FALSE(u.IsRTF(dir / "missing.rtf"));
  // A writer is refused while a reader holds the file, so this shows IsRTF let go.
  EXPECT_EQ(u.SaveFileText(dir / "short.rtf", u"x"), 0);

  const int fd = ::open((dir.path() / "r.rtf").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_SH), 0);
  EXPECT_TRUE(u.IsRTF(dir / "r.rtf"));  // readers share
  EXPECT_EQ(u.SaveFileText(dir / "r.rtf", u"y"), rt::kPermissionDenied);
  EXPECT_EQ(dir.Read("r.rtf"), "{\\rtf1\\ansi}");
  ::close(fd);
}

}  // namespace
}  // namespace vellora2
