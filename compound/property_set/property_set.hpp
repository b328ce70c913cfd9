// A property-set stream in memory: parsed from bytes, edited, written back.
//
// The model keeps every property as the bytes it was stored with, so that a set
// written by another program comes back byte for byte, in the same order, except
// for the properties we change. Values are decoded on demand; Parse decodes every
// value of a known type once, so a damaged set fails when it is read rather than
// when one of its properties is asked for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "compound/property_set/property_set_format.hpp"
#include "vellora2/automation/date.hpp"

namespace vellora2::compound {

// A VT_FILETIME value: 100 ns ticks, since 1601-01-01 UTC for a point in time or
// from zero for a duration (the total edit time).
struct FileTime {
  uint64_t ticks = 0;

  friend bool operator==(FileTime, FileTime) = default;
};

// A property value as this layer understands it. monostate stands for VT_EMPTY,
// VT_NULL and every type we keep only as bytes (vectors, blobs, clipboard data).
using PropertyValue = std::variant<std::monostate, std::u16string, int32_t, double, bool, FileTime, Date>;

struct Property {
  uint32_t id = 0;
  // The stored value: type word, padding, value and its padding to 4 bytes. For
  // the dictionary (id 0) the dictionary itself, which has no type word.
  std::string bytes;
};

struct DictionaryEntry {
  uint32_t id = 0;
  std::u16string name;
};

class PropertySection {
 public:
  // An empty section, with the code page 1252 property that every section needs.
  explicit PropertySection(const Guid& fmtid);

  // `bytes` is the section from its size field on, no longer than the stream allows.
  // Throws AutomationError(STG_E_DOCFILECORRUPT) for a section that cannot be read.
  static PropertySection Parse(const Guid& fmtid, std::string_view bytes);
  std::string Serialize() const;

  const Guid& fmtid() const { return fmtid_; }
  // The properties in stored order, the dictionary and code page included.
  const std::vector<Property>& properties() const { return properties_; }
  const Property* Find(uint32_t id) const;

  // 1252 when the section does not say.
  uint16_t CodePage() const;

  // The decoded value; monostate when missing or of a type kept only as bytes.
  PropertyValue Value(uint32_t id) const;
  // Replaces the value in place (keeping its position) or appends the property;
  // a section without a code page gets the code page 1252 property first.
  // Text goes in as VT_LPSTR in the section's code page when the code page can hold
  // it, as VT_LPWSTR otherwise; monostate goes in as VT_EMPTY.
  void Set(uint32_t id, const PropertyValue& value);
  // Removes the property and its name.
  void Remove(uint32_t id);

  // Names of the properties, in stored order.
  const std::vector<DictionaryEntry>& dictionary() const { return dictionary_; }
  std::optional<std::u16string> Name(uint32_t id) const;
  // Adds or renames an entry; the dictionary property appears when first needed.
  void SetName(uint32_t id, std::u16string_view name);
  // Whether two names are the same to this section: case-insensitive unless the
  // section's behavior property says otherwise.
  bool SameName(std::u16string_view a, std::u16string_view b) const;

 private:
  Property* FindMutable(uint32_t id);
  void EnsureCodePage();
  void StoreDictionary();

  Guid fmtid_;
  std::vector<Property> properties_;
  std::vector<DictionaryEntry> dictionary_;
};

class PropertySetStream {
 public:
  // An empty stream: version 0, no sections.
  PropertySetStream() = default;

  // Throws AutomationError(STG_E_DOCFILECORRUPT) for bytes that are no property set.
  static PropertySetStream Parse(std::string_view bytes);
  std::string Serialize() const;

  const std::vector<PropertySection>& sections() const { return sections_; }
  const PropertySection* Find(const Guid& fmtid) const;
  PropertySection* Find(const Guid& fmtid);
  // The section with `fmtid`, added at `position` (clamped to the end) when missing.
  PropertySection& FindOrAdd(const Guid& fmtid, size_t position);
  // Replaces the section of the same FMTID, or adds it at `position`.
  void Put(PropertySection section, size_t position);
  void Remove(const Guid& fmtid);

 private:
  uint16_t version_ = 0;
  uint32_t system_identifier_ = kSystemIdentifier;
  Guid clsid_;
  std::vector<PropertySection> sections_;
};

// Throws AutomationError(STG_E_DOCFILECORRUPT) saying what is wrong.
[[noreturn]] void ThrowCorrupt(std::string_view what);

}  // namespace vellora2::compound
