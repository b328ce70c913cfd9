#include <gtest/gtest.h>

#include "util/utility_test_support.hpp"
#include "vellora2/compound/storage_engine.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

TEST(ChildElements, StreamsAndStoragesAreToldApartWhateverTheCase) {
  testing::TempDir dir;
  StorageEngine engine;
  constexpr int32_t kChild = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
  Storage root = engine.CreateStorageFile(dir / "doc.qxv", STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE);
  root.CreateStream(u"Contents", kChild);
  Storage images = root.CreateStorage(u"Images", kChild);
  images.CreateStream(u"Logo", kChild);

  GUtility u;
  EXPECT_EQ(u.ExistStream(root, u"CONTENTS"), Variant(true));
  EXPECT_EQ(u.ExistStorage(root, u"contents"), Variant(false));
  EXPECT_EQ(u.ExistStorage(root, u"IMAGES"), Variant(true));
  EXPECT_EQ(u.ExistStream(root, u"Images"), Variant(false));
  // Only direct children count.
  EXPECT_EQ(u.ExistStream(root, u"Logo"), Variant(false));
  EXPECT_EQ(u.ExistStream(images, u"logo"), Variant(true));
  Storage empty = images.CreateStorage(u"Empty", kChild);
  EXPECT_EQ(u.ExistStream(empty, u""), Variant(false));

  Storage nothing;
  EXPECT_THROW(u.ExistStream(nothing, u"Contents"), AutomationError);
}

}  // namespace
}  // namespace vellora2
