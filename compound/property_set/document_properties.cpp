#include "compound/property_set/document_properties.hpp"

#include <algorithm>
#include <limits>

#include "compound/errors.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2::compound {
namespace {

std::optional<PropertySetStream> ReadStream(PropertyStreams& streams, std::u16string_view name) {
  std::optional<std::string> bytes = streams.Read(name);
  if (!bytes) return std::nullopt;
  return PropertySetStream::Parse(*bytes);
}

// Adds one to a string of decimal digits, keeping its width unless it overflows.
std::u16string Increment(std::u16string digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != u'9') {
      ++digits[i];
      return digits;
    }
    digits[i] = u'0';
  }
  return u"1" + digits;
}

}  // namespace

Date DateFromStoredTime(FileTime time) { return time.ticks == 0 ? Date{} : DateFromFileTime(time.ticks); }

FileTime StoredTimeFromDate(Date date) { return date.value == 0 ? FileTime{} : FileTime{FileTimeFromDate(date)}; }

Variant VariantFromPropertyValue(const PropertyValue& value) {
  struct Visitor {
    Variant operator()(std::monostate) const { return {}; }
    Variant operator()(const std::u16string& v) const { return v; }
    Variant operator()(int32_t v) const { return v; }
    Variant operator()(double v) const { return v; }
    Variant operator()(bool v) const { return v; }
    Variant operator()(FileTime v) const { return DateFromStoredTime(v); }
    Variant operator()(Date v) const { return v; }
  };
  return std::visit(Visitor{}, value);
}

PropertyValue PropertyValueFromVariant(const Variant& value) {
  if (value.IsArray()) Raise(rt::kTypeMismatch, std::u16string(kErrorSource));
  switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
      return std::u16string();
    case VarType::Boolean:
      return value.ToBool();
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
      return value.ToLong();
    case VarType::Single:
    case VarType::Double:
      return value.ToDouble();
    case VarType::Date:
      // Office keeps dates of user-defined properties as FILETIME.
      return StoredTimeFromDate(value.ToDate());
    case VarType::String:
      return value.ToString();
    default:
      break;
  }
  Raise(rt::kTypeMismatch, std::u16string(kErrorSource));
}

// --- reading and writing the streams ---

bool DocumentProperties::ReadSummaryInfo(PropertyStreams& streams) {
  std::optional<std::string> bytes = streams.Read(kSummaryInformationName);
  summary_ = bytes ? SummarySet::Parse(fmtid::kSummaryInformation, *bytes) : SummarySet(fmtid::kSummaryInformation);
  return bytes.has_value();
}

bool DocumentProperties::ReadDocSummaryInfo(PropertyStreams& streams) {
  std::optional<std::string> bytes = streams.Read(kDocSummaryInformationName);
  doc_summary_ =
      bytes ? SummarySet::Parse(fmtid::kDocSummaryInformation, *bytes) : SummarySet(fmtid::kDocSummaryInformation);
  return bytes.has_value();
}

bool DocumentProperties::ReadUserProperties(PropertyStreams& streams) {
  std::optional<PropertySetStream> stream = ReadStream(streams, kDocSummaryInformationName);
  user_ = stream ? UserProperties(*stream) : UserProperties();
  return stream.has_value() && stream->Find(fmtid::kUserDefinedProperties) != nullptr;
}

void DocumentProperties::WriteSummaryInfo(PropertyStreams& streams) {
  streams.Write(kSummaryInformationName, Summary(streams).stream().Serialize());
}

void DocumentProperties::WriteDocSummaryInfo(PropertyStreams& streams) {
  const PropertySetStream& ours = DocSummary(streams).stream();
  std::optional<PropertySection> user;
  if (std::optional<PropertySetStream> stored = ReadStream(streams, kDocSummaryInformationName)) {
    if (const PropertySection* section = stored->Find(fmtid::kUserDefinedProperties)) user = *section;
  }
  streams.Write(kDocSummaryInformationName, WithUserSection(ours, user).Serialize());
}

