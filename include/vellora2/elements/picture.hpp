// Picture: an image kept as the bytes of its file (PNG, JPEG, GIF or BMP), with
// the format and size read from the file's own header. The library never
// decodes pixels: it stores pictures and hands them back byte for byte.
//
// WriteObject and ReadObject put a picture into a document stream and take it
// out again, in the format that docs/picture-format.md describes. ReadObject
// also takes a stream that holds nothing but an image file's bytes, so a picture
// stored as a plain file loads like one written by WriteObject.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "vellora2/automation/object.hpp"

namespace vellora2 {

class Stream;

// The runtime's "Invalid picture" error.
inline constexpr int32_t kInvalidPicture = 481;

enum class PictureFormat : uint16_t {
  Png = 1,
  Jpeg = 2,
  Gif = 3,
  Bmp = 4,
};

class Picture : public Object {
 public:
  // The image file's bytes; error 481 when they are not a PNG, JPEG, GIF or BMP
  // image whose header gives its size.
  static std::shared_ptr<Picture> FromBytes(std::string bytes);
  // The bytes of the image file at `path` (UTF-16, as the Automation interface
  // passes paths); the runtime's file errors (53 when it is missing), then 481.
  static std::shared_ptr<Picture> FromFile(std::u16string_view path);

  PictureFormat format() const { return format_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // The image file, exactly as it was given.
  const std::string& bytes() const { return bytes_; }
  // The file-name extension that suits the format: ".png", ".jpg", ".gif", ".bmp".
  std::u16string_view extension() const;

  // Late-bound, read-only: "Width", "Height" (pixels), "Format" (its number)
  // and "Extension".
  Variant GetProperty(std::u16string_view name) const override;

 private:
  Picture(std::string bytes, PictureFormat format, int32_t width, int32_t height)
      : bytes_(std::move(bytes)), format_(format), width_(width), height_(height) {}

  std::string bytes_;
  PictureFormat format_;
  int32_t width_;
  int32_t height_;
};

// Replaces the content of `stream` (from its start) with the picture.
void WriteObject(Stream& stream, const Picture& picture);
// The picture in `stream`, read from its start: the WriteObject format or a
// plain image file. Error 481 for anything else.
std::shared_ptr<Picture> ReadObject(Stream& stream);

}  // namespace vellora2
