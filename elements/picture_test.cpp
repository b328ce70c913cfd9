#include "vellora2/elements/picture.hpp"

#include <gtest/gtest.h>

#include <string>

#include "elements/test_document.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2 {
namespace {

using testing::TestDocument;

std::string Be(uint32_t v, int n) {
  std::string out;
  for (int i = n - 1; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return out;
}

std::string Le(uint32_t v, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return out;
}

// The smallest files the published layouts allow for these tests.
std::string PngOf(uint32_t w, uint32_t h) {
  return std::string("\x89PNG\r\n\x1a\n", 8) + Be(13, 4) + "IHDR" + Be(w, 4) + Be(h, 4) + std::string("\x08\x06\0\0\0", 5) +
         Be(0x12345678, 4);
}
std::string GifOf(uint16_t w, uint16_t h) { return "GIF89a" + Le(w, 2) + Le(h, 2) + std::string("\0\0\0;", 4); }
std::string BmpOf(int32_t w, int32_t h) {
  return "BM" + Le(66, 4) + Le(0, 4) + Le(54, 4) + Le(40, 4) + Le(static_cast<uint32_t>(w), 4) +
         Le(static_cast<uint32_t>(h), 4) + Le(1, 2) + Le(24, 2) + std::string(24, '\0') + std::string(12, '\x7f');
}
std::string CoreBmpOf(uint16_t w, uint16_t h) { return "BM" + Le(38, 4) + Le(0, 4) + Le(26, 4) + Le(12, 4) + Le(w, 2) + Le(h, 2) + Le(1, 2) + Le(24, 2) + std::string(12, '\1'); }
// SOI, an APP0 segment, fill bytes, a DHT segment (C4, no size), then the baseline frame header.
std::string JpegOf(uint16_t w, uint16_t h) {
  return std::string("\xFF\xD8", 2) + "\xFF\xE0" + Be(16, 2) + std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14) +
         "\xFF\xFF\xFF\xC4" + Be(5, 2) + std::string("\0\0\0", 3) + "\xFF\xC0" + Be(17, 2) + "\x08" + Be(h, 2) +
         Be(w, 2) + std::string("\x03\x01\x22\0\x02\x11\x01\x03\x11\x01", 10) + "\xFF\xD9";
}

void ExpectInvalid(std::string bytes) {
  try {
    Picture::FromBytes(std::move(bytes));
    ADD_FAILURE() << "taken as a picture";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), kInvalidPicture);
  }
}

TEST(Picture, FormatAndSizeComeFromEachPublishedHeader) {
  struct Case {
    std::string bytes;
    PictureFormat format;
    int32_t width, height;
  };
  for (const auto& c : {Case{PngOf(640, 480), PictureFormat::Png, 640, 480},
                        Case{GifOf(3, 65535), PictureFormat::Gif, 3, 65535},
                        Case{BmpOf(100, -50), PictureFormat::Bmp, 100, 50},
                        Case{BmpOf(7, 9), PictureFormat::Bmp, 7, 9},
                        Case{CoreBmpOf(300, 2), PictureFormat::Bmp, 300, 2},
                        Case{JpegOf(1920, 1080), PictureFormat::Jpeg, 1920, 1080}}) {
    const auto p = Picture::FromBytes(c.bytes);
    EXPECT_EQ(p->format(), c.format);
    EXPECT_EQ(p->width(), c.width);
    EXPECT_EQ(p->height(), c.height);
    EXPECT_EQ(p->bytes(), c.bytes);
    EXPECT_EQ(p->GetProperty(u"WIDTH"), Variant(c.width));
  }
  EXPECT_EQ(Picture::FromBytes(JpegOf(1, 1))->GetProperty(u"Extension"), Variant(u".jpg"));
  EXPECT_THROW(Picture::FromBytes(GifOf(1, 1))->GetProperty(u"Pixels"), AutomationError);
}

TEST(Picture, AnythingTheHeaderDoesNotMakeCertainIsRefused) {
  ExpectInvalid("");
  ExpectInvalid("plain text, not an image");
  ExpectInvalid(PngOf(1, 1).substr(0, 23));
  ExpectInvalid(PngOf(0, 5));
  ExpectInvalid(PngOf(0x80000000u, 5));
  ExpectInvalid(GifOf(1, 1).substr(0, 9));
  ExpectInvalid(BmpOf(-3, 4));
  ExpectInvalid(BmpOf(3, 0));
  ExpectInvalid(JpegOf(0, 10));
  std::string scan_first = JpegOf(8, 8);
  scan_first[2 + 18 + 1] = '\xDA';  // the fill run ends in a scan before any frame
  ExpectInvalid(scan_first);
  std::string cut = JpegOf(8, 8);
  ExpectInvalid(cut.substr(0, cut.find("\xFF\xC0") + 6));
  std::string runaway = JpegOf(8, 8);
  runaway[4] = '\xFF';  // APP0 length far past the end
  ExpectInvalid(runaway);
}

TEST(PictureStream, WriteObjectIsSelfDescribingAndReadObjectTakesPlainFilesToo) {
  TestDocument doc;
  Stream s = doc.root().CreateStream(u"pic", testing::kEdit);
  const std::string old(500, 'z');  // longer than what follows: must be cut
  s.Write(std::as_bytes(std::span(old)));
  const auto png = Picture::FromBytes(PngOf(16, 32));
  WriteObject(s, *png);
  ASSERT_EQ(s.Length(), 24 + png->bytes().size());
  auto back = ReadObject(s);
  EXPECT_EQ(back->bytes(), png->bytes());
  EXPECT_EQ(back->width(), 16);
  EXPECT_EQ(back->height(), 32);

  std::string raw(s.Length(), '\0');
  s.SetPosition(0);
  s.Read(std::as_writable_bytes(std::span(raw)));
  EXPECT_EQ(raw.substr(0, 8), std::string("\x89VPIC\r\n\x1a", 8));
  EXPECT_EQ(raw.substr(8, 12), Le(1, 2) + Le(1, 2) + Le(16, 4) + Le(32, 4));
  EXPECT_EQ(raw.substr(20, 4), Le(static_cast<uint32_t>(png->bytes().size()), 4));

  // Damage is refused: a header that disagrees with its image, a cut stream, a newer version.
  const auto rewrite = [&](const std::string& bytes) {
    s.SetSize(0);
    s.SetPosition(0);
    s.Write(std::as_bytes(std::span(bytes)));
  };
  for (const auto& damaged : {raw.substr(0, 12) + Le(17, 4) + raw.substr(16), raw.substr(0, raw.size() - 1),
                              raw.substr(0, 8) + Le(2, 2) + raw.substr(10), raw.substr(0, 10) + Le(3, 2) + raw.substr(12),
                              raw.substr(0, 20)}) {
    rewrite(damaged);
    EXPECT_THROW(ReadObject(s), AutomationError);
  }

  // A plain image file, as StoreFile leaves it.
  rewrite(GifOf(5, 6));
  EXPECT_EQ(ReadObject(s)->format(), PictureFormat::Gif);
  rewrite("");
  EXPECT_THROW(ReadObject(s), AutomationError);
}

}  // namespace
}  // namespace vellora2
