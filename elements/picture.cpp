// Recognising PNG, JPEG, GIF and BMP files from their published headers. Only
// the few bytes that give the format and the size are read; anything the header
// does not make certain is refused rather than guessed.
#include "vellora2/elements/picture.hpp"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/platform/platform.hpp"

namespace vellora2 {
namespace {

constexpr const char16_t* kSource = u"Vellora2.Picture";

struct ImageHeader {
  PictureFormat format;
  int64_t width;
  int64_t height;
};

uint32_t Byte(std::string_view b, size_t at) { return static_cast<uint8_t>(b[at]); }
uint32_t Be16(std::string_view b, size_t at) { return Byte(b, at) << 8 | Byte(b, at + 1); }
uint32_t Be32(std::string_view b, size_t at) { return Be16(b, at) << 16 | Be16(b, at + 2); }
uint32_t Le16(std::string_view b, size_t at) { return Byte(b, at) | Byte(b, at + 1) << 8; }
uint32_t Le32(std::string_view b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }

// PNG: the 8-byte signature, then the IHDR chunk (length, type, width, height
// as big-endian 32-bit numbers).
std::optional<ImageHeader> Png(std::string_view b) {
  constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
  if (b.size() < 24 || b.substr(0, 8) != kSignature || b.substr(12, 4) != "IHDR") return std::nullopt;
  return ImageHeader{PictureFormat::Png, Be32(b, 16), Be32(b, 20)};
}

// GIF: "GIF87a" or "GIF89a", then the logical screen's width and height.
std::optional<ImageHeader> Gif(std::string_view b) {
  if (b.size() < 10 || (b.substr(0, 6) != "GIF87a" && b.substr(0, 6) != "GIF89a")) return std::nullopt;
  return ImageHeader{PictureFormat::Gif, Le16(b, 6), Le16(b, 8)};
}

// BMP: "BM", a 14-byte file header, then the DIB header whose first field is its
// own size. The 12-byte core header has 16-bit sizes; the later ones 32-bit
// signed, where a negative height means rows stored top-down.
std::optional<ImageHeader> Bmp(std::string_view b) {
  if (b.size() < 26 || b.substr(0, 2) != "BM") return std::nullopt;
  const uint32_t dib = Le32(b, 14);
  if (dib == 12) return ImageHeader{PictureFormat::Bmp, Le16(b, 18), Le16(b, 20)};
  if (dib < 40) return std::nullopt;
  const auto width = static_cast<int32_t>(Le32(b, 18));
  const auto height = static_cast<int32_t>(Le32(b, 22));
  return ImageHeader{PictureFormat::Bmp, width, height < 0 ? -static_cast<int64_t>(height) : height};
}

// The start-of-frame markers that carry the image size: C0-CF except DHT (C4),
// JPG (C8) and DAC (CC).
bool IsStartOfFrame(uint32_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// JPEG: SOI, then segments (FF, marker, big-endian length that counts itself)
// until the frame header, which holds precision, height and width.
std::optional<ImageHeader> Jpeg(std::string_view b) {
  if (b.size() < 4 || Byte(b, 0) != 0xFF || Byte(b, 1) != 0xD8) return std::nullopt;
  size_t at = 2;
  while (at + 1 < b.size()) {
    if (Byte(b, at) != 0xFF) return std::nullopt;
    const uint32_t marker = Byte(b, at + 1);
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    at += 2;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // markers without a segment
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;          // end or scan before any frame
    if (at + 2 > b.size()) return std::nullopt;
    const uint32_t length = Be16(b, at);
    if (length < 2) return std::nullopt;
    if (IsStartOfFrame(marker)) {
      if (length < 7 || at + 7 > b.size()) return std::nullopt;
      return ImageHeader{PictureFormat::Jpeg, Be16(b, at + 5), Be16(b, at + 3)};
    }
    at += length;
  }
  return std::nullopt;
}

std::optional<ImageHeader> Identify(std::string_view b) {
  for (auto reader : {Png, Jpeg, Gif, Bmp}) {
    if (auto header = reader(b)) return header;
  }
  return std::nullopt;
}

bool Valid(int64_t size) { return size > 0 && size <= std::numeric_limits<int32_t>::max(); }

}  // namespace

std::shared_ptr<Picture> Picture::FromBytes(std::string bytes) {
  const auto header = Identify(bytes);
  if (!header || !Valid(header->width) || !Valid(header->height)) Raise(kInvalidPicture, kSource, u"Invalid picture");
  return std::shared_ptr<Picture>(new Picture(std::move(bytes), header->format, static_cast<int32_t>(header->width),
                                              static_cast<int32_t>(header->height)));
}

std::shared_ptr<Picture> Picture::FromFile(std::u16string_view path) {
  std::string bytes;
  if (const int32_t error = CurrentPlatform().ReadFile(path, std::numeric_limits<size_t>::max(), bytes)) {
    Raise(error, kSource);
  }
  return FromBytes(std::move(bytes));
}

std::u16string_view Picture::extension() const {
  switch (format_) {
    case PictureFormat::Png: return u".png";
    case PictureFormat::Jpeg: return u".jpg";
    case PictureFormat::Gif: return u".gif";
    case PictureFormat::Bmp: return u".bmp";
  }
  return u"";
}

Variant Picture::GetProperty(std::u16string_view name) const {
  const std::u16string key = ToLower(name);
  if (key == u"width") return Variant(width_);
  if (key == u"height") return Variant(height_);
  if (key == u"format") return Variant(static_cast<int32_t>(format_));
  if (key == u"extension") return Variant(extension());
  return Object::GetProperty(name);
}

}  // namespace vellora2
