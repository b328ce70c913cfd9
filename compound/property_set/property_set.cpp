#include "compound/property_set/property_set.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <utility>

#include "compound/errors.hpp"
#include "compound/format.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

// --- little-endian access, every read checked against the end of its buffer ---

void Need(std::string_view bytes, size_t at, size_t count, std::string_view what) {
  if (at > bytes.size() || count > bytes.size() - at) ThrowCorrupt(what);
}

uint16_t U16(std::string_view b, size_t at, std::string_view what) {
  Need(b, at, 2, what);
  return Get16(BytesOf(b), at);
}

uint32_t U32(std::string_view b, size_t at, std::string_view what) {
  Need(b, at, 4, what);
  return Get32(BytesOf(b), at);
}

uint64_t U64(std::string_view b, size_t at, std::string_view what) {
  Need(b, at, 8, what);
  return Get64(BytesOf(b), at);
}

// Every value, every section and the dictionary end on a 4-byte boundary.
void PadTo4(std::string& out) { out.resize((out.size() + 3) & ~size_t{3}, '\0'); }

void PutType(std::string& out, uint16_t type) {
  Append16(out, type);
  Append16(out, 0);
}

// --- text in the section's code page ---

std::u16string FromUtf16Le(std::string_view b) {
  std::u16string text(b.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = U16(b, 2 * i, "text");
  return text;
}

std::string ToUtf16Le(std::u16string_view text) {
  std::string out;
  out.reserve(2 * text.size());
  for (char16_t c : text) Append16(out, c);
  return out;
}

std::u16string Decode8Bit(std::string_view b, uint16_t code_page) {
  return code_page == codepage::kUtf8 ? FromUtf8(b) : FromAnsi(b);
}

// Text as the section stores names and VT_LPSTR values, terminator included.
std::string EncodeInCodePage(std::u16string_view text, uint16_t code_page) {
  std::string out;
  if (code_page == codepage::kUtf16) {
    out = ToUtf16Le(text);
    out.append(2, '\0');
  } else {
    out = code_page == codepage::kUtf8 ? ToUtf8(text) : ToAnsi(text);
    out.push_back('\0');
  }
  return out;
}

// Whether `text` survives a trip through VT_LPSTR in `code_page`.
bool FitsCodePage(std::u16string_view text, uint16_t code_page) {
  if (text.find(u'\0') != std::u16string_view::npos) return false;
  switch (code_page) {
    case codepage::kUtf16:
      return true;
    case codepage::kUtf8:
      return FromUtf8(ToUtf8(text)) == text;
    case codepage::kWindows1252:
      return FromAnsi(ToAnsi(text)) == text;
    default:  // a code page we cannot encode
      return false;
  }
}

// Text up to its first terminator; a stored string must have one.
template <typename Char>
std::basic_string_view<Char> UpToTerminator(std::basic_string_view<Char> s) {
  size_t end = s.find(Char{0});
  if (end == s.npos) ThrowCorrupt("string without terminator");
  return s.substr(0, end);
}

// CodePageString (VT_LPSTR, VT_BSTR): uint32 byte count with the terminator, bytes.
std::u16string DecodeCodePageString(std::string_view value, uint16_t code_page) {
  uint32_t size = U32(value, 4, "string length");
  Need(value, 8, size, "string longer than its property");
  if (size == 0) return {};  // some writers store the empty string without a terminator
  std::string_view chars = value.substr(8, size);
  if (code_page == codepage::kUtf16) {
    if (size % 2 != 0) ThrowCorrupt("odd length of a UTF-16 string");
    std::u16string text = FromUtf16Le(chars);
    return std::u16string(UpToTerminator<char16_t>(text));
  }
  return Decode8Bit(UpToTerminator<char>(chars), code_page);
}

// UnicodeString (VT_LPWSTR): uint32 character count with the terminator, UTF-16.
std::u16string DecodeUnicodeString(std::string_view value) {
  uint32_t count = U32(value, 4, "string length");
  if (count > (value.size() - 8) / 2) ThrowCorrupt("string longer than its property");
  if (count == 0) return {};
  std::u16string text = FromUtf16Le(value.substr(8, 2 * size_t{count}));
  return std::u16string(UpToTerminator<char16_t>(text));
}

double DoubleFromBits(uint64_t bits) { return std::bit_cast<double>(bits); }

// `value` runs from the type word to the next property (or the end of the section).
PropertyValue DecodeValue(std::string_view value, uint16_t code_page) {
  Need(value, 0, 4, "property type");
  const uint16_t type = U16(value, 0, "property type");
  constexpr std::string_view kShort = "property value past its end";
  switch (type) {
    case kVtEmpty:
    case kVtNull:
      return std::monostate{};
    case kVtI1:
      return int32_t{static_cast<int8_t>(U16(value, 4, kShort) & 0xFF)};
    case kVtUi1:
      return int32_t{static_cast<uint8_t>(U16(value, 4, kShort) & 0xFF)};
    case kVtI2:
      return int32_t{static_cast<int16_t>(U16(value, 4, kShort))};
    case kVtUi2:
      return int32_t{U16(value, 4, kShort)};
    case kVtBool:
      return U16(value, 4, kShort) != 0;
    case kVtI4:
    case kVtInt:
      return static_cast<int32_t>(U32(value, 4, kShort));
    case kVtUi4:
    case kVtUint: {
      uint32_t v = U32(value, 4, kShort);
      if (v <= static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) return static_cast<int32_t>(v);
      return static_cast<double>(v);
    }
    case kVtError:
      U32(value, 4, kShort);
      return std::monostate{};
    case kVtR4:
      return static_cast<double>(std::bit_cast<float>(U32(value, 4, kShort)));
    case kVtR8:
      return DoubleFromBits(U64(value, 4, kShort));
    case kVtI8:
      return static_cast<double>(static_cast<int64_t>(U64(value, 4, kShort)));
    case kVtUi8:
      return static_cast<double>(U64(value, 4, kShort));
    case kVtCy:  // currency: a 64-bit integer of ten-thousandths
      return static_cast<double>(static_cast<int64_t>(U64(value, 4, kShort))) / 10000.0;
    case kVtDate:
      return Date{DoubleFromBits(U64(value, 4, kShort))};
    case kVtFiletime:
      return FileTime{U64(value, 4, kShort)};
    case kVtLpstr:
    case kVtBstr:
      return DecodeCodePageString(value, code_page);
    case kVtLpwstr:
      return DecodeUnicodeString(value);
    default:  // vectors, arrays, blobs, clipboard data: kept as bytes only
      return std::monostate{};
  }
}

std::string EncodeString(std::u16string_view text, uint16_t code_page) {
  std::string out;
  if (FitsCodePage(text, code_page)) {
    std::string chars = EncodeInCodePage(text, code_page);
    PutType(out, kVtLpstr);
    Append32(out, static_cast<uint32_t>(chars.size()));
    out += chars;
  } else {
    PutType(out, kVtLpwstr);
    Append32(out, static_cast<uint32_t>(text.size() + 1));
    out += ToUtf16Le(text);
    out.append(2, '\0');
  }
  PadTo4(out);
  return out;
}

std::string EncodeValue(const PropertyValue& value, uint16_t code_page) {
  std::string out;
  struct Visitor {
    std::string& out;
    uint16_t code_page;
    void operator()(std::monostate) const { PutType(out, kVtEmpty); }
    void operator()(const std::u16string& text) const { out = EncodeString(text, code_page); }
    void operator()(int32_t v) const {
      PutType(out, kVtI4);
      Append32(out, static_cast<uint32_t>(v));
    }
    void operator()(double v) const {
      PutType(out, kVtR8);
      Append64(out, std::bit_cast<uint64_t>(v));
    }
    void operator()(bool v) const {
      PutType(out, kVtBool);
      Append16(out, v ? 0xFFFF : 0);  // VARIANT_BOOL: -1 is true
      Append16(out, 0);
    }
    void operator()(FileTime v) const {
      PutType(out, kVtFiletime);
      Append64(out, v.ticks);
    }
    void operator()(Date v) const {
      PutType(out, kVtDate);
      Append64(out, std::bit_cast<uint64_t>(v.value));
    }
  };
  std::visit(Visitor{out, code_page}, value);
  return out;
}

// Dictionary: uint32 entry count, then per entry uint32 PID, uint32 length of the
// name in characters with its terminator, and the name in the section's code page.
// In a UTF-16 section each entry is padded to 4 bytes; otherwise only the whole.
std::vector<DictionaryEntry> DecodeDictionary(std::string_view b, uint16_t code_page) {
  uint32_t count = U32(b, 0, "dictionary size");
  if (count > (b.size() - 4) / 8) ThrowCorrupt("dictionary count past its end");
  std::vector<DictionaryEntry> entries;
  entries.reserve(count);
  size_t at = 4;
  for (uint32_t i = 0; i < count; ++i) {
    DictionaryEntry entry;
    entry.id = U32(b, at, "dictionary entry");
    uint32_t length = U32(b, at + 4, "dictionary entry");
    at += 8;
    size_t bytes = code_page == codepage::kUtf16 ? 2 * size_t{length} : length;
    Need(b, at, bytes, "dictionary name past its end");
    std::string_view name = b.substr(at, bytes);
    if (code_page == codepage::kUtf16) {
      entry.name = FromUtf16Le(name);
      entry.name.resize(std::min(entry.name.size(), entry.name.find(u'\0')));
      at = (at + bytes + 3) & ~size_t{3};
    } else {
      // Names are read up to a terminator if there is one: writers disagree on
      // whether the length counts it.
      entry.name = Decode8Bit(name.substr(0, name.find('\0')), code_page);
      at += bytes;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string EncodeDictionary(const std::vector<DictionaryEntry>& entries, uint16_t code_page) {
  std::string out;
  Append32(out, static_cast<uint32_t>(entries.size()));
  for (const DictionaryEntry& entry : entries) {
    std::string name = EncodeInCodePage(entry.name, code_page);
    Append32(out, entry.id);
    Append32(out, static_cast<uint32_t>(code_page == codepage::kUtf16 ? name.size() / 2 : name.size()));
    out += name;
    if (code_page == codepage::kUtf16) PadTo4(out);
  }
  PadTo4(out);
  return out;
}

}  // namespace

void ThrowCorrupt(std::string_view what) {
  Fail(STG_E_DOCFILECORRUPT, "The property set is damaged: " + std::string(what) + ".");
}

// --- PropertySection ---

PropertySection::PropertySection(const Guid& fmtid) : fmtid_(fmtid) { EnsureCodePage(); }

// Readers need the code page to read any 8-bit text; a section without one is
// read as 1252, so saying so changes nothing for what it already holds.
void PropertySection::EnsureCodePage() {
  if (Find(pid::kCodePage) != nullptr) return;
  std::string code_page;
  PutType(code_page, kVtI2);
  Append16(code_page, codepage::kWindows1252);
  Append16(code_page, 0);
  properties_.insert(properties_.begin(), {pid::kCodePage, std::move(code_page)});
}

PropertySection PropertySection::Parse(const Guid& fmtid, std::string_view bytes) {
  uint32_t size = U32(bytes, 0, "section header");
  uint32_t count = U32(bytes, 4, "section header");
  if (size < kSectionHeaderSize || size > bytes.size()) ThrowCorrupt("section size past the stream");
  bytes = bytes.substr(0, size);
  if (count > (size - kSectionHeaderSize) / kPropertyTableEntrySize) ThrowCorrupt("property count past the section");
  const size_t table_end = kSectionHeaderSize + size_t{count} * kPropertyTableEntrySize;

  std::vector<uint32_t> offsets;
  offsets.reserve(count);
  PropertySection section(fmtid);
  section.properties_.clear();
  section.properties_.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t id = U32(bytes, kSectionHeaderSize + 8 * size_t{i}, "property table");
    uint32_t offset = U32(bytes, kSectionHeaderSize + 8 * size_t{i} + 4, "property table");
    if (offset < table_end || offset > size - 4) ThrowCorrupt("property offset outside the section");
    section.properties_.push_back({id, {}});
    offsets.push_back(offset);
  }
  // A value runs to the next value or to the end of the section. That takes in
  // padding and whatever a writer left between values, so an unchanged property
  // is written back exactly as it came, even one of a type we do not know.
  std::vector<uint32_t> sorted = offsets;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) ThrowCorrupt("two properties at one offset");
  for (uint32_t i = 0; i < count; ++i) {
    auto next = std::upper_bound(sorted.begin(), sorted.end(), offsets[i]);
    uint32_t end = next == sorted.end() ? size : *next;
    section.properties_[i].bytes = std::string(bytes.substr(offsets[i], end - offsets[i]));
  }

  const uint16_t code_page = section.CodePage();
  for (const Property& p : section.properties_) {
    if (p.id == pid::kDictionary) {
      section.dictionary_ = DecodeDictionary(p.bytes, code_page);
    } else {
      DecodeValue(p.bytes, code_page);
    }
  }
  return section;
}

std::string PropertySection::Serialize() const {
  std::string out;
  Append32(out, 0);  // size, known at the end
  Append32(out, static_cast<uint32_t>(properties_.size()));
  size_t offset = kSectionHeaderSize + properties_.size() * kPropertyTableEntrySize;
  for (const Property& p : properties_) {
    Append32(out, p.id);
    Append32(out, static_cast<uint32_t>(offset));
    offset += (p.bytes.size() + 3) & ~size_t{3};
  }
  for (const Property& p : properties_) {
    out += p.bytes;
    PadTo4(out);
  }
  std::string size;
  Append32(size, static_cast<uint32_t>(out.size()));
  out.replace(0, 4, size);
  return out;
}

const Property* PropertySection::Find(uint32_t id) const {
  auto it = std::find_if(properties_.begin(), properties_.end(), [id](const Property& p) { return p.id == id; });
  return it == properties_.end() ? nullptr : &*it;
}

Property* PropertySection::FindMutable(uint32_t id) { return const_cast<Property*>(Find(id)); }

uint16_t PropertySection::CodePage() const {
  const Property* p = Find(pid::kCodePage);
  if (p == nullptr) return codepage::kWindows1252;
  PropertyValue v = DecodeValue(p->bytes, codepage::kWindows1252);
  const int32_t* n = std::get_if<int32_t>(&v);
  // Stored as a signed 16-bit value: 65001 comes back as -535.
  return n == nullptr ? codepage::kWindows1252 : static_cast<uint16_t>(*n);
}

PropertyValue PropertySection::Value(uint32_t id) const {
  if (id == pid::kDictionary) return std::monostate{};
  const Property* p = Find(id);
  return p == nullptr ? PropertyValue{} : DecodeValue(p->bytes, CodePage());
}

void PropertySection::Set(uint32_t id, const PropertyValue& value) {
  EnsureCodePage();
  std::string bytes = EncodeValue(value, CodePage());
  if (Property* p = FindMutable(id)) {
    p->bytes = std::move(bytes);
  } else {
    properties_.push_back({id, std::move(bytes)});
  }
}

void PropertySection::Remove(uint32_t id) {
  std::erase_if(properties_, [id](const Property& p) { return p.id == id; });
  if (std::erase_if(dictionary_, [id](const DictionaryEntry& e) { return e.id == id; }) > 0) StoreDictionary();
}

std::optional<std::u16string> PropertySection::Name(uint32_t id) const {
  for (const DictionaryEntry& e : dictionary_) {
    if (e.id == id) return e.name;
  }
  return std::nullopt;
}

void PropertySection::SetName(uint32_t id, std::u16string_view name) {
  auto it = std::find_if(dictionary_.begin(), dictionary_.end(), [id](const DictionaryEntry& e) { return e.id == id; });
  if (it == dictionary_.end()) {
    dictionary_.push_back({id, std::u16string(name)});
  } else if (it->name != name) {
    it->name = name;
  } else {
    return;  // unchanged: keep the stored bytes
  }
  StoreDictionary();
}

bool PropertySection::SameName(std::u16string_view a, std::u16string_view b) const {
  PropertyValue behavior = Value(pid::kBehavior);
  if (const int32_t* v = std::get_if<int32_t>(&behavior); v != nullptr && *v == 1) return a == b;
  return ToUpper(a) == ToUpper(b);
}

void PropertySection::StoreDictionary() {
  EnsureCodePage();
  std::string bytes = EncodeDictionary(dictionary_, CodePage());
  if (Property* p = FindMutable(pid::kDictionary)) {
    p->bytes = std::move(bytes);
  } else {
    properties_.insert(properties_.begin(), {pid::kDictionary, std::move(bytes)});
  }
}

// --- PropertySetStream ---

PropertySetStream PropertySetStream::Parse(std::string_view bytes) {
  PropertySetStream stream;
  if (U16(bytes, 0, "stream header") != kByteOrderMark) ThrowCorrupt("wrong byte order mark");
  stream.version_ = U16(bytes, 2, "stream header");
  if (stream.version_ > 1) ThrowCorrupt("unknown version");
  stream.system_identifier_ = U32(bytes, 4, "stream header");
  Need(bytes, 8, 16, "stream header");
  std::memcpy(stream.clsid_.bytes.data(), bytes.data() + 8, 16);
  uint32_t count = U32(bytes, 24, "stream header");
  if (count > (bytes.size() - kStreamHeaderSize) / kSectionTableEntrySize) ThrowCorrupt("section count past the stream");
  const size_t table_end = kStreamHeaderSize + size_t{count} * kSectionTableEntrySize;

  std::vector<uint32_t> offsets;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t offset = U32(bytes, kStreamHeaderSize + size_t{i} * kSectionTableEntrySize + 16, "section table");
    if (offset < table_end || offset >= bytes.size()) ThrowCorrupt("section offset outside the stream");
    offsets.push_back(offset);
  }
  // Sections may not overlap: so the model never holds more than the stream's own
  // bytes, whatever the table claims. Checked before any section is copied.
  std::vector<std::pair<uint32_t, uint32_t>> extents;  // offset, size
  extents.reserve(offsets.size());
  for (uint32_t offset : offsets) extents.emplace_back(offset, U32(bytes, offset, "section header"));
  std::sort(extents.begin(), extents.end());
  for (size_t i = 1; i < extents.size(); ++i) {
    if (extents[i].first - extents[i - 1].first < extents[i - 1].second) ThrowCorrupt("sections overlap");
  }
  for (uint32_t i = 0; i < count; ++i) {
    Guid fmtid;
    std::memcpy(fmtid.bytes.data(), bytes.data() + kStreamHeaderSize + size_t{i} * kSectionTableEntrySize, 16);
    stream.sections_.push_back(PropertySection::Parse(fmtid, bytes.substr(offsets[i])));
  }
  return stream;
}

