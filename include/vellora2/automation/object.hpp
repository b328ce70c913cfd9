// A minimal late-bound object: properties read and written by name, as Automation
// clients reach the host's controls (a form's MousePointer, an option button's
// Value and Index, a control's Left and Width).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vellora2/automation/variant.hpp"

namespace vellora2 {

class Object {
 public:
  virtual ~Object() = default;
  // Error 438 when the object has no such property.
  virtual Variant GetProperty(std::u16string_view name) const;
  virtual void SetProperty(std::u16string_view name, const Variant& value);
  // The items of an object that can be walked with For Each; error 438 otherwise.
  virtual std::vector<Variant> Items() const;
};

// Property names compare without regard to case, as late binding does.
struct CaseInsensitiveLess {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const;
};

// An object whose properties are whatever has been set on it: the stand-in for a
// host's control in tests and in hosts without one of their own.
class DynamicObject : public Object {
 public:
  DynamicObject() = default;
  DynamicObject(std::initializer_list<std::pair<const std::u16string, Variant>> properties);

  Variant GetProperty(std::u16string_view name) const override;
  void SetProperty(std::u16string_view name, const Variant& value) override;
  bool HasProperty(std::u16string_view name) const;

 private:
  std::map<std::u16string, Variant, CaseInsensitiveLess> properties_;
};

// The runtime's Collection: items with optional unique keys (case-insensitive),
// indexed from 1.
class Collection : public Object {
 public:
  // Error 457 for a key that is already in use; `before`/`after` are 1-based.
  void Add(const Variant& item, std::optional<std::u16string> key = std::nullopt,
           std::optional<int32_t> before = std::nullopt, std::optional<int32_t> after = std::nullopt);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // By 1-based index or by key; error 9 (index) or 5 (key) when absent.
  const Variant& Item(int32_t index) const;
  const Variant& Item(std::u16string_view key) const;
  void Remove(int32_t index);
  void Remove(std::u16string_view key);

  Variant GetProperty(std::u16string_view name) const override;  // Count
  std::vector<Variant> Items() const override;

 private:
  size_t IndexOfKey(std::u16string_view key) const;

  struct Entry {
    Variant item;
    std::optional<std::u16string> key;
  };
  std::vector<Entry> items_;
};

}  // namespace vellora2