void DocumentProperties::WriteUserProperties(PropertyStreams& streams) {
  const PropertySection& ours = User(streams).section();
  PropertySetStream base = ReadStream(streams, kDocSummaryInformationName).value_or(PropertySetStream());
  streams.Write(kDocSummaryInformationName, WithUserSection(std::move(base), ours).Serialize());
}

void DocumentProperties::Forget() {
  summary_.reset();
  doc_summary_.reset();
  user_.reset();
}

SummarySet& DocumentProperties::Summary(PropertyStreams& streams) {
  if (!summary_) ReadSummaryInfo(streams);
  return *summary_;
}

SummarySet& DocumentProperties::DocSummary(PropertyStreams& streams) {
  if (!doc_summary_) ReadDocSummaryInfo(streams);
  return *doc_summary_;
}

UserProperties& DocumentProperties::User(PropertyStreams& streams) {
  if (!user_) ReadUserProperties(streams);
  return *user_;
}

// --- times ---

Date DocumentProperties::Time(PropertyStreams& streams, uint32_t id) {
  return DateFromStoredTime(Summary(streams).Time(id));
}

void DocumentProperties::SetTime(PropertyStreams& streams, uint32_t id, Date time) {
  Summary(streams).SetTime(id, StoredTimeFromDate(time));
}

void DocumentProperties::StampCreated(PropertyStreams& streams, uint64_t now) {
  Summary(streams).SetTime(pidsi::kCreated, FileTime{now});
}

void DocumentProperties::StampSaved(PropertyStreams& streams, uint64_t now) {
  Summary(streams).SetTime(pidsi::kLastSaved, FileTime{now});
}

int32_t DocumentProperties::EditTime(PropertyStreams& streams) {
  const uint64_t units = Summary(streams).Time(pidsi::kEditTime).ticks / kTicksPerEditUnit;
  return static_cast<int32_t>(std::min<uint64_t>(units, std::numeric_limits<int32_t>::max()));
}

void DocumentProperties::SetEditTime(PropertyStreams& streams, int32_t minutes) {
  if (minutes < 0) Raise(rt::kInvalidCall, std::u16string(kErrorSource));
  Summary(streams).SetTime(pidsi::kEditTime, FileTime{static_cast<uint64_t>(minutes) * kTicksPerEditUnit});
}

void DocumentProperties::StartEditClock(uint64_t now) { edit_clock_start_ = now; }

void DocumentProperties::StopEditClock(PropertyStreams& streams, uint64_t now) {
  if (!edit_clock_start_) return;
  // A clock set back while editing adds nothing rather than a huge span.
  const uint64_t elapsed = now > *edit_clock_start_ ? now - *edit_clock_start_ : 0;
  SummarySet& summary = Summary(streams);
  const uint64_t total = summary.Time(pidsi::kEditTime).ticks;
  const uint64_t sum = total > std::numeric_limits<uint64_t>::max() - elapsed ? total : total + elapsed;
  summary.SetTime(pidsi::kEditTime, FileTime{sum});
  edit_clock_start_ = now;
}

void DocumentProperties::AdvanceRevision(PropertyStreams& streams) {
  SummarySet& summary = Summary(streams);
  std::u16string revision = summary.Text(pidsi::kRevisionNumber);
  const bool decimal = !revision.empty() && std::all_of(revision.begin(), revision.end(),
                                                         [](char16_t c) { return c >= u'0' && c <= u'9'; });
  summary.SetText(pidsi::kRevisionNumber, decimal ? Increment(std::move(revision)) : u"1");
}

// --- user-defined properties ---

Variant DocumentProperties::UserPropertyValue(PropertyStreams& streams, int32_t index) {
  return VariantFromPropertyValue(User(streams).Value(index));
}

void DocumentProperties::SetUserProperty(PropertyStreams& streams, int32_t index, std::u16string_view name,
                                         const Variant& value) {
  User(streams).Set(index, name, PropertyValueFromVariant(value));
}

int32_t DocumentProperties::AddUserProperty(PropertyStreams& streams, std::u16string_view name,
                                            const Variant& value) {
  return User(streams).Add(name, PropertyValueFromVariant(value));
}

}  // namespace vellora2::compound
