// The public Stream: a byte position over one stream's Content.
#include <algorithm>
#include <bit>
#include <cstring>

#include "compound/errors.hpp"
#include "compound/handles.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/automation/variant.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace vellora2 {
namespace {

using compound::CompoundFile;
using compound::Fail;
using compound::StreamHandle;

// The number of bytes a Variant of this subtype occupies in a stream.
size_t WidthOf(const Variant& v) {
  switch (v.type()) {
    case VarType::Byte: return 1;
    case VarType::Integer:
    case VarType::Boolean: return 2;
    case VarType::Long:
    case VarType::Single: return 4;
    case VarType::Double:
    case VarType::Date: return 8;
    case VarType::String: return std::max<size_t>(1, v.get_if<std::u16string>()->size());
    default: break;
  }
  Raise(rt::kTypeMismatch, std::u16string(compound::kErrorSource));
}

uint64_t LittleEndian(const std::byte* p, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= std::to_integer<uint64_t>(p[i]) << (8 * i);
  return v;
}

void PutLittleEndian(std::byte* p, uint64_t v, size_t n) {
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<std::byte>((v >> (8 * i)) & 0xFF);
}

}  // namespace

// Inline, as every call on a stream starts here.
inline StreamHandle& Stream::handle() const {
  if (!handle_) [[unlikely]] Raise(rt::kObjectNotSet, std::u16string(compound::kErrorSource));
  return *handle_;
}

std::u16string Stream::Name() const { return handle().node().name; }

uint64_t Stream::Length() const { return handle().content().size(); }

int32_t Stream::Size() const {
  const uint64_t n = Length();
  if (n > static_cast<uint64_t>(INT32_MAX)) Raise(rt::kOverflow, std::u16string(compound::kErrorSource));
  return static_cast<int32_t>(n);
}

int32_t Stream::AtEnd() const {
  auto& h = handle();
  return h.position >= h.content().size() ? 1 : 0;
}

void Stream::Commit(int32_t) { handle().node(); }

int32_t Stream::Seek(int32_t offset, int32_t origin) {
  auto& h = handle();
  h.node();
  int64_t from = 0;
  if (origin == 1) {
    from = static_cast<int64_t>(h.position);
  } else if (origin != 0) {
    Fail(STG_E_INVALIDFUNCTION, "seek origin must be 0 (start) or 1 (current)");
  }
  const int64_t to = from + offset;
  if (to < 0) Fail(STG_E_INVALIDFUNCTION, "cannot seek before the start of the stream");
  if (to > INT32_MAX) Raise(rt::kOverflow, std::u16string(compound::kErrorSource));
  h.position = static_cast<uint64_t>(to);
  return static_cast<int32_t>(to);
}

uint64_t Stream::Position() const { return handle().position; }

void Stream::SetPosition(uint64_t position) {
  handle().node();
  handle().position = position;
}

size_t Stream::Read(std::span<std::byte> out) {
  auto& h = handle();
  h.RequireReadable();
  const size_t n = h.content().Read(h.position, out);
  h.position += n;
  return n;
}

void Stream::Write(std::span<const std::byte> data) {
  auto& h = handle();
  h.RequireWritable();
  if (h.position + data.size() > (uint64_t{1} << 43)) Fail(STG_E_MEDIUMFULL, "stream too large");
  // Large streams go straight to the document file, past its committed end.
  const CompoundFile& doc = h.level().compound_file();
  h.content().Write(h.position, data, doc.mode().write ? doc.container().get() : nullptr);
  h.position += data.size();
  h.level().NoteWrite(data.size());
}

void Stream::SetSize(uint64_t size) {
  auto& h = handle();
  h.RequireWritable();
  if (size > (uint64_t{1} << 43)) Fail(STG_E_MEDIUMFULL, "stream too large");
  h.content().Resize(size);
  h.level().NoteWrite(0);
}

void Stream::ReadValue(int32_t position, Variant& value) {
  auto& h = handle();
  h.RequireReadable();
  if (position < -1) Fail(STG_E_INVALIDFUNCTION, "negative stream position");
  const uint64_t at = position >= 0 ? static_cast<uint64_t>(position) : h.position;
  const size_t n = WidthOf(value);
  std::vector<std::byte> buf(n);
  if (h.content().Read(at, buf) != n) Fail(STG_E_READFAULT, "read past the end of the stream");
  h.position = at + n;
  const uint64_t raw = n <= 8 ? LittleEndian(buf.data(), n) : 0;
  switch (value.type()) {
    case VarType::Byte: value = Variant(static_cast<uint8_t>(raw)); break;
    case VarType::Integer: value = Variant(static_cast<int16_t>(raw)); break;
    // VARIANT_BOOL: 0 is False, anything else True (written as -1).
    case VarType::Boolean: value = Variant(raw != 0); break;
    case VarType::Long: value = Variant(static_cast<int32_t>(raw)); break;
    case VarType::Single: value = Variant(std::bit_cast<float>(static_cast<uint32_t>(raw))); break;
    case VarType::Double: value = Variant(std::bit_cast<double>(raw)); break;
    case VarType::Date: value = Variant(Date{std::bit_cast<double>(raw)}); break;
    default: {  // String: one byte per character
      std::string bytes(n, '\0');
      std::memcpy(bytes.data(), buf.data(), n);
      value = Variant(FromAnsi(bytes));
      break;
    }
  }
}

void Stream::WriteValue(int32_t position, const Variant& value) {
  auto& h = handle();
  h.RequireWritable();
  if (position < -1) Fail(STG_E_INVALIDFUNCTION, "negative stream position");
  if (position >= 0) h.position = static_cast<uint64_t>(position);
  std::vector<std::byte> buf(WidthOf(value));
  switch (value.type()) {
    case VarType::Byte: buf[0] = static_cast<std::byte>(*value.get_if<uint8_t>()); break;
    case VarType::Integer: PutLittleEndian(buf.data(), static_cast<uint16_t>(*value.get_if<int16_t>()), 2); break;
    case VarType::Boolean: PutLittleEndian(buf.data(), *value.get_if<bool>() ? 0xFFFF : 0, 2); break;
    case VarType::Long: PutLittleEndian(buf.data(), static_cast<uint32_t>(*value.get_if<int32_t>()), 4); break;
    case VarType::Single: PutLittleEndian(buf.data(), std::bit_cast<uint32_t>(*value.get_if<float>()), 4); break;
    case VarType::Double: PutLittleEndian(buf.data(), std::bit_cast<uint64_t>(*value.get_if<double>()), 8); break;
    case VarType::Date: PutLittleEndian(buf.data(), std::bit_cast<uint64_t>(value.get_if<Date>()->value), 8); break;
    default: {
      const std::string bytes = ToAnsi(*value.get_if<std::u16string>());
      if (bytes.empty()) return;  // nothing to write for ""
      std::memcpy(buf.data(), bytes.data(), bytes.size());
      break;
    }
  }
  Write(buf);
}

std::uintptr_t Stream::MapRange(int32_t first, int32_t last) {
  auto& h = handle();
  h.node();
  // MapRange(0, 1) is how callers give the mapping back.
  if (first == 0 && last == 1) {
    h.mapped.clear();
    h.mapped.shrink_to_fit();
    return 0;
  }
  if (first < 0 || last < first || static_cast<uint64_t>(last) >= h.content().size()) return 0;
  h.mapped.assign(static_cast<size_t>(last - first) + 1, std::byte{0});
  h.content().Read(static_cast<uint64_t>(first), h.mapped);
  return reinterpret_cast<std::uintptr_t>(h.mapped.data());
}

}  // namespace vellora2
