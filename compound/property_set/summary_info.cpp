#include "compound/property_set/summary_info.hpp"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "compound/errors.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2::compound {

// --- SummarySet ---

SummarySet::SummarySet(const Guid& fmtid) : fmtid_(fmtid) { stream_.FindOrAdd(fmtid, 0); }

SummarySet SummarySet::Parse(const Guid& fmtid, std::string_view bytes) {
  SummarySet set(fmtid);
  set.stream_ = PropertySetStream::Parse(bytes);  // with or without the section
  return set;
}

PropertyValue SummarySet::Value(uint32_t id) const {
  const PropertySection* section = stream_.Find(fmtid_);
  return section == nullptr ? PropertyValue{} : section->Value(id);
}

void SummarySet::Set(uint32_t id, const PropertyValue& value) {
  PropertySection& section = stream_.FindOrAdd(fmtid_, 0);
  if (section.Find(id) != nullptr && section.Value(id) == value) return;
  section.Set(id, value);
}

std::u16string SummarySet::Text(uint32_t id) const {
  PropertyValue v = Value(id);
  const std::u16string* text = std::get_if<std::u16string>(&v);
  return text == nullptr ? std::u16string() : *text;
}

void SummarySet::SetText(uint32_t id, std::u16string_view text) { Set(id, std::u16string(text)); }

FileTime SummarySet::Time(uint32_t id) const {
  PropertyValue v = Value(id);
  const FileTime* time = std::get_if<FileTime>(&v);
  return time == nullptr ? FileTime{} : *time;
}

void SummarySet::SetTime(uint32_t id, FileTime time) { Set(id, time); }

int32_t SummarySet::Number(uint32_t id) const {
  PropertyValue v = Value(id);
  const int32_t* n = std::get_if<int32_t>(&v);
  return n == nullptr ? 0 : *n;
}

void SummarySet::SetNumber(uint32_t id, int32_t value) { Set(id, value); }

// --- UserProperties ---

UserProperties::UserProperties() : section_(fmtid::kUserDefinedProperties) {}

UserProperties::UserProperties(const PropertySetStream& stream) : UserProperties() {
  if (const PropertySection* section = stream.Find(fmtid::kUserDefinedProperties)) section_ = *section;
}

std::vector<uint32_t> UserProperties::Ids() const {
  std::unordered_set<uint32_t> named;
  for (const DictionaryEntry& e : section_.dictionary()) named.insert(e.id);
  std::vector<uint32_t> ids;
  for (const Property& p : section_.properties()) {
    if (p.id >= pid::kFirstNamed && p.id < pid::kFirstReserved && named.contains(p.id)) ids.push_back(p.id);
  }
  return ids;
}

int32_t UserProperties::Count() const { return static_cast<int32_t>(Ids().size()); }

std::u16string UserProperties::Name(int32_t index) const {
  std::vector<uint32_t> ids = Ids();
  if (index < 0 || static_cast<size_t>(index) >= ids.size()) return {};
  return section_.Name(ids[static_cast<size_t>(index)]).value_or(u"");
}

PropertyValue UserProperties::Value(int32_t index) const {
  std::vector<uint32_t> ids = Ids();
  if (index < 0 || static_cast<size_t>(index) >= ids.size()) return {};
  return section_.Value(ids[static_cast<size_t>(index)]);
}

void UserProperties::Set(int32_t index, std::u16string_view name, const PropertyValue& value) {
  std::vector<uint32_t> ids = Ids();
  if (index < 0 || static_cast<size_t>(index) >= ids.size()) Raise(rt::kSubscriptOutOfRange, std::u16string(kErrorSource));
  const uint32_t id = ids[static_cast<size_t>(index)];
  if (section_.Value(id) != value) section_.Set(id, value);
  section_.SetName(id, name);
}

int32_t UserProperties::Add(std::u16string_view name, const PropertyValue& value) {
  std::vector<uint32_t> ids = Ids();
  for (size_t i = 0; i < ids.size(); ++i) {
    if (section_.SameName(section_.Name(ids[i]).value_or(u""), name)) {
      Set(static_cast<int32_t>(i), name, value);
      return static_cast<int32_t>(i);
    }
  }
  const uint32_t id = NewId();
  section_.Set(id, value);
  section_.SetName(id, name);
  return static_cast<int32_t>(ids.size());
}

uint32_t UserProperties::NewId() const {
  std::unordered_set<uint32_t> used;
  for (const Property& p : section_.properties()) used.insert(p.id);
  for (const DictionaryEntry& e : section_.dictionary()) used.insert(e.id);
  uint32_t highest = pid::kFirstNamed - 1;
  for (uint32_t id : used) {
    if (id <= pid::kLastUserDefined) highest = std::max(highest, id);
  }
  if (highest < pid::kLastUserDefined) return highest + 1;
  // The top identifier is taken: take the lowest free one, found within as many
  // steps as the section has properties.
  uint32_t id = pid::kFirstNamed;
  while (used.contains(id)) ++id;
  return id;
}

PropertySetStream WithUserSection(PropertySetStream base, const std::optional<PropertySection>& user) {
  base.FindOrAdd(fmtid::kDocSummaryInformation, 0);
  if (user) {
    base.Put(*user, 1);
  } else {
    base.Remove(fmtid::kUserDefinedProperties);
  }
  return base;
}

}  // namespace vellora2::compound
