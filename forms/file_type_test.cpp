#include "forms/file_type.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vellora2::forms {
namespace {

namespace fs = std::filesystem;

TEST(FileType, UnknownExtensionsKeepTheirCapitalisedForm) {
  EXPECT_EQ(FileTypeText(u".zqxv7"), u"ZQXV7 File");
  EXPECT_EQ(FileTypeText(u".Zq_x"), u"ZQ_X File");
  EXPECT_EQ(FileTypeText(u""), u" File");
  // Capitals by the Unicode rules, which the module's ICU knows.
  EXPECT_EQ(FileTypeText(u".\u00e9t\u00e9"), u"\u00c9T\u00c9 File");
}

#ifdef VELLORA2_HAVE_GIO
TEST(FileType, KnownExtensionsShowTheDesktopsDescription) {
  if (!fs::exists("/usr/share/mime/mime.cache")) GTEST_SKIP() << "no shared MIME database";
  EXPECT_EQ(FileTypeText(u".png"), u"PNG image");
}
#endif

// Our package, taken into the user's MIME database that ctest points
// XDG_DATA_HOME at (GLib reads that variable once, at its first use).
TEST(MimePackage, NamesOurDocuments) {
  if (std::getenv("VELLORA2_TEST_MIME") == nullptr) GTEST_SKIP() << "VELLORA2_TEST_MIME is not set";
  const char* data_home = std::getenv("XDG_DATA_HOME");
  ASSERT_NE(data_home, nullptr) << "XDG_DATA_HOME is not set";
  const fs::path mime = fs::path(data_home) / "mime";
  fs::remove_all(mime);
  fs::create_directories(mime / "packages");
  fs::copy_file(VELLORA2_MIME_PACKAGE, mime / "packages" / "vellora2-qxv.xml");
  const char* program = std::getenv("UPDATE_MIME_DATABASE");
  ASSERT_NE(program, nullptr) << "UPDATE_MIME_DATABASE is not set";
  const std::string update = std::string(program) + " " + mime.string();
  ASSERT_EQ(std::system(update.c_str()), 0) << update;
  EXPECT_EQ(FileTypeText(u".qxv"), u"Vellora document");
  EXPECT_EQ(FileTypeText(u".QXV"), u"Vellora document");
}

}  // namespace
}  // namespace vellora2::forms
