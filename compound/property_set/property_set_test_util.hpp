// Builders for property-set bytes in tests: sets laid out by hand, the way other
// programs write them, independent of the serializer under test.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compound/format.hpp"
#include "compound/property_set/property_set_format.hpp"

namespace vellora2::compound::test {

class Bytes {
 public:
  Bytes& U16(uint16_t v) {
    Append16(s_, v);
    return *this;
  }
  Bytes& U32(uint32_t v) {
    Append32(s_, v);
    return *this;
  }
  Bytes& Raw(std::string_view bytes) {
    s_ += bytes;
    return *this;
  }
  const std::string& str() const { return s_; }

 private:
  std::string s_;
};

inline std::string Padded(std::string s) {
  s.resize((s.size() + 3) / 4 * 4, '\0');
  return s;
}

// A type word followed by a 32-bit value (VT_I2 and VT_BOOL use the low half).
inline std::string TypedU32(uint16_t type, uint32_t value) { return Bytes().U32(type).U32(value).str(); }

// VT_LPSTR in Windows-1252, terminator counted.
inline std::string Lpstr(std::string_view text) {
  return Padded(
      Bytes().U32(0x1E).U32(static_cast<uint32_t>(text.size() + 1)).Raw(text).Raw(std::string(1, '\0')).str());
}

// VT_LPWSTR: character count with the terminator, UTF-16LE.
inline std::string Lpwstr(std::u16string_view text) {
  Bytes b;
  b.U32(0x1F).U32(static_cast<uint32_t>(text.size() + 1));
  for (char16_t c : text) b.U16(c);
  b.U16(0);
  return Padded(b.str());
}

// A section: the table in the order given, the values in that order or reversed.
inline std::string MakeSection(const std::vector<std::pair<uint32_t, std::string>>& props,
                               bool reverse_values = false) {
  std::vector<uint32_t> offsets(props.size());
  uint32_t at = static_cast<uint32_t>(8 + 8 * props.size());
  std::string values;
  for (size_t k = 0; k < props.size(); ++k) {
    size_t i = reverse_values ? props.size() - 1 - k : k;
    offsets[i] = at + static_cast<uint32_t>(values.size());
    values += Padded(props[i].second);
  }
  Bytes b;
  b.U32(static_cast<uint32_t>(8 + 8 * props.size() + values.size())).U32(static_cast<uint32_t>(props.size()));
  for (size_t i = 0; i < props.size(); ++i) b.U32(props[i].first).U32(offsets[i]);
  return b.Raw(values).str();
}

inline std::string MakeStream(const std::vector<std::pair<Guid, std::string>>& sections) {
  Bytes b;
  b.U16(0xFFFE).U16(0).U32(0x00020006).Raw(std::string(16, '\0')).U32(static_cast<uint32_t>(sections.size()));
  uint32_t at = static_cast<uint32_t>(28 + 20 * sections.size());
  for (const auto& [fmtid, body] : sections) {
    b.Raw({reinterpret_cast<const char*>(fmtid.bytes.data()), fmtid.bytes.size()}).U32(at);
    at += static_cast<uint32_t>(body.size());
  }
  for (const auto& section : sections) b.Raw(section.second);
  return b.str();
}

}  // namespace vellora2::compound::test
