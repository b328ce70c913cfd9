// The property-set operations of the public Storage. The sets themselves live in
// the storage's handle (compound::DocumentProperties); here they are reached
// through the storage's own streams, so a write lands wherever the storage's
// writes land: in a transacted storage, in its pending state until Commit.
#include <span>

#include "compound/property_set/document_properties.hpp"
#include "compound/handles.hpp"
#include "vellora2/automation/variant.hpp"
#include "vellora2/compound/clock.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace vellora2 {
namespace {

using compound::CurrentClock;
namespace pidsi = compound::pidsi;
namespace piddsi = compound::piddsi;

class StorageStreams final : public compound::PropertyStreams {
 public:
  explicit StorageStreams(Storage storage) : storage_(std::move(storage)) {}

  std::optional<std::string> Read(std::u16string_view name) override {
    if (storage_.ElementType(name) != STGTY_STREAM) return std::nullopt;
    Stream stream = storage_.OpenStream(name, STGM_READ | STGM_SHARE_EXCLUSIVE);
    std::string bytes(stream.Length(), '\0');
    bytes.resize(stream.Read(std::as_writable_bytes(std::span(bytes))));
    return bytes;
  }

  void Write(std::u16string_view name, std::string_view bytes) override {
    Stream stream = storage_.CreateStream(name, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
    stream.Write(std::as_bytes(std::span(bytes)));
  }

 private:
  Storage storage_;
};

}  // namespace

std::u16string Storage::Title() const {
  StorageStreams streams(*this);
  return handle().properties.Summary(streams).Text(pidsi::kTitle);
}

void Storage::Title(std::u16string_view value) {
  StorageStreams streams(*this);
  handle().properties.Summary(streams).SetText(pidsi::kTitle, value);
}

std::u16string Storage::Subject() const {
  StorageStreams streams(*this);
  return handle().properties.Summary(streams).Text(pidsi::kSubject);
}

void Storage::Subject(std::u16string_view value) {
  StorageStreams streams(*this);
  handle().properties.Summary(streams).SetText(pidsi::kSubject, value);
}

std::u16string Storage::Author() const {
  StorageStreams streams(*this);
  return handle().properties.Summary(streams).Text(pidsi::kAuthor);
}

void Storage::Author(std::u16string_view value) {
  StorageStreams streams(*this);
  handle().properties.Summary(streams).SetText(pidsi::kAuthor, value);
}

std::u16string Storage::Keywords() const {
  StorageStreams streams(*this);
  return handle().properties.Summary(streams).Text(pidsi::kKeywords);
}

void Storage::Keywords(std::u16string_view value) {
  StorageStreams streams(*this);
  handle().properties.Summary(streams).SetText(pidsi::kKeywords, value);
}

std::u16string Storage::Comments() const {
  StorageStreams streams(*this);
  return handle().properties.Summary(streams).Text(pidsi::kComments);
}

void Storage::Comments(std::u16string_view value) {
  StorageStreams streams(*this);
  handle().properties.Summary(streams).SetText(pidsi::kComments, value);
}

std::u16string Storage::ApplicationName() const {
  StorageStreams streams(*this);
  return handle().properties.Summary(streams).Text(pidsi::kAppName);
}

void Storage::ApplicationName(std::u16string_view value) {
  StorageStreams streams(*this);
  handle().properties.Summary(streams).SetText(pidsi::kAppName, value);
}

std::u16string Storage::RevisionNumber() const {
  StorageStreams streams(*this);
  return handle().properties.Summary(streams).Text(pidsi::kRevisionNumber);
}

void Storage::RevisionNumber(std::u16string_view value) {
  StorageStreams streams(*this);
  handle().properties.Summary(streams).SetText(pidsi::kRevisionNumber, value);
}

std::u16string Storage::Company() const {
  StorageStreams streams(*this);
  return handle().properties.DocSummary(streams).Text(piddsi::kCompany);
}

void Storage::Company(std::u16string_view value) {
  StorageStreams streams(*this);
  handle().properties.DocSummary(streams).SetText(piddsi::kCompany, value);
}

Date Storage::LastPrinted() const {
  StorageStreams streams(*this);
  return handle().properties.Time(streams, pidsi::kLastPrinted);
}

void Storage::LastPrinted(Date value) {
  StorageStreams streams(*this);
  handle().properties.SetTime(streams, pidsi::kLastPrinted, value);
}

Date Storage::Created() const {
  StorageStreams streams(*this);
  return handle().properties.Time(streams, pidsi::kCreated);
}

void Storage::Created(Date value) {
  StorageStreams streams(*this);
  handle().properties.SetTime(streams, pidsi::kCreated, value);
}

Date Storage::LastSaved() const {
  StorageStreams streams(*this);
  return handle().properties.Time(streams, pidsi::kLastSaved);
}

void Storage::LastSaved(Date value) {
  StorageStreams streams(*this);
  handle().properties.SetTime(streams, pidsi::kLastSaved, value);
}

int32_t Storage::EditTime() const {
  StorageStreams streams(*this);
  return handle().properties.EditTime(streams);
}

void Storage::EditTime(int32_t minutes) {
  StorageStreams streams(*this);
  handle().properties.SetEditTime(streams, minutes);
}

void Storage::StampCreated() {
  StorageStreams streams(*this);
  handle().properties.StampCreated(streams, CurrentClock().Now());
}

void Storage::StampSaved() {
  StorageStreams streams(*this);
  handle().properties.StampSaved(streams, CurrentClock().Now());
}

void Storage::StartEditClock() { handle().properties.StartEditClock(CurrentClock().Now()); }

void Storage::StopEditClock() {
  StorageStreams streams(*this);
  handle().properties.StopEditClock(streams, CurrentClock().Now());
}

void Storage::AdvanceRevision() {
  StorageStreams streams(*this);
  handle().properties.AdvanceRevision(streams);
}

bool Storage::ReadSummaryInfo() {
  StorageStreams streams(*this);
  return handle().properties.ReadSummaryInfo(streams);
}

void Storage::WriteSummaryInfo() {
  StorageStreams streams(*this);
  handle().properties.WriteSummaryInfo(streams);
}

bool Storage::ReadDocSummaryInfo() {
  StorageStreams streams(*this);
  return handle().properties.ReadDocSummaryInfo(streams);
}

void Storage::WriteDocSummaryInfo() {
  StorageStreams streams(*this);
  handle().properties.WriteDocSummaryInfo(streams);
}

bool Storage::ReadUserProperties() {
  StorageStreams streams(*this);
  return handle().properties.ReadUserProperties(streams);
}

void Storage::WriteUserProperties() {
  StorageStreams streams(*this);
  handle().properties.WriteUserProperties(streams);
}

int32_t Storage::UserPropertyCount() const {
  StorageStreams streams(*this);
  return handle().properties.User(streams).Count();
}

std::u16string Storage::UserPropertyName(int32_t index) const {
  StorageStreams streams(*this);
  return handle().properties.User(streams).Name(index);
}

Variant Storage::UserPropertyValue(int32_t index) const {
  StorageStreams streams(*this);
  return handle().properties.UserPropertyValue(streams, index);
}

void Storage::SetUserProperty(int32_t index, std::u16string_view name, const Variant& value) {
  StorageStreams streams(*this);
  handle().properties.SetUserProperty(streams, index, name, value);
}

int32_t Storage::AddUserProperty(std::u16string_view name, const Variant& value) {
  StorageStreams streams(*this);
  return handle().properties.AddUserProperty(streams, name, value);
}

}  // namespace vellora2