std::string PropertySetStream::Serialize() const {
  std::string out;
  Append16(out, kByteOrderMark);
  Append16(out, version_);
  Append32(out, system_identifier_);
  out.append(reinterpret_cast<const char*>(clsid_.bytes.data()), clsid_.bytes.size());
  Append32(out, static_cast<uint32_t>(sections_.size()));
  std::vector<std::string> bodies;
  size_t offset = kStreamHeaderSize + sections_.size() * kSectionTableEntrySize;
  for (const PropertySection& section : sections_) {
    bodies.push_back(section.Serialize());
    out.append(reinterpret_cast<const char*>(section.fmtid().bytes.data()), 16);
    Append32(out, static_cast<uint32_t>(offset));
    offset += bodies.back().size();
  }
  for (const std::string& body : bodies) out += body;
  return out;
}

const PropertySection* PropertySetStream::Find(const Guid& fmtid) const {
  for (const PropertySection& s : sections_) {
    if (s.fmtid() == fmtid) return &s;
  }
  return nullptr;
}

PropertySection* PropertySetStream::Find(const Guid& fmtid) {
  return const_cast<PropertySection*>(std::as_const(*this).Find(fmtid));
}

PropertySection& PropertySetStream::FindOrAdd(const Guid& fmtid, size_t position) {
  if (PropertySection* s = Find(fmtid)) return *s;
  position = std::min(position, sections_.size());
  return *sections_.insert(sections_.begin() + static_cast<std::ptrdiff_t>(position), PropertySection(fmtid));
}

void PropertySetStream::Put(PropertySection section, size_t position) {
  if (PropertySection* s = Find(section.fmtid())) {
    *s = std::move(section);
    return;
  }
  position = std::min(position, sections_.size());
  sections_.insert(sections_.begin() + static_cast<std::ptrdiff_t>(position), std::move(section));
}

void PropertySetStream::Remove(const Guid& fmtid) {
  std::erase_if(sections_, [&](const PropertySection& s) { return s.fmtid() == fmtid; });
}

}  // namespace vellora2::compound
