#include "vellora2/automation/object.hpp"

#include <algorithm>

#include "vellora2/automation/text.hpp"

namespace vellora2 {

Variant Object::GetProperty(std::u16string_view) const { Raise(rt::kNoSuchMember); }
void Object::SetProperty(std::u16string_view, const Variant&) { Raise(rt::kNoSuchMember); }
std::vector<Variant> Object::Items() const { Raise(rt::kNoSuchMember); }

bool CaseInsensitiveLess::operator()(std::u16string_view a, std::u16string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return ToUpper(x) < ToUpper(y); });
}

DynamicObject::DynamicObject(std::initializer_list<std::pair<const std::u16string, Variant>> properties)
    : properties_(properties) {}

Variant DynamicObject::GetProperty(std::u16string_view name) const {
  auto it = properties_.find(name);
  if (it == properties_.end()) Raise(rt::kNoSuchMember);
  return it->second;
}

void DynamicObject::SetProperty(std::u16string_view name, const Variant& value) {
  auto it = properties_.find(name);
  if (it == properties_.end()) {
    properties_.emplace(std::u16string(name), value);
  } else {
    it->second = value;
  }
}

bool DynamicObject::HasProperty(std::u16string_view name) const { return properties_.contains(name); }

void Collection::Add(const Variant& item, std::optional<std::u16string> key, std::optional<int32_t> before,
                     std::optional<int32_t> after) {
  constexpr int32_t kKeyInUse = 457;
  if (key && IndexOfKey(*key) != items_.size()) Raise(kKeyInUse, {}, u"This key is already associated with an element of this collection");
  if (before && after) Raise(rt::kInvalidCall);
  size_t pos = items_.size();
  if (before) {
    if (*before < 1 || *before > Count()) Raise(rt::kSubscriptOutOfRange);
    pos = static_cast<size_t>(*before - 1);
  } else if (after) {
    if (*after < 1 || *after > Count()) Raise(rt::kSubscriptOutOfRange);
    pos = static_cast<size_t>(*after);
  }
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(pos), Entry{item, std::move(key)});
}

const Variant& Collection::Item(int32_t index) const {
  if (index < 1 || index > Count()) Raise(rt::kSubscriptOutOfRange);
  return items_[static_cast<size_t>(index - 1)].item;
}

const Variant& Collection::Item(std::u16string_view key) const {
  const size_t i = IndexOfKey(key);
  if (i == items_.size()) Raise(rt::kInvalidCall);
  return items_[i].item;
}

void Collection::Remove(int32_t index) {
  if (index < 1 || index > Count()) Raise(rt::kSubscriptOutOfRange);
  items_.erase(items_.begin() + (index - 1));
}

void Collection::Remove(std::u16string_view key) {
  const size_t i = IndexOfKey(key);
  if (i == items_.size()) Raise(rt::kInvalidCall);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

Variant Collection::GetProperty(std::u16string_view name) const {
  if (ToUpper(name) == u"COUNT") return Variant(Count());
  return Object::GetProperty(name);
}

std::vector<Variant> Collection::Items() const {
  std::vector<Variant> out;
  out.reserve(items_.size());
  for (const auto& e : items_) out.push_back(e.item);
  return out;
}

size_t Collection::IndexOfKey(std::u16string_view key) const {
  const std::u16string upper = ToUpper(key);
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].key && ToUpper(*items_[i].key) == upper) return i;
  }
  return items_.size();
}

}  // namespace vellora2
