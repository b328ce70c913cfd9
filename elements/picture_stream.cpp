// The picture stream: a 24-byte header that says what the stream holds, then
// the image file's bytes unchanged. docs/picture-format.md is the reference.
#include <array>
#include <limits>
#include <string>
#include <string_view>

#include "vellora2/automation/error.hpp"
#include "vellora2/compound/storage_engine.hpp"
#include "vellora2/elements/picture.hpp"

namespace vellora2 {
namespace {

constexpr const char16_t* kSource = u"Vellora2.Picture";

// A byte with the high bit set first (so the stream is not taken for text),
// the name, then CR LF and the DOS end-of-file byte, which show at once whether
// a tool has converted line ends or cut the stream as text.
constexpr std::string_view kSignature("\x89VPIC\r\n\x1a", 8);
constexpr uint16_t kVersion = 1;
constexpr size_t kHeaderSize = 24;

void PutLe(std::string& out, uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetLe(std::string_view in, size_t at, size_t width) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(in[at + i])) << (8 * i);
  return value;
}

[[noreturn]] void Invalid() { Raise(kInvalidPicture, kSource, u"Invalid picture"); }

}  // namespace

void WriteObject(Stream& stream, const Picture& picture) {
  if (picture.bytes().size() > std::numeric_limits<uint32_t>::max()) Invalid();
  std::string header;
  header.reserve(kHeaderSize);
  header.append(kSignature);
  PutLe(header, kVersion, 2);
  PutLe(header, static_cast<uint16_t>(picture.format()), 2);
  PutLe(header, static_cast<uint32_t>(picture.width()), 4);
  PutLe(header, static_cast<uint32_t>(picture.height()), 4);
  PutLe(header, picture.bytes().size(), 4);
  stream.SetPosition(0);
  stream.SetSize(0);
  stream.Write(std::as_bytes(std::span(header)));
  stream.Write(std::as_bytes(std::span(picture.bytes())));
}

std::shared_ptr<Picture> ReadObject(Stream& stream) {
  const uint64_t length = stream.Length();
  // A picture stream holds at most a header and a 4 GB image; anything longer
  // is refused before memory is taken for it.
  if (length > kHeaderSize + uint64_t{std::numeric_limits<uint32_t>::max()}) Invalid();
  std::string bytes(static_cast<size_t>(length), '\0');
  stream.SetPosition(0);
  if (stream.Read(std::as_writable_bytes(std::span(bytes))) != bytes.size()) Invalid();
  if (std::string_view(bytes).substr(0, kSignature.size()) != kSignature) {
    return Picture::FromBytes(std::move(bytes));  // a plain image file
  }
  if (bytes.size() < kHeaderSize || GetLe(bytes, 8, 2) != kVersion || GetLe(bytes, 20, 4) != length - kHeaderSize) {
    Invalid();
  }
  const uint32_t format = GetLe(bytes, 10, 2);
  const uint32_t width = GetLe(bytes, 12, 4);
  const uint32_t height = GetLe(bytes, 16, 4);
  bytes.erase(0, kHeaderSize);
  auto picture = Picture::FromBytes(std::move(bytes));
  // The header repeats what the image says, for readers that list pictures
  // without parsing images; a disagreement means the stream was damaged.
  if (static_cast<uint32_t>(picture->format()) != format || static_cast<uint32_t>(picture->width()) != width ||
      static_cast<uint32_t>(picture->height()) != height) {
    Invalid();
  }
  return picture;
}

}  // namespace vellora2
