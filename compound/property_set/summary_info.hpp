// The two standard property-set streams of a document, seen as documents use them:
// the summary information ("\005SummaryInformation": title, author, times, ...),
// the document summary information ("\005DocumentSummaryInformation": company,
// ...), and the user-defined properties, which live in the second section of the
// document summary stream and are named through that section's dictionary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compound/property_set/property_set.hpp"

namespace vellora2::compound {

// The summary information, or the first section of the document summary
// information: properties known by their identifier (pidsi::, piddsi::).
class SummarySet {
 public:
  // A new stream whose section holds only the code page.
  explicit SummarySet(const Guid& fmtid);
  // Throws AutomationError(STG_E_DOCFILECORRUPT) for a damaged stream. A stream without
  // the section reads as empty; the section is added when something is set.
  static SummarySet Parse(const Guid& fmtid, std::string_view bytes);

  const PropertySetStream& stream() const { return stream_; }

  // "" when missing or not text.
  std::u16string Text(uint32_t id) const;
  void SetText(uint32_t id, std::u16string_view text);
  // A point in time, or the total edit time as a duration; 0 when missing.
  FileTime Time(uint32_t id) const;
  void SetTime(uint32_t id, FileTime time);
  // The page, word and character counts; 0 when missing.
  int32_t Number(uint32_t id) const;
  void SetNumber(uint32_t id, int32_t value);

 private:
  PropertyValue Value(uint32_t id) const;
  // Setting a value equal to the stored one keeps the stored bytes.
  void Set(uint32_t id, const PropertyValue& value);

  Guid fmtid_;
  PropertySetStream stream_;
};

// The user-defined properties, by 0-based position: the properties of the section
// that have a name in its dictionary, in the order the section stores them.
// Unnamed properties (such as the targets of Office's linked properties) stay in
// the section untouched and are not counted.
class UserProperties {
 public:
  // An empty section.
  UserProperties();
  // The user-defined section of a document summary stream, or empty without one.
  explicit UserProperties(const PropertySetStream& stream);

  const PropertySection& section() const { return section_; }

  int32_t Count() const;
  // Out of range (negative included): "" and monostate.
  std::u16string Name(int32_t index) const;
  PropertyValue Value(int32_t index) const;
  // Renames and sets the property at `index`; its identifier and position stay.
  // Throws AutomationError(rt::kSubscriptOutOfRange) out of range.
  void Set(int32_t index, std::u16string_view name, const PropertyValue& value);
  // A name already present (compared as the section compares names, by default
  // without regard to case) has its name and value replaced in place; otherwise
  // the property is appended. Returns its position.
  int32_t Add(std::u16string_view name, const PropertyValue& value);

 private:
  std::vector<uint32_t> Ids() const;
  uint32_t NewId() const;

  PropertySection section_;
};

// The document summary stream `base` with `user` as its user-defined section (or
// without one), the document summary section first as readers expect.
PropertySetStream WithUserSection(PropertySetStream base, const std::optional<PropertySection>& user);

}  // namespace vellora2::compound
