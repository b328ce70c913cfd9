#include "vellora2/elements/cimagesio.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/test_document.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2 {
namespace {

using testing::TestDocument;

// A 2 x 3 GIF: signature, logical screen size, no colour table, trailer.
std::string Gif() { return std::string("GIF89a\x02\0\x03\0\0\0\0;", 14); }

std::vector<std::u16string> Names(const Variant& v) {
  const auto* names = v.array_if<std::u16string>();
  return names ? names->data() : std::vector<std::u16string>{};
}

TEST(CImagesIO, StoreLoadRenameAndList) {
  TestDocument doc;
  CImagesIO images;
  const auto gif = Picture::FromBytes(Gif());
  images.Store(*gif, u"logo");
  EXPECT_TRUE(images.Dirty());
  images.Store(*gif, u"LOGO");  // replaces: names are case-insensitive
  auto loaded = images.Load(u"logo");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->bytes(), gif->bytes());
  EXPECT_EQ(loaded->height(), 3);
  EXPECT_EQ(images.Load(u"missing"), nullptr);

  doc.PutStream(u"Images\\\x05SummaryInformation", "props");
  doc.PutStream(u"Images\\broken", "not a picture");
  EXPECT_EQ(images.Load(u"broken"), nullptr);
  EXPECT_EQ(Names(images.EnumStreams()), (std::vector<std::u16string>{u"LOGO", u"broken"}));

  images.Dirty(false);
  images.Rename(u"LOGO", u"LOGO");
  images.Rename(u"LOGO", u"");
  EXPECT_FALSE(images.Dirty());
  images.Rename(u"nothing", u"other");
  EXPECT_TRUE(images.Dirty());
  images.Rename(u"LOGO", u"mark");
  EXPECT_NE(images.Load(u"mark"), nullptr);
  EXPECT_EQ(images.Load(u"LOGO"), nullptr);
}

TEST(CImagesIO, FailuresAreSilentAndLeaveDirtyAlone) {
  TestDocument doc;
  CImagesIO images;
  EXPECT_TRUE(images.EnumStreams().IsEmpty());
  doc.root().DestroyElement(u"Images");
  images.Store(*Picture::FromBytes(Gif()), u"x");
  images.Rename(u"a", u"b");
  EXPECT_FALSE(images.Dirty());
  EXPECT_EQ(images.Load(u"x"), nullptr);
  EXPECT_TRUE(images.EnumStreams().IsEmpty());
}

TEST(CImagesIO, APictureFileStoredAsBytesLoadsBack) {
  TestDocument doc;
  CImagesIO images;
  doc.WriteFile("photo.gif", Gif());
  doc.root().DestroyElement(u"Images");  // StoreFile creates it again
  images.StoreFile(doc.Path("photo.gif"), u"photo");
  EXPECT_TRUE(images.Dirty());
  EXPECT_EQ(doc.StreamBytes(u"Images\\photo"), Gif());
  ASSERT_NE(images.Load(u"photo"), nullptr);
  EXPECT_EQ(images.Load(u"photo")->width(), 2);

  try {
    images.StoreFile(u"/no/such/file.gif", u"x");
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), rt::kFileNotFound);
    EXPECT_EQ(e.source(), u"Vellora2.CFilesIO|Vellora.CFilesIO::Import");
  }
}

}  // namespace
}  // namespace vellora2
